#include "ui/RibbonBar.h"

#include "ui/ImageList.h"
#include "ui/RibbonApplicationMenu.h"
#include "ui/RibbonButton.h"
#include "ui/RibbonGroup.h"
#include "ui/UiFonts.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QSet>
#include <QStyle>
#include <QTabBar>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

namespace {

// What a badge may show: one letter or digit.
const QString BadgeLetters = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZ123456789");

// The letters caption offers its badge, best first: its access key, the
// first letters of its words, its other letters.
QStringList CaptionLetters(const QString& caption) {
    QStringList letters;
    const auto offer = [&letters](QChar c) {
        const QString letter(c.toUpper());
        if (BadgeLetters.contains(letter) && !letters.contains(letter))
            letters << letter;
    };
    const QString own = RibbonButton::AccessKeyOf(caption);
    if (!own.isEmpty())
        offer(own[0]);
    QString shown = caption;
    shown.remove(u'&');
    for (qsizetype i = 0; i < shown.size(); ++i) {
        if (i == 0 || shown[i - 1].isSpace() || shown[i - 1] == u'/')
            offer(shown[i]);
    }
    for (const QChar c : shown)
        offer(c);
    return letters;
}

// The caption's letters, then any other.
QStringList Candidates(const QString& caption) {
    QStringList letters = CaptionLetters(caption);
    for (const QChar c : BadgeLetters) {
        if (!letters.contains(QString(c)))
            letters << QString(c);
    }
    return letters;
}

QString FirstFree(const QStringList& candidates, const QSet<QString>& taken) {
    for (const QString& letter : candidates) {
        if (!taken.contains(letter))
            return letter;
    }
    return QString();
}

// Where a badge stands on rect: at the middle of its bottom for a large
// button or a tab, at the left of its middle for a small one, always
// within the rect so that it covers nothing else.
QPoint BadgePlace(const QRect& rect, const QSize& badge, bool atBottom) {
    QPoint place =
        atBottom ? QPoint(rect.center().x() - badge.width() / 2, rect.bottom() + 1 - badge.height())
                 : QPoint(rect.left() + 2, rect.center().y() - badge.height() / 2);
    place.setX(std::clamp(place.x(), rect.left(),
                          std::max(rect.left(), rect.right() + 1 - badge.width())));
    place.setY(std::clamp(place.y(), rect.top(),
                          std::max(rect.top(), rect.bottom() + 1 - badge.height())));
    return place;
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
    keyTips_.append({widget, keyTip.toUpper()});
}

QString RibbonBar::KeyTip(QWidget* widget) const {
    for (const auto& tips : {keyTips_, assignedTips_}) {
        for (const auto& [target, tip] : tips) {
            if (target == widget)
                return tip;
        }
    }
    return QString();
}

QString RibbonBar::TabKeyTip(int tab) const {
    return tabTips_.value(tab);
}

void RibbonBar::AssignKeyTips() {
    assignedTips_.clear();
    QSet<QString> reserved;
    for (const auto& [widget, tip] : keyTips_)
        reserved << tip;
    // A tab whose caption marks a letter keeps it: Qt shows that tab on
    // Alt with the letter, whichever tab shows.
    tabTips_ = QStringList(tabs_->count(), QString());
    for (int tab = 0; tab < tabs_->count(); ++tab) {
        const QString own = RibbonButton::AccessKeyOf(tabs_->tabText(tab));
        if (!own.isEmpty() && !reserved.contains(own)) {
            tabTips_[tab] = own;
            reserved << own;
        }
    }
    // Each tab's entries share no letter. An entry keeps its caption's own
    // letter where no entry before it took it; the others take the best
    // letter left.
    QSet<QString> usedOnSomeTab = reserved;
    for (int tab = 0; tab < tabs_->count(); ++tab) {
        QList<QPair<RibbonGroup*, QWidget*>> entries;
        for (RibbonGroup* group : Groups(tab)) {
            for (QWidget* entry : group->KeyTipEntries())
                entries.append({group, entry});
        }
        QSet<QString> taken = reserved;
        QStringList letters(entries.size(), QString());
        for (qsizetype i = 0; i < entries.size(); ++i) {
            const QString own =
                RibbonButton::AccessKeyOf(entries[i].first->KeyTipCaption(entries[i].second));
            if (!own.isEmpty() && !taken.contains(own)) {
                letters[i] = own;
                taken << own;
            }
        }
        // The entry with the fewest letters of its caption left chooses
        // first, so that as many as can show a letter of their own.
        for (;;) {
            qsizetype next = -1;
            qsizetype fewest = 0;
            for (qsizetype i = 0; i < entries.size(); ++i) {
                if (!letters[i].isEmpty())
                    continue;
                qsizetype left = 0;
                for (const QString& letter :
                     CaptionLetters(entries[i].first->KeyTipCaption(entries[i].second)))
                    left += taken.contains(letter) ? 0 : 1;
                if (next < 0 || left < fewest) {
                    next = i;
                    fewest = left;
                }
            }
            if (next < 0)
                break;
            letters[next] = FirstFree(
                Candidates(entries[next].first->KeyTipCaption(entries[next].second)), taken);
            taken << letters[next];
        }
        for (qsizetype i = 0; i < entries.size(); ++i) {
            entries[i].first->ShowAccessKey(entries[i].second, letters[i]);
            assignedTips_.append({entries[i].second, letters[i]});
        }
        usedOnSomeTab |= taken;
    }
    // A tab without a letter of its own takes one that no tab's entry has.
    for (int tab = 0; tab < tabs_->count(); ++tab) {
        if (!tabTips_[tab].isEmpty())
            continue;
        tabTips_[tab] = FirstFree(Candidates(tabs_->tabText(tab)), usedOnSomeTab);
        usedOnSomeTab << tabTips_[tab];
    }
}

void RibbonBar::ShowKeyTips(bool show) {
    for (const QPointer<QLabel>& badge : badges_)
        delete badge.data();
    badges_.clear();
    if (!show || !isVisible())
        return;
    // Entries added since the last time get their letters too.
    AssignKeyTips();
    QWidget* top = window();
    const auto addBadge = [this, top](const QString& tip, const QRect& onRect, bool atBottom) {
        if (tip.isEmpty())
            return;
        auto* badge = new QLabel(tip, top);
        badge->setObjectName(QStringLiteral("KeyTip"));
        badge->setStyleSheet(
            QStringLiteral("QLabel { background: #fdf7d9; color: black; border: 1px solid #767676;"
                           " padding: 0px 2px; }"));
        badge->setFont(font());
        badge->setAlignment(Qt::AlignCenter);
        badge->adjustSize();
        badge->move(BadgePlace(onRect, badge->size(), atBottom));
        badge->show();
        badge->raise();
        badges_ << badge;
    };
    const auto rectIn = [top](const QWidget* widget) {
        return QRect(widget->mapTo(top, QPoint(0, 0)), widget->size());
    };
    if (applicationButton_->isVisible())
        addBadge(KeyTip(applicationButton_), rectIn(applicationButton_), true);
    QTabBar* bar = tabs_->tabBar();
    for (int tab = 0; tab < tabs_->count(); ++tab) {
        const QRect onBar = bar->tabRect(tab);
        addBadge(TabKeyTip(tab), QRect(bar->mapTo(top, onBar.topLeft()), onBar.size()), true);
    }
    // Only the shown tab's entries are visible, and only they get a badge.
    for (RibbonGroup* group : Groups(tabs_->currentIndex())) {
        for (QWidget* entry : group->KeyTipEntries()) {
            if (!entry->isVisible())
                continue;
            const auto* button = qobject_cast<QToolButton*>(entry);
            const bool large = button && button->toolButtonStyle() == Qt::ToolButtonTextUnderIcon;
            // A combo box's badge stands on the box, as a small button's.
            const QWidget* target = button ? entry : RibbonGroup::KeyTipTarget(entry);
            if (target)
                addBadge(KeyTip(entry), rectIn(target), large);
        }
    }
}

QList<QLabel*> RibbonBar::KeyTipBadges() const {
    QList<QLabel*> shown;
    for (const QPointer<QLabel>& badge : badges_) {
        if (badge)
            shown << badge.data();
    }
    return shown;
}

bool RibbonBar::RunKeyTip(const QString& letter) {
    if (letter.isEmpty())
        return false;
    if (KeyTip(applicationButton_) == letter) {
        ShowKeyTips(false);
        applicationButton_->click();
        return true;
    }
    for (int tab = 0; tab < tabs_->count(); ++tab) {
        if (TabKeyTip(tab) != letter)
            continue;
        // The badges follow to the tab's own entries.
        const bool shown = KeyTipsShown();
        tabs_->setCurrentIndex(tab);
        if (shown)
            ShowKeyTips(true);
        return true;
    }
    for (RibbonGroup* group : Groups(tabs_->currentIndex())) {
        for (QWidget* entry : group->KeyTipEntries()) {
            if (KeyTip(entry) != letter)
                continue;
            QWidget* target = RibbonGroup::KeyTipTarget(entry);
            if (!target || !target->isEnabled())
                return true;
            ShowKeyTips(false);
            if (auto* button = qobject_cast<QAbstractButton*>(target))
                button->click();
            else
                target->setFocus(Qt::ShortcutFocusReason);
            return true;
        }
    }
    return false;
}

QString RibbonBar::LetterOf(const QKeyEvent* key) {
    const int code = key->key();
    if (code >= Qt::Key_A && code <= Qt::Key_Z)
        return QString(QChar(u'A' + (code - Qt::Key_A)));
    if (code >= Qt::Key_1 && code <= Qt::Key_9)
        return QString(QChar(u'1' + (code - Qt::Key_1)));
    return QString();
}

bool RibbonBar::HandleKey(QKeyEvent* key) {
    const Qt::KeyboardModifiers modifiers =
        key->modifiers() & ~(Qt::KeypadModifier | Qt::ShiftModifier);
    const QString letter = LetterOf(key);
    if (KeyTipsShown()) {
        if (key->key() == Qt::Key_Escape) {
            ShowKeyTips(false);
            return true;
        }
        // A letter on no badge changes nothing; any other key ends the tips.
        if (!letter.isEmpty() && (modifiers == Qt::NoModifier || modifiers == Qt::AltModifier)) {
            RunKeyTip(letter);
            return true;
        }
        ShowKeyTips(false);
        return false;
    }
    if (modifiers == Qt::AltModifier && !letter.isEmpty())
        return RunKeyTip(letter);
    return false;
}

void RibbonBar::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    AssignKeyTips();
}

bool RibbonBar::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::ShortcutOverride:
    case QEvent::KeyPress:
    case QEvent::KeyRelease: {
        // Only the ribbon's own window, seen once: at the widget the key
        // goes to first.
        auto* widget = qobject_cast<QWidget*>(watched);
        QWidget* first = QApplication::focusWidget() ? QApplication::focusWidget() : window();
        if (widget != first || widget->window() != window())
            break;
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Alt) {
            // Alt pressed and let go alone shows or hides the badges.
            if (key->isAutoRepeat())
                break;
            if (event->type() == QEvent::KeyPress)
                altAlone_ = true;
            else if (event->type() == QEvent::KeyRelease && altAlone_) {
                altAlone_ = false;
                ShowKeyTips(!KeyTipsShown());
            }
            break;
        }
        if (event->type() == QEvent::KeyRelease)
            break;
        // Alt with a letter that a shortcut took comes only as an override.
        altAlone_ = false;
        if (event->type() == QEvent::KeyPress)
            return HandleKey(key);
        // The badges' keys, and Alt with a badge's letter, go to the ribbon
        // rather than to a shortcut.
        const Qt::KeyboardModifiers modifiers =
            key->modifiers() & ~(Qt::KeypadModifier | Qt::ShiftModifier);
        const QString letter = LetterOf(key);
        const bool forBadges =
            KeyTipsShown() &&
            (key->key() == Qt::Key_Escape ||
             (!letter.isEmpty() && (modifiers == Qt::NoModifier || modifiers == Qt::AltModifier)));
        if (forBadges || (modifiers == Qt::AltModifier && HasKeyTip(letter))) {
            event->accept();
            return true;
        }
        if (KeyTipsShown())
            ShowKeyTips(false);
        break;
    }
    case QEvent::MouseButtonPress:
        if (KeyTipsShown())
            ShowKeyTips(false);
        break;
    case QEvent::WindowDeactivate:
        if (watched == window() && KeyTipsShown())
            ShowKeyTips(false);
        break;
    default:
        break;
    }
    return QWidget::eventFilter(watched, event);
}

bool RibbonBar::HasKeyTip(const QString& letter) const {
    if (letter.isEmpty())
        return false;
    if (KeyTip(applicationButton_) == letter || tabTips_.contains(letter))
        return true;
    for (RibbonGroup* group : Groups(tabs_->currentIndex())) {
        for (QWidget* entry : group->KeyTipEntries()) {
            if (KeyTip(entry) == letter)
                return true;
        }
    }
    return false;
}
