#pragma once
// The controls the windows are built from. Each is a thin layer over the Qt widget it stands for,
// named by the window (object name) and styled in one place (SkinLook), so that a drawn skin can
// be applied later without touching the windows.
#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <functional>

namespace quillo {

class TSkinButton : public QPushButton
{
    Q_OBJECT
public:
    TSkinButton(const QString& name, const QString& caption, QWidget* parent);
};

// A panel; `framed` gives it the sunken border of a framed panel.
class TSkinPanel : public QFrame
{
    Q_OBJECT
public:
    TSkinPanel(const QString& name, QWidget* parent, bool framed = false);
};

class TSkinLabel : public QLabel
{
    Q_OBJECT
public:
    TSkinLabel(const QString& name, const QString& caption, QWidget* parent);

    // Bold drawn from the regular face, struck twice a pixel apart. The bold faces of the CJK
    // fonts are font files of their own, several megabytes each, too much for a heading or two.
    void setHeavy(bool heavy);
    bool heavy() const { return m_heavy; }
    QSize sizeHint() const override;

signals:
    void clicked();

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    bool m_heavy = false;
};

// A drop-down list (no free text). Changing the selection, also from code, emits
// currentIndexChanged; closing the open list emits closeUp.
class TSkinComboBox : public QComboBox
{
    Q_OBJECT
public:
    TSkinComboBox(const QString& name, QWidget* parent);

    void showPopup() override;
    void hidePopup() override;

signals:
    void closeUp();

private:
    bool m_popupOpen = false;
};

// A multi-line Unicode text box with a length limit and the key events of the windows' memos:
// OnKeyDown sees every key first; OnKeyPress then sees the character the key types and may
// replace it by QChar() to swallow it.
class TSkinMemo : public QPlainTextEdit
{
    Q_OBJECT
public:
    TSkinMemo(const QString& name, QWidget* parent);

    // Characters (UTF-16 code units, a line break counting one); 0 means no limit.
    int maxLength() const { return m_maxLength; }
    void setMaxLength(int length);

    std::function<void(QObject* sender, int key, Qt::KeyboardModifiers shift)> OnKeyDown;
    std::function<void(QObject* sender, QChar& key)> OnKeyPress;

signals:
    // The limit cut `removed` characters off what was just typed, pasted or dropped.
    void textCut(int removed);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void noteChange(int position, int charsRemoved, int charsAdded);
    void trimToMaxLength();

    int m_maxLength = 0;
    int m_lastChangeEnd = -1;
    bool m_trimming = false;
};

class TSkinEdit : public QLineEdit
{
    Q_OBJECT
public:
    TSkinEdit(const QString& name, QWidget* parent);

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;
};

// A progress bar that shows a text of its own instead of the percentage.
class TSkinGauge : public QProgressBar
{
    Q_OBJECT
public:
    TSkinGauge(const QString& name, QWidget* parent);

    QString text() const override { return m_text; }
    void setText(const QString& text);

private:
    QString m_text;
};

class TSkinPopupMenu : public QMenu
{
    Q_OBJECT
public:
    TSkinPopupMenu(const QString& name, QWidget* parent);

    // An entry named `name`; `tag` is kept as the action's data, as the skin entries need it.
    QAction* addItem(const QString& name, const QString& caption, int tag = 0);
    QAction* addSeparatorItem(const QString& name);
};

// Shows `menu` as the context menu of `control`.
void SetPopupMenu(QWidget* control, QMenu* menu);

} // namespace quillo
