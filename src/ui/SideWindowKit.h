#pragma once
// What the side windows (web page translation, update, feedback) are built from, so that each
// holds only its own controls and behaviour:
// - DressSideWindow and PlaceSideWindow: a skinned tool window of fixed size, centred over its
//   owner each time it is shown;
// - New...: the skinned controls at the fixed places of the window's client area;
// - SideWindowMessages: the message box the opener hands over, with one stand-in for a window
//   that was given none;
// - BindHandler (core/BindHandler.h): one way to bind the events of its components to its handlers.
// The preset of a side window's service request lives with the request (http/ServiceRequest.h).
#include "core/BindHandler.h"
#include "ui/TSkinMessage.h"

#include <QPointer>
#include <QRect>
#include <QString>
#include <QStringList>

class QDialog;
class QShowEvent;
class QWidget;

namespace quillo {

class TSkinButton;
class TSkinComboBox;
class TSkinEdit;
class TSkinGauge;
class TSkinLabel;
class TSkinMemo;

// Names the window, gives it its caption (none: the opener sets it) and a client area of
// `clientSize`, and makes it a skinned tool window whose frame carries no caption buttons: a
// side window is left through its own buttons.
void DressSideWindow(QDialog* window, const QString& objectName, const QString& title, QSize clientSize,
                     Qt::WindowFlags extraFlags = {});

// From the window's show event: the frame of a tool window is not for resizing, so the window
// keeps the size it opens with; a show by the program (not one the desktop sends on restoring)
// centres it over `owner`.
void PlaceSideWindow(QDialog* window, const QShowEvent* event, const QWidget* owner);

// The controls, created in `client` at `place`. A label whose place has no size takes the size of
// its text.
TSkinLabel* NewLabel(QWidget* client, const QString& name, const QString& caption, const QRect& place);
TSkinButton* NewButton(QWidget* client, const QString& name, const QString& caption, const QRect& place);
TSkinEdit* NewEdit(QWidget* client, const QString& name, const QRect& place);
TSkinMemo* NewMemo(QWidget* client, const QString& name, const QRect& place);
TSkinComboBox* NewList(QWidget* client, const QString& name, const QStringList& items, int selected,
                       const QRect& place);
TSkinGauge* NewGauge(QWidget* client, const QString& name, const QRect& place);

// Every message of a side window goes through the message box of the window that opened it.
// Until one is handed over, or after the handed one is gone, a box of the window's own stands
// in, so a message is never lost.
class SideWindowMessages
{
public:
    explicit SideWindowMessages(QObject* window)
        : m_window(window)
    {
    }

    void setBox(TSkinMessage* box) { m_handed = box; }
    // The box the next message goes to.
    TSkinMessage* box();

    // The message with the single button OK; the result of the box is of no interest.
    void show(const QString& text, TMsgDlgType type);
    void error(const QString& text) { show(text, mtError); }
    void information(const QString& text) { show(text, mtInformation); }

private:
    QObject* m_window;
    QPointer<TSkinMessage> m_handed;
    QPointer<TSkinMessage> m_own;
};

} // namespace quillo
