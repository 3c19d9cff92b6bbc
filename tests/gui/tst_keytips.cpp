// Key tips: Alt shows one letter per entry of the shown tab, per tab and
// on the application button; that letter, or Alt with it, runs the entry.
// The badges cover nothing but their own entry and go when a command runs.
#include "GuiHarness.h"

#include "catalogue/TClients.h"
#include "ui/CheckedOutPanel.h"
#include "ui/OverviewCommands.h"
#include "ui/RibbonBar.h"
#include "ui/RibbonButton.h"
#include "ui/RibbonGroup.h"
#include "ui/VersionListWidget.h"

#include <QAbstractButton>
#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QTabBar>
#include <QTabWidget>
#include <QtTest>

namespace {

QWidget* KeyTarget(TMainForm* window) {
    return QApplication::focusWidget() ? QApplication::focusWidget() : window;
}

void PressAltAlone(TMainForm* window) {
    QTest::keyPress(KeyTarget(window), Qt::Key_Alt, Qt::AltModifier);
    QTest::keyRelease(KeyTarget(window), Qt::Key_Alt, Qt::NoModifier);
}

void PressLetter(TMainForm* window, const QString& letter, Qt::KeyboardModifiers modifiers = {}) {
    QTest::keyClick(KeyTarget(window), Qt::Key(Qt::Key_A + (letter[0].unicode() - u'A')),
                    modifiers);
}

// The ribbon's entry with that caption, and its tab.
QPair<QWidget*, int> EntryOf(RibbonBar* ribbon, const QString& caption) {
    for (int tab = 0; tab < ribbon->Tabs()->count(); ++tab) {
        for (RibbonGroup* group : ribbon->Groups(tab)) {
            for (QWidget* entry : group->KeyTipEntries()) {
                if (group->KeyTipCaption(entry).remove(u'&') == caption)
                    return {entry, tab};
            }
        }
    }
    return {nullptr, -1};
}

// Every rectangle on the ribbon a badge could cover, in window
// coordinates: buttons, combo boxes and tabs.
QList<QRect> Controls(TMainForm* window) {
    QList<QRect> rects;
    for (QWidget* widget : window->Ribbon()->findChildren<QWidget*>()) {
        if (!widget->isVisible() ||
            (!qobject_cast<QAbstractButton*>(widget) && !qobject_cast<QComboBox*>(widget)))
            continue;
        if (qobject_cast<QTabBar*>(widget->parentWidget()))
            continue; // the tab bar's scroll arrows
        rects << QRect(widget->mapTo(window, QPoint()), widget->size());
    }
    QTabBar* bar = window->Ribbon()->Tabs()->tabBar();
    for (int tab = 0; tab < bar->count(); ++tab)
        rects << QRect(bar->mapTo(window, bar->tabRect(tab).topLeft()), bar->tabRect(tab).size());
    return rects;
}

} // namespace

class TestKeyTips : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void oneLetterPerEntryAndTab();
    void letterRunsTheEntry_data();
    void letterRunsTheEntry();
    void badgesGo_data();
    void badgesGo();
    void badgesCoverOnlyTheirEntry_data();
    void badgesCoverOnlyTheirEntry();

private:
    std::unique_ptr<TestWorkspace> ws_;
    std::unique_ptr<GuiHarness> app_;
};

void TestKeyTips::init() {
    ws_ = std::make_unique<TestWorkspace>();
    GuiHarness::MakeVersion(ws_->Path() + QStringLiteral("Acme/Pump/version 1"), false, QString(),
                            QStringLiteral("jan"), QStringLiteral("x"));
    app_ = std::make_unique<GuiHarness>();
    app_->WriteSettings({QStringLiteral("[Project]"), QStringLiteral("Workspace=") + ws_->Path()});
    QVERIFY(app_->Start());
    app_->window->resize(1400, 1000);
    app_->window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(app_->window));
}

void TestKeyTips::cleanup() {
    app_.reset();
    ws_.reset();
}

void TestKeyTips::oneLetterPerEntryAndTab() {
    RibbonBar* ribbon = app_->window->Ribbon();
    QStringList tabTips;
    QSet<QString> onSomeTab{ribbon->KeyTip(ribbon->ApplicationButton())};
    QCOMPARE(ribbon->KeyTip(ribbon->ApplicationButton()), QStringLiteral("F"));
    for (int tab = 0; tab < ribbon->Tabs()->count(); ++tab) {
        QSet<QString> seen{QStringLiteral("F")};
        for (RibbonGroup* group : ribbon->Groups(tab)) {
            for (QWidget* entry : group->KeyTipEntries()) {
                const QString tip = ribbon->KeyTip(entry);
                const QString caption = group->KeyTipCaption(entry);
                QVERIFY2(tip.size() == 1, qPrintable(caption + QStringLiteral(": ") + tip));
                QVERIFY2(!seen.contains(tip), qPrintable(caption + QStringLiteral(": ") + tip));
                seen << tip;
                // The caption underlines the badge's letter, where it has it.
                if (auto* button = qobject_cast<RibbonButton*>(entry)) {
                    const QString shown = button->text();
                    if (caption.contains(tip, Qt::CaseInsensitive))
                        QCOMPARE(RibbonButton::AccessKeyOf(shown), tip);
                    else
                        QCOMPARE(RibbonButton::AccessKeyOf(shown), QString());
                }
            }
        }
        onSomeTab |= seen;
        tabTips << ribbon->TabKeyTip(tab);
    }
    // A tab's letter works on every tab: no entry anywhere has it.
    for (const QString& tip : tabTips) {
        QCOMPARE(tip.size(), 1);
        QVERIFY2(!onSomeTab.contains(tip), qPrintable(tip));
        QCOMPARE(tabTips.count(tip), 1);
    }
}

void TestKeyTips::letterRunsTheEntry_data() {
    QTest::addColumn<QString>("caption");
    QTest::addColumn<bool>("chord");
    // What shows that it ran.
    QTest::addColumn<QString>("ran");
    const auto row = [](const char* caption, bool chord, const char* ran) {
        QTest::addRow("%s, %s", caption, chord ? "Alt with the letter" : "Alt, then the letter")
            << QString::fromLatin1(caption) << chord << QString::fromLatin1(ran);
    };
    row("Kleine pictogrammen", false, "view 1");
    row("Lijst weergave", true, "view 2");
    row("New Client", false, "name: Client name dialog|Enter client name|");
    row("New Client", true, "name: Client name dialog|Enter client name|");
    row("New Project", false, "name: Project name dialog|Enter project name|");
    row("Editor", false, "focus");
    row("All Checked Out", false, "panel");
    row("All Checked Out", true, "panel");
}

void TestKeyTips::letterRunsTheEntry() {
    QFETCH(QString, caption);
    QFETCH(bool, chord);
    QFETCH(QString, ran);
    TMainForm* window = app_->window;
    RibbonBar* ribbon = window->Ribbon();
    VersionMngr->SetActiveItem(ProjectMngr->Clients()->ItemByName(QStringLiteral("Acme")));
    // The commands' states as when the program waits for input.
    window->ActionManager1Update();
    window->Overview()->UpdateEnabled();
    const auto [entry, tab] = EntryOf(ribbon, caption);
    QVERIFY(entry);
    const auto press = [&](const QString& letter) {
        if (chord) {
            PressLetter(window, letter, Qt::AltModifier);
            return;
        }
        if (!ribbon->KeyTipsShown())
            PressAltAlone(window);
        QVERIFY(ribbon->KeyTipsShown());
        PressLetter(window, letter);
    };
    // An entry of another tab: the tab's letter first; the badges stay.
    if (tab != ribbon->Tabs()->currentIndex()) {
        press(ribbon->TabKeyTip(tab));
        QCOMPARE(ribbon->Tabs()->currentIndex(), tab);
        QCOMPARE(ribbon->KeyTipsShown(), !chord);
    }
    press(ribbon->KeyTip(entry));
    QVERIFY(!ribbon->KeyTipsShown());

    if (ran.startsWith(QLatin1String("view ")))
        QCOMPARE(window->VersionList()->ViewStyle(), ran.back().digitValue());
    else if (ran == QLatin1String("focus"))
        QVERIFY(window->EditorCombo()->isAncestorOf(QApplication::focusWidget()) ||
                QApplication::focusWidget() == window->EditorCombo());
    else if (ran == QLatin1String("panel"))
        QTRY_VERIFY(window->Overview()->Panel()->isVisible());
    else
        QCOMPARE(app_->user.shown, QStringList{ran});
}

void TestKeyTips::badgesGo_data() {
    QTest::addColumn<QString>("how");
    QTest::newRow("Escape") << "escape";
    QTest::newRow("a click") << "click";
    QTest::newRow("another key") << "other key";
    QTest::newRow("Alt with a letter shows none") << "chord";
}

void TestKeyTips::badgesGo() {
    QFETCH(QString, how);
    TMainForm* window = app_->window;
    RibbonBar* ribbon = window->Ribbon();
    QWidget* grote = EntryOf(ribbon, QStringLiteral("Grote pictogrammen")).first;
    QVERIFY(grote);
    if (how == QLatin1String("chord")) {
        // Alt pressed, the letter, Alt let go: the command ran, no badges.
        window->Command(QStringLiteral("Action3"))->trigger();
        PressLetter(window, ribbon->KeyTip(grote), Qt::AltModifier);
        QCOMPARE(window->VersionList()->ViewStyle(), 0);
        QVERIFY(!ribbon->KeyTipsShown());
        return;
    }
    PressAltAlone(window);
    QVERIFY(ribbon->KeyTipsShown());
    QVERIFY(!ribbon->KeyTipBadges().isEmpty());
    QWidget* focus = QApplication::focusWidget();
    if (how == QLatin1String("escape")) {
        QTest::keyClick(KeyTarget(window), Qt::Key_Escape);
    } else if (how == QLatin1String("click")) {
        QTest::mouseClick(window->VersionList(), Qt::LeftButton);
    } else {
        QTest::keyClick(KeyTarget(window), Qt::Key_Down);
    }
    QVERIFY(!ribbon->KeyTipsShown());
    QCOMPARE(window->findChildren<QLabel*>(QStringLiteral("KeyTip")).size(), 0);
    // Escape only takes the badges away; it reaches nothing else.
    if (how == QLatin1String("escape"))
        QCOMPARE(QApplication::focusWidget(), focus);
}

void TestKeyTips::badgesCoverOnlyTheirEntry_data() {
    QTest::addColumn<QSize>("size");
    QTest::addColumn<int>("tab");
    QTest::newRow("1400 x 1000, first tab") << QSize(1400, 1000) << 0;
    QTest::newRow("1280 x 800, first tab") << QSize(1280, 800) << 0;
    QTest::newRow("1280 x 800, Overview") << QSize(1280, 800) << 1;
}

void TestKeyTips::badgesCoverOnlyTheirEntry() {
    QFETCH(QSize, size);
    QFETCH(int, tab);
    TMainForm* window = app_->window;
    window->resize(size);
    RibbonBar* ribbon = window->Ribbon();
    ribbon->Tabs()->setCurrentIndex(tab);
    QCoreApplication::processEvents();
    ribbon->ShowKeyTips(true);
    const QList<QLabel*> badges = ribbon->KeyTipBadges();
    QVERIFY(badges.size() >= 5);
    const QList<QRect> controls = Controls(window);
    for (QLabel* badge : badges) {
        const QRect rect = badge->geometry();
        QList<QRect> under;
        for (const QRect& control : controls) {
            if (control.intersects(rect))
                under << control;
        }
        // Within its own entry (a combo box's badge beside the box, within
        // its caption), and over no other.
        QVERIFY2(under.size() <= 1, qPrintable(badge->text()));
        if (!under.isEmpty())
            QVERIFY2(under[0].contains(rect), qPrintable(badge->text()));
        for (QLabel* other : badges) {
            if (other != badge)
                QVERIFY2(!other->geometry().intersects(rect), qPrintable(badge->text()));
        }
    }
}

QUORVEL_GUI_TEST_MAIN(TestKeyTips)
#include "tst_keytips.moc"
