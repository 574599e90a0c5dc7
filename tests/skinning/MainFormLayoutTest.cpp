// The main window's controls at every width the user can drag it to: each stands clear of the
// others and inside the panels that hold it, and shows its whole caption. The same cases run with
// QT_SCALE_FACTOR=2 (see CMakeLists.txt).
#include "SkinningFixture.h"
#include "ui/SkinControls.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QLabel>
#include <QPlainTextEdit>

namespace quillo::test {

namespace {

bool isControl(const QWidget* widget)
{
    return qobject_cast<const QAbstractButton*>(widget) || qobject_cast<const QLabel*>(widget)
           || qobject_cast<const QComboBox*>(widget) || qobject_cast<const QPlainTextEdit*>(widget);
}

// The controls the user sees, not the parts controls are built of (a list's button, a memo's
// scroll bars).
QList<QWidget*> shownControls(QWidget& window)
{
    QList<QWidget*> controls;
    const auto widgets = window.findChildren<QWidget*>();
    for (QWidget* widget : widgets) {
        if (!isControl(widget) || !widget->isVisibleTo(&window))
            continue;
        bool part = false;
        for (QWidget* up = widget->parentWidget(); up && up != &window; up = up->parentWidget())
            part = part || isControl(up);
        if (!part)
            controls.append(widget);
    }
    return controls;
}

QRect placeIn(QWidget& window, const QWidget* control)
{
    return QRect(control->mapTo(&window, QPoint(0, 0)), control->size());
}

// What keeps a control's caption from showing in full, or an empty text.
QString clippedCaption(const QWidget* control)
{
    QString caption;
    int room = 0;
    if (const auto* button = qobject_cast<const QAbstractButton*>(control)) {
        caption = button->text();
        room = button->width() - 8;  // the skin's button border, both sides
    } else if (const auto* label = qobject_cast<const QLabel*>(control)) {
        caption = label->text();
        room = label->width();
        if (label->sizeHint().width() > room)
            return caption;
    }
    return control->fontMetrics().horizontalAdvance(caption) > room ? caption : QString();
}

void expectClear(QWidget& window)
{
    const int width = window.frameGeometry().width();
    const QList<QWidget*> controls = shownControls(window);
    for (qsizetype i = 0; i < controls.size(); ++i) {
        const QWidget* control = controls[i];
        const QRect place = placeIn(window, control);
        for (QWidget* holder = control->parentWidget(); holder; holder = holder->parentWidget()) {
            const QRect room = holder == &window ? window.rect() : placeIn(window, holder);
            EXPECT_TRUE(room.contains(place)) << control->objectName().toStdString() << " sticks out of "
                                              << holder->objectName().toStdString() << " at " << width;
        }
        EXPECT_EQ(clippedCaption(control), QString()) << control->objectName().toStdString() << " at " << width;
        for (qsizetype j = i + 1; j < controls.size(); ++j)
            EXPECT_FALSE(place.intersects(placeIn(window, controls[j])))
                << control->objectName().toStdString() << " and " << controls[j]->objectName().toStdString()
                << " overlap at " << width;
    }
}

void expectClearAtEveryWidth(QWidget& window)
{
    for (const int height : {288, 438}) {
        for (int width = 560; width <= 1000; ++width) {
            window.resize(QSize(width, height) - (window.frameGeometry().size() - window.size()));
            ASSERT_EQ(window.frameGeometry().width(), width);
            expectClear(window);
            if (::testing::Test::HasFailure())
                return;
        }
    }
}

} // namespace

TEST_F(MainFormTest, ControlsStandClearAtEveryWidth)
{
    auto form = showForm();
    expectClearAtEveryWidth(*form);

    // A window that is narrow before it is first shown.
    form = createForm();
    form->resize(560, 438);
    form->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    expectClear(*form);
}

TEST_F(SkinnedMainFormTest, ControlsStandClearAtEveryWidth)
{
    auto form = showForm();
    ASSERT_NE(form->skinFrame, nullptr);
    expectClearAtEveryWidth(*form);
}

} // namespace quillo::test
