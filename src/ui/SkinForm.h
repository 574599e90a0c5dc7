#pragma once
// The skinned window frame. A window given one turns frameless and draws its own frame from the
// active skin: the window picture stretched around the client area, a caption bar with the
// title, and caption buttons (window menu, minimise, maximise or restore, close) as the window's
// own flags ask for them; tool windows get none. The frame lies inside the window: its contents
// margins hold the frame, so the client area is contentsRect() and layouts fill only that.
// The caption bar drags the window, the borders resize it, a double click maximises it; the
// desktop's own move and resize are used where it has them.
#include <QAbstractButton>
#include <QMargins>
#include <QObject>
#include <QPointer>

class QMenu;

namespace quillo {

class TSkinForm : public QObject
{
    Q_OBJECT
public:
    // Attach before the window is first shown: a shown window is hidden and shown again.
    explicit TSkinForm(QWidget* window);

    // The frame of `window`, or null.
    static TSkinForm* of(const QWidget* window);

    QWidget* window() const { return m_window; }
    QMargins insets() const { return m_insets; }
    int captionHeight() const;

    // Entries the window-menu button shows between the frame's own entries and "close".
    void setWindowMenu(QMenu* menu) { m_windowMenu = menu; }
    QMenu* windowMenu() const { return m_windowMenu; }
    // The menu the window-menu button opens; the caller owns it.
    QMenu* createSystemMenu(QWidget* parent) const;

    // "sysmenubutton", "minbutton", "maxbutton" (also restore), "closebutton"; null when absent.
    QAbstractButton* captionButton(const QString& name) const;

    // Rereads the frame from the current skin, keeping the client size.
    void refresh();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void createButtons(Qt::WindowFlags flags);
    void placeButtons();
    void placeGrips();
    int resizeBorder() const;
    void updateMask();
    void paintFrame();
    bool mouseEvent(QEvent* event);
    void showSystemMenu(const QPoint& globalPosition);
    void toggleMaximized();

    QWidget* m_window;
    QPointer<QMenu> m_windowMenu;
    QMargins m_insets;
    QList<QAbstractButton*> m_buttons;
    QList<QWidget*> m_grips;
    QPoint m_dragOffset;
    bool m_dragging = false;
};

// Gives `window` a skinned frame when skinned frames are enabled; returns its frame or null.
TSkinForm* AttachSkinForm(QWidget* window);

// The client area of a window: inside its skinned frame, or all of it without one.
QSize ClientSize(const QWidget* window);
void SetClientSize(QWidget* window, const QSize& size);

// A child widget "ClientArea" that fills the window inside whatever frame it is given (a skinned
// frame insets it through the window's contents margins). Windows whose controls keep fixed
// places put them in it.
QWidget* CreateClientArea(QWidget* window);

} // namespace quillo
