#include "ui/RibbonApplicationMenu.h"

#include <QAction>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

RibbonApplicationMenu::RibbonApplicationMenu(QWidget* parent)
    : QFrame(parent, Qt::Popup), entries_(new QVBoxLayout), recentLayout_(new QVBoxLayout) {
    setObjectName(QStringLiteral("ApplicationMenu"));
    setFrameStyle(QFrame::Panel | QFrame::Raised);
    setAutoFillBackground(true);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    entries_->setSpacing(1);
    entries_->setAlignment(Qt::AlignTop);
    layout->addLayout(entries_);
    auto* line = new QFrame(this);
    line->setFrameShape(QFrame::VLine);
    line->setFrameShadow(QFrame::Sunken);
    layout->addWidget(line);
    auto* recent = new QVBoxLayout;
    recent->setAlignment(Qt::AlignTop);
    auto* title = new QLabel(QStringLiteral("Recent workspaces"), this);
    QFont bold = title->font();
    bold.setBold(true);
    title->setFont(bold);
    recent->addWidget(title);
    auto* titleLine = new QFrame(this);
    titleLine->setFrameShape(QFrame::HLine);
    titleLine->setFrameShadow(QFrame::Sunken);
    recent->addWidget(titleLine);
    recentLayout_->setSpacing(0);
    recent->addLayout(recentLayout_);
    recent->addStretch(1);
    layout->addLayout(recent, 1);
    setMinimumSize(420, 220);
}

QToolButton* RibbonApplicationMenu::AddEntry(QAction* action, bool large) {
    // Not bound with setDefaultAction: the menu must close before the
    // command opens a dialog of its own.
    auto* button = new QToolButton(this);
    button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    button->setAutoRaise(true);
    button->setIconSize(large ? QSize(32, 32) : QSize(16, 16));
    button->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    button->setMinimumWidth(150);
    const auto sync = [button, action] {
        button->setText(action->iconText());
        button->setIcon(action->icon());
        button->setEnabled(action->isEnabled());
        button->setToolTip(action->text());
    };
    sync();
    connect(action, &QAction::changed, button, sync);
    connect(button, &QToolButton::clicked, this, [this, action] {
        hide();
        QTimer::singleShot(0, action, &QAction::trigger);
    });
    entries_->addWidget(button);
    entryTexts_ << action->iconText();
    return button;
}

void RibbonApplicationMenu::AddSeparator() {
    auto* line = new QFrame(this);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    entries_->addWidget(line);
    entryTexts_ << QStringLiteral("-");
}

void RibbonApplicationMenu::AddRecentItem(const QString& fileName) {
    const qsizetype existing = recent_.indexOf(fileName);
    if (existing >= 0)
        recent_.removeAt(existing);
    recent_.prepend(fileName);
    RebuildRecentButtons();
}

void RibbonApplicationMenu::RebuildRecentButtons() {
    qDeleteAll(recentButtons_);
    recentButtons_.clear();
    for (int i = 0; i < recent_.size(); ++i) {
        auto* button = new QPushButton(this);
        button->setFlat(true);
        button->setStyleSheet(
            QStringLiteral("QPushButton { text-align: left; padding: 3px 6px; border: none; }"
                           " QPushButton:hover { background: #d8e4f5; }"));
        button->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
        // A path is no mnemonic.
        button->setText(QString(recent_[i]).replace(u'&', QStringLiteral("&&")));
        button->setToolTip(recent_[i]);
        button->setEnabled(recentEnabled_);
        connect(button, &QPushButton::clicked, this, [this, i] { ClickRecentItem(i); });
        recentLayout_->addWidget(button);
        recentButtons_ << button;
    }
    MarkCurrent();
}

void RibbonApplicationMenu::SetCurrentItem(const QString& fileName) {
    current_ = fileName;
    MarkCurrent();
}

QString RibbonApplicationMenu::CurrentItem() const {
    return recent_.contains(current_) ? current_ : QString();
}

void RibbonApplicationMenu::MarkCurrent() {
    for (int i = 0; i < recentButtons_.size(); ++i) {
        QFont font = recentButtons_[i]->font();
        font.setBold(recent_[i] == current_);
        recentButtons_[i]->setFont(font);
    }
}

void RibbonApplicationMenu::ClickRecentItem(int index) {
    if (index < 0 || index >= recent_.size() || !recentEnabled_)
        return;
    hide();
    const QString fileName = recent_[index];
    QTimer::singleShot(0, this,
                       [this, fileName, index] { emit recentItemClicked(fileName, index); });
}

void RibbonApplicationMenu::SetRecentEnabled(bool enabled) {
    if (enabled == recentEnabled_)
        return;
    recentEnabled_ = enabled;
    for (QPushButton* button : recentButtons_)
        button->setEnabled(enabled);
}

void RibbonApplicationMenu::Popup(QWidget* anchor) {
    adjustSize();
    move(anchor->mapToGlobal(QPoint(0, anchor->height())));
    show();
}
