#include "ui/RibbonGroup.h"

#include "ui/RibbonButton.h"

#include <QAbstractButton>
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
    auto* button = new RibbonButton(action, true, this);
    entries_->addWidget(button);
    entryTexts_ << action->iconText();
    keyTipEntries_ << KeyTipEntry{button, action->iconText()};
    return button;
}

QToolButton* RibbonGroup::AddSmallButton(QAction* action) {
    auto* button = new RibbonButton(action, false, this);
    PlaceSmall(button);
    entryTexts_ << action->iconText();
    keyTipEntries_ << KeyTipEntry{button, action->iconText()};
    return button;
}

void RibbonGroup::AddSmallWidget(QWidget* widget) {
    PlaceSmall(widget);
    // A command's default widget starts hidden.
    widget->show();
    auto* combo = widget->findChild<QComboBox*>();
    entryTexts_ << (combo ? combo->objectName() : widget->objectName());
    if (const QLabel* label = CaptionOf(widget))
        keyTipEntries_ << KeyTipEntry{widget, label->text()};
}

QList<QWidget*> RibbonGroup::KeyTipEntries() const {
    QList<QWidget*> widgets;
    for (const KeyTipEntry& entry : keyTipEntries_)
        widgets << entry.widget;
    return widgets;
}

QString RibbonGroup::KeyTipCaption(QWidget* entry) const {
    for (const KeyTipEntry& known : keyTipEntries_) {
        if (known.widget == entry)
            return known.caption;
    }
    return QString();
}

void RibbonGroup::ShowAccessKey(QWidget* entry, const QString& letter) {
    if (auto* button = qobject_cast<RibbonButton*>(entry)) {
        button->SetAccessKey(letter);
    } else if (QLabel* label = CaptionOf(entry)) {
        label->setText(RibbonButton::WithAccessKey(KeyTipCaption(entry), letter));
    }
}

QWidget* RibbonGroup::KeyTipTarget(QWidget* entry) {
    if (qobject_cast<QAbstractButton*>(entry))
        return entry;
    const QLabel* label = CaptionOf(entry);
    return label ? label->buddy() : nullptr;
}

QLabel* RibbonGroup::CaptionOf(QWidget* widget) {
    for (QLabel* label : widget->findChildren<QLabel*>()) {
        if (label->buddy())
            return label;
    }
    return nullptr;
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
