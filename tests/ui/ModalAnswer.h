#pragma once
// Answers the modal boxes a test opens: every box that becomes the active modal widget is noted
// (caption and text) and then handed to `answer`, which by default closes it. Stops when destroyed.
#include <QApplication>
#include <QLabel>
#include <QPointer>
#include <QStringList>
#include <QTimer>
#include <QWidget>
#include <functional>

namespace quillo::test {

class ModalAnswer
{
public:
    explicit ModalAnswer(std::function<void(QWidget*)> answer = [](QWidget* box) { box->close(); })
        : m_answer(std::move(answer))
    {
        QObject::connect(&m_timer, &QTimer::timeout, [this] { poll(); });
        m_timer.start(5);
    }

    QStringList captions;
    QStringList texts;
    int count() const { return static_cast<int>(captions.size()); }

private:
    void poll()
    {
        QWidget* box = QApplication::activeModalWidget();
        if (!box || box == m_last)
            return;
        m_last = box;
        captions.append(box->windowTitle());
        const auto* text = box->findChild<QLabel*>(QStringLiteral("MessageText"));
        texts.append(text ? text->text() : QString());
        m_answer(box);
    }

    std::function<void(QWidget*)> m_answer;
    QTimer m_timer;
    QPointer<QWidget> m_last;
};

} // namespace quillo::test
