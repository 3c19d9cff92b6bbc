#pragma once

#include <QObject>
#include <QPointer>

class QWidget;

// Marks the widget of a window that has the keyboard focus with a frame in
// the highlight colour, where the widget shows no focus of its own: lists,
// trees, text panels and tool buttons. A click that gives the focus shows
// no frame: the user sees where they clicked.
class KeyboardFocusFrame : public QObject {
    Q_OBJECT

public:
    explicit KeyboardFocusFrame(QWidget* window);
    ~KeyboardFocusFrame() override;

    // The widget the frame is on; none while none is framed.
    QWidget* Framed() const { return framed_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    static bool ShowsNoFocus(const QWidget* widget);
    void Follow(QWidget* widget);

    QWidget* window_;
    QPointer<QWidget> framed_;
    QPointer<QWidget> frame_;
    // Framed when the window lost the focus, framed again when it is back.
    QPointer<QWidget> framedBeforeLeaving_;
};
