#include "ui/SideWindowKit.h"

#include "ui/Fun.h"
#include "ui/SkinControls.h"
#include "ui/SkinForm.h"
#include "ui/SkinLook.h"

#include <QDialog>
#include <QShowEvent>

namespace quillo {

void DressSideWindow(QDialog* window, const QString& objectName, const QString& title, QSize clientSize,
                     Qt::WindowFlags extraFlags)
{
    window->setObjectName(objectName);
    if (!title.isEmpty())
        window->setWindowTitle(title);
    window->setWindowFlags(Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint | extraFlags);
    ApplySkinLook(window, "form");
    SetClientSize(window, clientSize);
}

void PlaceSideWindow(QDialog* window, const QShowEvent* event, const QWidget* owner)
{
    window->setFixedSize(window->size());
    if (!event->spontaneous())
        CentreOver(window, owner);
}

namespace {

template <class Control>
Control* placed(Control* control, const QRect& place)
{
    if (place.size().isEmpty()) {
        control->move(place.topLeft());
        control->adjustSize();
    } else {
        control->setGeometry(place);
    }
    return control;
}

} // namespace

TSkinLabel* NewLabel(QWidget* client, const QString& name, const QString& caption, const QRect& place)
{
    return placed(new TSkinLabel(name, caption, client), place);
}

TSkinButton* NewButton(QWidget* client, const QString& name, const QString& caption, const QRect& place)
{
    return placed(new TSkinButton(name, caption, client), place);
}

TSkinEdit* NewEdit(QWidget* client, const QString& name, const QRect& place)
{
    return placed(new TSkinEdit(name, client), place);
}

TSkinMemo* NewMemo(QWidget* client, const QString& name, const QRect& place)
{
    return placed(new TSkinMemo(name, client), place);
}

TSkinComboBox* NewList(QWidget* client, const QString& name, const QStringList& items, int selected,
                       const QRect& place)
{
    auto* list = new TSkinComboBox(name, client);
    list->addItems(items);
    list->setCurrentIndex(selected);
    return placed(list, place);
}

TSkinGauge* NewGauge(QWidget* client, const QString& name, const QRect& place)
{
    return placed(new TSkinGauge(name, client), place);
}

TSkinMessage* SideWindowMessages::box()
{
    if (m_handed)
        return m_handed;
    if (!m_own)
        m_own = new TSkinMessage(m_window);
    return m_own;
}

void SideWindowMessages::show(const QString& text, TMsgDlgType type)
{
    box()->MessageDlg(text, type, mbOK, 0);
}

} // namespace quillo
