#include "ui/RibbonGroup.h"

#include <QAction>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

constexpr int SmallPerColumn = 3;

} // namespace

RibbonGroup::RibbonGroup(const QString& caption, QWidget* parent)
    : QFrame(parent), entries_(new QHBoxLayout), caption_(new QLabel(caption)),
      captionRow_(new QHBoxLayout) {
    setObjectName(QStringLiteral("RibbonGroup_") + caption);
    setFrameShape(QFrame::StyledPanel);
    setFrameShadow(QFrame::Plain);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Preferred);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(3, 3, 3, 1);
    layout->setSpacing(1);
    entries_->setContentsMargins(0, 0, 0, 0);
    entries_->setSpacing(2);
    layout->addLayout(entries_, 1);
    caption_->setAlignment(Qt::AlignCenter);
    caption_->setObjectName(QStringLiteral("RibbonGroupCaption"));
    QPalette grey = caption_->palette();
    grey.setColor(QPalette::WindowText, QColor(0x3b, 0x3b, 0x6d));
    caption_->setPalette(grey);
    captionRow_->setContentsMargins(0, 0, 0, 0);
    captionRow_->addWidget(caption_, 1);
    layout->addLayout(captionRow_);
}

QString RibbonGroup::Caption() const {
    return caption_->text();
}

QToolButton* RibbonGroup::AddLargeButton(QAction* action) {
    column_ = nullptr;
    auto* button = new QToolButton(this);
    button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    button->setIconSize(QSize(32, 32));
    button->setAutoRaise(true);
    button->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Expanding);
    // Bound by hand rather than with setDefaultAction, which would put the
    // caption back on one line: a large caption breaks at its last blank.
    const auto sync = [button, action] {
        QString caption = action->iconText();
        const qsizetype blank = caption.lastIndexOf(u' ');
        if (blank > 0)
            caption[blank] = u'\n';
        button->setText(caption);
        button->setIcon(action->icon());
        button->setEnabled(action->isEnabled());
        button->setToolTip(action->text());
    };
    sync();
    connect(action, &QAction::changed, button, sync);
    connect(button, &QToolButton::clicked, action, &QAction::trigger);
    entries_->addWidget(button);
    entryTexts_ << action->iconText();
    return button;
}

QToolButton* RibbonGroup::AddSmallButton(QAction* action) {
    auto* button = new QToolButton(this);
    button->setDefaultAction(action);
    button->setToolButtonStyle(action->icon().isNull() ? Qt::ToolButtonTextOnly
                                                       : Qt::ToolButtonTextBesideIcon);
    button->setIconSize(QSize(16, 16));
    button->setAutoRaise(true);
    button->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    PlaceSmall(button);
    entryTexts_ << action->iconText();
    return button;
}

void RibbonGroup::AddSmallWidget(QWidget* widget) {
    PlaceSmall(widget);
    // A command's default widget starts hidden.
    widget->show();
    auto* combo = widget->findChild<QComboBox*>();
    entryTexts_ << (combo ? combo->objectName() : widget->objectName());
}

void RibbonGroup::PlaceSmall(QWidget* widget) {
    if (!column_ || inColumn_ == SmallPerColumn) {
        column_ = new QVBoxLayout;
        column_->setSpacing(1);
        column_->setContentsMargins(0, 0, 0, 0);
        column_->setAlignment(Qt::AlignTop | Qt::AlignLeft);
        entries_->addLayout(column_);
        inColumn_ = 0;
    }
    column_->addWidget(widget, 0, Qt::AlignLeft);
    ++inColumn_;
}

void RibbonGroup::AddSeparator() {
    column_ = nullptr;
    auto* line = new QFrame(this);
    line->setFrameShape(QFrame::VLine);
    line->setFrameShadow(QFrame::Sunken);
    entries_->addWidget(line);
    entryTexts_ << QStringLiteral("-");
}

QToolButton* RibbonGroup::SetDialogLauncher(QAction* action) {
    auto* button = new QToolButton(this);
    button->setObjectName(QStringLiteral("DialogLauncher"));
    button->setAutoRaise(true);
    button->setArrowType(Qt::NoArrow);
    button->setText(QStringLiteral("\u2198"));
    button->setToolTip(action->text());
    button->setFixedSize(14, 14);
    connect(button, &QToolButton::clicked, action, &QAction::trigger);
    connect(action, &QAction::changed, button,
            [button, action] { button->setEnabled(action->isEnabled()); });
    captionRow_->addWidget(button, 0, Qt::AlignRight | Qt::AlignVCenter);
    return button;
}

QStringList RibbonGroup::EntryTexts() const {
    return entryTexts_;
}
