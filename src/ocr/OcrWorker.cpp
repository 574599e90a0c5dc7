#include "ocr/OcrWorker.h"

#include "ocr/OcrEngine.h"

#include <memory>
#include <variant>

namespace quillo {

namespace {

// The engine's home on the worker thread; every call reaches it through that thread's queue.
class EngineHost : public QObject {
public:
    OcrEngine engine;
};

} // namespace

OcrWorker::OcrWorker(QObject* parent) : QObject(parent)
{
    m_thread.setObjectName(QStringLiteral("OCR"));
}

OcrWorker::~OcrWorker()
{
    m_thread.quit();
    m_thread.wait();
}

QObject* OcrWorker::threadSide()
{
    if (!m_threadSide) {
        m_threadSide = new EngineHost;
        m_threadSide->moveToThread(&m_thread);
        connect(&m_thread, &QThread::finished, m_threadSide, &QObject::deleteLater);
        m_thread.start();
    }
    return m_threadSide;
}

int OcrWorker::read(const QImage& picture, const std::vector<Language>& languages)
{
    const int request = ++m_lastRequest;
    auto* host = static_cast<EngineHost*>(threadSide());
    // The answer is handed to this object's thread by the queued signal; if the worker has gone
    // by then, Qt drops it with the connection.
    QMetaObject::invokeMethod(host, [this, host, picture, languages, request] {
        const auto result = host->engine.Read(picture, languages);
        if (const QString* text = std::get_if<QString>(&result))
            QMetaObject::invokeMethod(this, [this, request, text = *text] { emit textRead(request, text); },
                                      Qt::QueuedConnection);
        else
            QMetaObject::invokeMethod(this, [this, request, error = std::get<OcrError>(result)] {
                emit readingFailed(request, error);
            }, Qt::QueuedConnection);
    }, Qt::QueuedConnection);
    return request;
}

void OcrWorker::warmUp(const std::vector<Language>& languages)
{
    auto* host = static_cast<EngineHost*>(threadSide());
    QMetaObject::invokeMethod(host, [host, languages] { host->engine.Warm(languages); }, Qt::QueuedConnection);
}

} // namespace quillo
