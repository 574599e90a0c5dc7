#include "apiclient/EventStream.h"

namespace quillo {

std::vector<StreamEvent> EventStream::feed(const QByteArray& bytes)
{
    m_pending += bytes;
    std::vector<StreamEvent> events;
    qsizetype start = 0;
    for (qsizetype end; (end = m_pending.indexOf('\n', start)) >= 0; start = end + 1) {
        QByteArray line = m_pending.mid(start, end - start);
        if (line.endsWith('\r'))
            line.chop(1);
        takeLine(std::move(line), events);
    }
    m_pending.remove(0, start);
    return events;
}

void EventStream::takeLine(QByteArray line, std::vector<StreamEvent>& events)
{
    if (line.isEmpty()) {
        if (m_hasData || !m_name.isEmpty())
            events.push_back({m_name.isEmpty() ? QByteArray("message") : m_name, m_data});
        m_name.clear();
        m_data.clear();
        m_hasData = false;
        return;
    }
    if (line.startsWith(':'))
        return;
    const qsizetype colon = line.indexOf(':');
    const QByteArray field = colon < 0 ? line : line.left(colon);
    QByteArray value = colon < 0 ? QByteArray() : line.mid(colon + 1);
    if (value.startsWith(' '))
        value.remove(0, 1);
    if (field == "event") {
        m_name = value;
    } else if (field == "data") {
        if (m_hasData)
            m_data += '\n';
        m_data += value;
        m_hasData = true;
    }
}

} // namespace quillo
