#include "ui/KeyboardFocusFrame.h"

#include <QAbstractScrollArea>
#include <QApplication>
#include <QFocusEvent>
#include <QToolButton>
#include <QWidget>

KeyboardFocusFrame::KeyboardFocusFrame(QWidget* window) : QObject(window), window_(window) {
    qApp->installEventFilter(this);
}

KeyboardFocusFrame::~KeyboardFocusFrame() {
    qApp->removeEventFilter(this);
    delete frame_.data();
}

bool KeyboardFocusFrame::ShowsNoFocus(const QWidget* widget) {
    return qobject_cast<const QAbstractScrollArea*>(widget) ||
           qobject_cast<const QToolButton*>(widget);
}

bool KeyboardFocusFrame::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::FocusIn: {
        auto* widget = qobject_cast<QWidget*>(watched);
        if (!widget || widget->window() != window_)
            break;
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        if (reason == Qt::ActiveWindowFocusReason)
            Follow(widget == framedBeforeLeaving_ ? widget : nullptr);
        else if (reason == Qt::MouseFocusReason || !ShowsNoFocus(widget))
            Follow(nullptr);
        else
            Follow(widget);
        break;
    }
    case QEvent::FocusOut:
        if (watched == framed_) {
            const bool leaving =
                static_cast<QFocusEvent*>(event)->reason() == Qt::ActiveWindowFocusReason;
            framedBeforeLeaving_ = leaving ? framed_ : nullptr;
            Follow(nullptr);
        }
        break;
    case QEvent::Resize:
        if (watched == framed_ && frame_)
            frame_->setGeometry(framed_->rect());
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}

void KeyboardFocusFrame::Follow(QWidget* widget) {
    if (widget == framed_)
        return;
    delete frame_.data();
    framed_ = widget;
    if (!widget)
        return;
    // A child on top of the widget's own children, blind to the mouse.
    auto* frame = new QWidget(widget);
    frame->setObjectName(QStringLiteral("KeyboardFocusFrame"));
    frame->setAttribute(Qt::WA_TransparentForMouseEvents);
    frame->setAttribute(Qt::WA_StyledBackground);
    frame->setFocusPolicy(Qt::NoFocus);
    frame->setStyleSheet(QStringLiteral("#KeyboardFocusFrame { border: 2px solid %1; "
                                        "background: transparent; }")
                             .arg(widget->palette().color(QPalette::Highlight).name()));
    frame->setGeometry(widget->rect());
    frame->show();
    frame->raise();
    frame_ = frame;
}
