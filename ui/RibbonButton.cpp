#include "ui/RibbonButton.h"

#include <QAction>
#include <QActionEvent>

namespace {

// The caption as shown: "&&" is one ampersand, "&x" is x.
QString ShownText(const QString& caption) {
    QString shown;
    for (qsizetype i = 0; i < caption.size(); ++i) {
        if (caption[i] == u'&' && i + 1 < caption.size())
            ++i;
        shown += caption[i];
    }
    return shown;
}

} // namespace

RibbonButton::RibbonButton(QAction* action, bool large, QWidget* parent)
    : QToolButton(parent), action_(action), large_(large) {
    setAutoRaise(true);
    setDefaultAction(action);
    if (large) {
        setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
        setIconSize(QSize(32, 32));
        setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Expanding);
    } else {
        setToolButtonStyle(action->icon().isNull() ? Qt::ToolButtonTextOnly
                                                   : Qt::ToolButtonTextBesideIcon);
        setIconSize(QSize(16, 16));
        setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    }
    accessKey_ = AccessKeyOf(Caption());
    ShowCaption();
}

QString RibbonButton::Caption() const {
    return action_ ? action_->iconText() : QString();
}

void RibbonButton::SetAccessKey(const QString& letter) {
    accessKey_ = letter.toUpper();
    ShowCaption();
}

QString RibbonButton::AccessKeyOf(const QString& caption) {
    for (qsizetype i = 0; i + 1 < caption.size(); ++i) {
        if (caption[i] != u'&')
            continue;
        if (caption[i + 1] == u'&') {
            ++i;
            continue;
        }
        return caption.mid(i + 1, 1).toUpper();
    }
    return QString();
}

QString RibbonButton::WithAccessKey(const QString& caption, const QString& letter, bool large) {
    QString shown = ShownText(caption);
    if (large) {
        const qsizetype blank = shown.lastIndexOf(u' ');
        if (blank > 0)
            shown[blank] = u'\n';
    }
    qsizetype marked = -1;
    for (qsizetype i = 0; !letter.isEmpty() && i < shown.size(); ++i) {
        if (shown[i].toUpper() != letter[0].toUpper())
            continue;
        const bool wordStart = i == 0 || shown[i - 1].isSpace() || shown[i - 1] == u'/';
        if (wordStart) {
            marked = i;
            break;
        }
        if (marked < 0)
            marked = i;
    }
    QString text;
    for (qsizetype i = 0; i < shown.size(); ++i) {
        if (i == marked)
            text += u'&';
        text += shown[i];
        if (shown[i] == u'&')
            text += u'&';
    }
    return text;
}

void RibbonButton::actionEvent(QActionEvent* event) {
    // The default action puts its own caption back at every change.
    QToolButton::actionEvent(event);
    if (event->type() == QEvent::ActionChanged)
        ShowCaption();
}

void RibbonButton::ShowCaption() {
    const QString text = WithAccessKey(Caption(), accessKey_, large_);
    if (text != this->text())
        setText(text);
}
