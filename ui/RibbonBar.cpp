#include "ui/RibbonBar.h"

#include "ui/ImageList.h"
#include "ui/RibbonApplicationMenu.h"
#include "ui/RibbonGroup.h"
#include "ui/UiFonts.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QShortcut>
#include <QStyle>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

// The letter after the ampersand of a caption, or empty text.
QString AccessKey(const QString& caption) {
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

} // namespace

RibbonBar::RibbonBar(const QString& tabCaption, QWidget* parent)
    : QWidget(parent), tabs_(new QTabWidget(this)), page_(new QHBoxLayout),
      applicationMenu_(new RibbonApplicationMenu(this)), applicationButton_(new QToolButton),
      helpButton_(new QToolButton) {
    setObjectName(QStringLiteral("Ribbon1"));
    setFont(UiFonts::ArialNarrow(8));
    setFixedHeight(143);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(tabs_);

    applicationButton_->setObjectName(QStringLiteral("ApplicationMenuButton"));
    applicationButton_->setIcon(
        QIcon(ImageList::Render(QStringLiteral(":/icons/quorvel.svg"), 32)));
    applicationButton_->setIconSize(QSize(22, 22));
    applicationButton_->setAutoRaise(true);
    applicationButton_->setToolTip(QStringLiteral("Application menu"));
    connect(applicationButton_, &QToolButton::clicked, this,
            [this] { applicationMenu_->Popup(applicationButton_); });
    SetKeyTip(applicationButton_, QStringLiteral("F"));
    auto* openMenu = new QShortcut(QKeySequence(QStringLiteral("Alt+F")), this);
    openMenu->setContext(Qt::WindowShortcut);
    connect(openMenu, &QShortcut::activated, applicationButton_, &QToolButton::click);
    tabs_->setCornerWidget(applicationButton_, Qt::TopLeftCorner);

    helpButton_->setObjectName(QStringLiteral("HelpButton"));
    helpButton_->setIcon(style()->standardIcon(QStyle::SP_TitleBarContextHelpButton));
    helpButton_->setAutoRaise(true);
    helpButton_->setToolTip(QStringLiteral("Help"));
    connect(helpButton_, &QToolButton::clicked, this, &RibbonBar::helpClicked);
    tabs_->setCornerWidget(helpButton_, Qt::TopRightCorner);

    auto* page = new QWidget;
    page_->setContentsMargins(2, 2, 2, 2);
    page_->setSpacing(3);
    page_->addStretch(1);
    page->setLayout(page_);
    tabs_->addTab(page, tabCaption);

    qApp->installEventFilter(this);
}

QString RibbonBar::TabCaption() const {
    return tabs_->tabText(0);
}

RibbonGroup* RibbonBar::AddGroup(const QString& caption) {
    auto* group = new RibbonGroup(caption);
    // Before the stretch that keeps the groups to the left.
    page_->insertWidget(page_->count() - 1, group);
    groups_ << group;
    return group;
}

int RibbonBar::AddTab(const QString& caption) {
    auto* row = new QHBoxLayout;
    row->setContentsMargins(2, 2, 2, 2);
    row->setSpacing(3);
    row->addStretch(1);
    auto* page = new QWidget;
    page->setLayout(row);
    laterPages_ << row;
    laterGroups_ << QList<RibbonGroup*>();
    return tabs_->addTab(page, caption);
}

RibbonGroup* RibbonBar::AddGroup(int tab, const QString& caption) {
    if (tab == 0)
        return AddGroup(caption);
    auto* group = new RibbonGroup(caption);
    QHBoxLayout* row = laterPages_[tab - 1];
    row->insertWidget(row->count() - 1, group);
    laterGroups_[tab - 1] << group;
    return group;
}

QList<RibbonGroup*> RibbonBar::Groups(int tab) const {
    return tab == 0 ? groups_ : laterGroups_.value(tab - 1);
}

RibbonBar::~RibbonBar() {
    qApp->removeEventFilter(this);
}

void RibbonBar::SetKeyTip(QWidget* widget, const QString& keyTip) {
    keyTips_.append({widget, keyTip});
}

QString RibbonBar::KeyTip(QWidget* widget) const {
    for (const auto& [target, tip] : keyTips_) {
        if (target == widget)
            return tip;
    }
    if (auto* button = qobject_cast<QToolButton*>(widget))
        return AccessKey(button->text());
    return QString();
}

void RibbonBar::ShowKeyTips(bool show) {
    for (const QPointer<QLabel>& badge : badges_)
        delete badge.data();
    badges_.clear();
    if (!show || !isVisible())
        return;
    QList<QWidget*> targets{applicationButton_};
    // Only the shown tab's buttons are visible, and only they get a badge.
    for (int tab = 0; tab < tabs_->count(); ++tab) {
        for (RibbonGroup* group : Groups(tab)) {
            for (QToolButton* button : group->findChildren<QToolButton*>())
                targets << button;
        }
    }
    for (QWidget* target : targets) {
        const QString tip = KeyTip(target);
        if (tip.isEmpty() || !target->isVisible())
            continue;
        auto* badge = new QLabel(tip, window());
        badge->setObjectName(QStringLiteral("KeyTip"));
        badge->setStyleSheet(
            QStringLiteral("QLabel { background: #fdf7d9; color: black; border: 1px solid #767676;"
                           " padding: 0px 2px; }"));
        badge->setFont(font());
        badge->adjustSize();
        const QPoint bottom =
            target->mapTo(window(), QPoint(target->width() / 2, target->height()));
        badge->move(bottom.x() - badge->width() / 2, bottom.y() - badge->height() / 2);
        badge->show();
        badge->raise();
        badges_ << badge;
    }
}

bool RibbonBar::eventFilter(QObject* watched, QEvent* event) {
    // Only the ribbon's own window; Alt pressed and let go alone toggles.
    if (event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease) {
        // Seen once, at the widget the key goes to first.
        auto* widget = qobject_cast<QWidget*>(watched);
        QWidget* first = QApplication::focusWidget() ? QApplication::focusWidget() : window();
        if (widget == first && widget->window() == window()) {
            auto* key = static_cast<QKeyEvent*>(event);
            if (event->type() == QEvent::KeyPress) {
                if (key->key() == Qt::Key_Alt && !key->isAutoRepeat()) {
                    altAlone_ = true;
                } else {
                    altAlone_ = false;
                    if (KeyTipsShown())
                        ShowKeyTips(false);
                }
            } else if (key->key() == Qt::Key_Alt && altAlone_ && !key->isAutoRepeat()) {
                altAlone_ = false;
                ShowKeyTips(!KeyTipsShown());
            }
        }
    } else if (event->type() == QEvent::MouseButtonPress && KeyTipsShown()) {
        ShowKeyTips(false);
    }
    return QWidget::eventFilter(watched, event);
}
