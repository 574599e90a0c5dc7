#pragma once
// A reader of text/event-stream bodies: bytes go in as they arrive, in pieces of any size, and
// each complete event comes out once its blank line has arrived.
#include <QByteArray>

#include <vector>

namespace quillo {

struct StreamEvent
{
    QByteArray name; // "message" when the event names none
    QByteArray data; // its data lines joined by '\n'
};

class EventStream
{
public:
    std::vector<StreamEvent> feed(const QByteArray& bytes);

private:
    void takeLine(QByteArray line, std::vector<StreamEvent>& events);

    QByteArray m_pending;
    QByteArray m_name;
    QByteArray m_data;
    bool m_hasData = false;
};

} // namespace quillo
