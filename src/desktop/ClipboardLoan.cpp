#include "desktop/ClipboardLoan.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QPointer>

#include <functional>
#include <utility>

namespace quillo {

namespace {

constexpr int kSettleMs = 300;
constexpr int kGiveUpMs = 5000;

// Text that tells when a program reads it: Qt's X11 clipboard serves each request of another
// program through data().
class WatchedText : public QMimeData
{
public:
    explicit WatchedText(std::function<void()> onRead)
        : m_onRead(std::move(onRead))
    {
    }

protected:
    QVariant retrieveData(const QString& mimeType, QMetaType type) const override
    {
        m_onRead();
        return QMimeData::retrieveData(mimeType, type);
    }

private:
    std::function<void()> m_onRead;
};

QMimeData* copyOf(const QMimeData* data)
{
    auto* copy = new QMimeData;
    if (data)
        for (const QString& format : data->formats())
            copy->setData(format, data->data(format));
    return copy;
}

} // namespace

ClipboardLoan::ClipboardLoan(QObject* parent)
    : QObject(parent)
{
    m_settle.setSingleShot(true);
    m_settle.setInterval(kSettleMs);
    m_giveUp.setSingleShot(true);
    m_giveUp.setInterval(kGiveUpMs);
    connect(&m_settle, &QTimer::timeout, this, &ClipboardLoan::giveBack);
    connect(&m_giveUp, &QTimer::timeout, this, &ClipboardLoan::giveBack);
}

ClipboardLoan::~ClipboardLoan()
{
    delete m_previous;
}

void ClipboardLoan::lend(const QString& text)
{
    if (open())
        giveBack();
    QClipboard* clipboard = QGuiApplication::clipboard();
    m_previous = copyOf(clipboard->mimeData(QClipboard::Clipboard));
    // The clipboard may keep the text after this loan has gone.
    auto* lent = new WatchedText([loan = QPointer<ClipboardLoan>(this)] {
        // Called while Qt answers the request; the loan acts once the loop runs again.
        if (loan)
            QMetaObject::invokeMethod(loan, &ClipboardLoan::onTaken, Qt::QueuedConnection);
    });
    lent->setText(text);
    m_lent = lent;
    clipboard->setMimeData(lent, QClipboard::Clipboard);
    m_giveUp.start();
}

void ClipboardLoan::onTaken()
{
    if (!open())
        return;
    if (!m_settle.isActive())
        emit taken();
    m_settle.start();
}

void ClipboardLoan::keep()
{
    m_settle.stop();
    m_giveUp.stop();
    delete std::exchange(m_previous, nullptr);
    m_lent = nullptr;
}

void ClipboardLoan::giveBack()
{
    m_settle.stop();
    m_giveUp.stop();
    if (!open())
        return;
    QClipboard* clipboard = QGuiApplication::clipboard();
    QMimeData* previous = std::exchange(m_previous, nullptr);
    // Something the user copied since is theirs to keep.
    if (clipboard->mimeData(QClipboard::Clipboard) == m_lent) {
        if (previous->formats().isEmpty()) {
            clipboard->clear(QClipboard::Clipboard);
            delete previous;
        } else {
            clipboard->setMimeData(previous, QClipboard::Clipboard);
        }
    } else {
        delete previous;
    }
    m_lent = nullptr;
    emit returned();
}

} // namespace quillo
