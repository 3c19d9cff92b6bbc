// Every view shows what is so now: the details, the editor box, the recent
// box and the list follow each change at once; a rebuild and the tree's
// filter leave the tree as the user had it; an empty workspace says how
// to start.
#include "GuiHarness.h"

#include "catalogue/TClients.h"
#include "catalogue/TProject.h"
#include "catalogue/TVersion.h"
#include "catalogue/TVersionCollection.h"
#include "ui/CatalogueTree.h"
#include "ui/TreeFilterField.h"
#include "ui/TreeNode.h"
#include "ui/VersionListWidget.h"

#include <QAction>
#include <QComboBox>
#include <QMenu>
#include <QScrollArea>
#include <QScrollBar>
#include <QTextEdit>
#include <QtTest>

namespace {

TVersionItem* ItemAt(const QString& path) {
    TVersionCollection* level = ProjectMngr->Clients();
    TVersionItem* item = nullptr;
    for (const QString& name : path.split(u'/')) {
        item = level ? level->ItemByName(name) : nullptr;
        level = item ? item->VersionCollection() : nullptr;
    }
    return item;
}

QString PathOf(const TVersionItem* item) {
    if (!item)
        return QString();
    const TVersionItem* parent = item->ParentItem();
    return parent ? PathOf(parent) + u'/' + item->Name() : item->Name();
}

QStringList Sorted(QStringList list) {
    list.sort();
    return list;
}

} // namespace

class TestViewsFollow : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void viewsShowWhatIsSoNow_data();
    void viewsShowWhatIsSoNow();
    void rebuildKeepsTheTree_data();
    void rebuildKeepsTheTree();
    void filterGivesBackTheTree();
    void emptyWorkspaceSaysHowToStart();

private:
    void Start(const QStringList& extraSettings = QStringList());
    void ClickNode(const QString& path);
    void ClickVersion(const QString& path);
    QString Details() const { return app_->window->Details()->toPlainText(); }

    std::unique_ptr<TestWorkspace> ws_;
    std::unique_ptr<GuiHarness> app_;
    QString editor_;
};

void TestViewsFollow::init() {
    ws_ = std::make_unique<TestWorkspace>();
    const QString fleet = ws_->Path() + QStringLiteral("Acme Shipping/Fleet Renewal/");
    GuiHarness::MakeVersion(fleet + QStringLiteral("version 1"), false, QString(),
                            QStringLiteral("jan"), QStringLiteral("01-02-2024 10:00:00"));
    // Enough versions that the large icons need scrolling.
    for (int n = 2; n <= 40; ++n) {
        GuiHarness::MakeVersion(fleet + QStringLiteral("Version %1").arg(n), false,
                                QStringLiteral("version 1"), QStringLiteral("jan"),
                                QStringLiteral("02-02-2024 10:00:00"));
    }
    GuiHarness::MakeVersion(fleet + QStringLiteral("Version 41"), true,
                            QStringLiteral("Version 40"), QStringLiteral("jan"),
                            QStringLiteral("03-02-2024 10:00:00"));
    for (const char* other : {"Acme Shipping/Harbour/version 1", "Cobalt and Sons/Web/version 1",
                              "Cobalt and Sons/Print/version 1", "Dune/Site/version 1"}) {
        GuiHarness::MakeVersion(ws_->Path() + QLatin1String(other), false, QString(),
                                QStringLiteral("jan"), QStringLiteral("01-02-2024 10:00:00"));
    }
    // An editor that ends at once.
    editor_ = ws_->CreateFile(QStringLiteral("bin/viewer"), "#!/bin/sh\nexit 0\n");
    QFile::setPermissions(editor_, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    app_ = std::make_unique<GuiHarness>();
}

void TestViewsFollow::cleanup() {
    app_.reset();
    ws_.reset();
}

void TestViewsFollow::Start(const QStringList& extraSettings) {
    app_->WriteSettings(
        QStringList{QStringLiteral("[Project]"), QStringLiteral("Workspace=") + ws_->Path()} +
        extraSettings);
    QVERIFY(app_->Start());
    app_->window->resize(1061, 828);
}

void TestViewsFollow::ClickNode(const QString& path) {
    TVersionItem* item = ItemAt(path);
    QVERIFY2(item, qPrintable(path));
    app_->window->Tree()->setCurrentItem(static_cast<TreeNode*>(item->GetTreeNode()));
    QCOMPARE(VersionMngr->ActiveItem(), item);
}

void TestViewsFollow::ClickVersion(const QString& path) {
    auto* version = dynamic_cast<TVersion*>(ItemAt(path));
    QVERIFY2(version, qPrintable(path));
    if (VersionMngr->InstalledProject() != version->ParentItem())
        ClickNode(path.section(u'/', 0, 1));
    app_->window->VersionList()->SelectRow(version->ListItem());
    QCOMPARE(VersionMngr->ActiveItem(), version);
}

void TestViewsFollow::viewsShowWhatIsSoNow_data() {
    QTest::addColumn<QString>("view");
    QTest::newRow("details after another project is listed") << "details";
    QTest::newRow("details stay while the same project is") << "details kept";
    QTest::newRow("Edit With right after Open in Editor") << "open in editor";
    QTest::newRow("Edit With right after Open In") << "open in menu";
    QTest::newRow("Editor box after Add Editor") << "add editor";
    QTest::newRow("Open Recent box names the open workspace") << "recent";
    QTest::newRow("another project's list starts at its top") << "scroll";
}

void TestViewsFollow::viewsShowWhatIsSoNow() {
    QFETCH(QString, view);
    app_->WriteEditorRegistry({QStringLiteral("[Viewer]"), QStringLiteral("Path=") + editor_});
    const QString other = ws_->CreateDir(QStringLiteral("other"));
    Start({QStringLiteral("[Recent opened]"), QStringLiteral("Items=2"),
           QStringLiteral("Item 0=") + other, QStringLiteral("Item 1=") + ws_->Path()});
    GuiHarness& app = *app_;
    const QString fleet = QStringLiteral("Acme Shipping/Fleet Renewal/");

    if (view == QLatin1String("details")) {
        ClickVersion(fleet + QStringLiteral("Version 2"));
        QVERIFY(Details().startsWith(QStringLiteral("Version 2\n")));
        ClickNode(QStringLiteral("Acme Shipping/Harbour"));
        QCOMPARE(Details(), QString());
    } else if (view == QLatin1String("details kept")) {
        ClickVersion(fleet + QStringLiteral("Version 2"));
        ClickNode(QStringLiteral("Cobalt and Sons"));
        ClickNode(QStringLiteral("Acme Shipping/Fleet Renewal"));
        QVERIFY(Details().startsWith(QStringLiteral("Version 2\n")));
    } else if (view == QLatin1String("open in editor") || view == QLatin1String("open in menu")) {
        ClickVersion(fleet + QStringLiteral("Version 41"));
        QVERIFY(Details().contains(QStringLiteral("Edit With:\t\n")));
        if (view == QLatin1String("open in editor")) {
            app.window->EditorCombo()->setEditText(QStringLiteral("viewer"));
            app.window->ActionManager1Update();
            app.window->Command(QStringLiteral("EditAction"))->trigger();
        } else {
            app.window->OpenInMenu()->actions().first()->trigger();
        }
        QVERIFY2(Details().contains(QStringLiteral("Edit With:\t") + editor_ + u'\n'),
                 qPrintable(Details()));
    } else if (view == QLatin1String("add editor")) {
        ClickVersion(fleet + QStringLiteral("Version 41"));
        QCOMPARE(app.window->EditorCombo()->currentText(), QString());
        app.user.QueueOpenFile(editor_);
        app.user.QueueName(QStringLiteral("Second viewer"));
        app.window->Command(QStringLiteral("SelectApplicationAction"))->trigger();
        QCOMPARE(app.window->EditorCombo()->currentText(), QStringLiteral("Second viewer"));
        app.window->ActionManager1Update();
        QVERIFY(app.window->Command(QStringLiteral("EditAction"))->isEnabled());
    } else if (view == QLatin1String("recent")) {
        QComboBox* recent = app.window->RecentCombo();
        QCOMPARE(recent->currentText(), ws_->Path());
        recent->setCurrentIndex(0);
        emit recent->textActivated(recent->currentText());
        QTRY_COMPARE(ProjectMngr->WorkSpace(), other);
        QCOMPARE(recent->currentText(), other);
    } else if (view == QLatin1String("scroll")) {
        app.window->show();
        ClickVersion(fleet + QStringLiteral("version 1"));
        auto* page = app.window->VersionList()->findChild<QScrollArea*>();
        QVERIFY(page);
        QTRY_VERIFY(page->verticalScrollBar()->maximum() > 0);
        page->verticalScrollBar()->setValue(page->verticalScrollBar()->maximum());
        ClickNode(QStringLiteral("Acme Shipping/Harbour"));
        QCOMPARE(page->verticalScrollBar()->value(), 0);
    }
    QVERIFY(!app.user.ranOutOfAnswers);
}

void TestViewsFollow::rebuildKeepsTheTree_data() {
    QTest::addColumn<QStringList>("open");
    QTest::addColumn<QString>("active");
    QTest::addColumn<QString>("gone");
    QTest::addColumn<QString>("listed");
    QTest::addColumn<QString>("activeAfter");
    const QString fleet = QStringLiteral("Acme Shipping/Fleet Renewal");
    QTest::newRow("a version chosen")
        << QStringList{"Acme Shipping", "Dune"} << fleet + "/Version 7" << QString() << fleet
        << fleet + "/Version 7";
    QTest::newRow("a client chosen beside the listed project")
        << QStringList{"Cobalt and Sons"} << "Cobalt and Sons" << QString() << fleet
        << "Cobalt and Sons";
    QTest::newRow("the chosen version went") << QStringList{"Acme Shipping"} << fleet + "/Version 7"
                                             << fleet + "/Version 7" << fleet << fleet;
    QTest::newRow("the listed project went")
        << QStringList{"Acme Shipping", "Cobalt and Sons"} << fleet + "/Version 7" << fleet
        << QString() << QString();
}

void TestViewsFollow::rebuildKeepsTheTree() {
    QFETCH(QStringList, open);
    QFETCH(QString, active);
    QFETCH(QString, gone);
    QFETCH(QString, listed);
    QFETCH(QString, activeAfter);
    Start();
    CatalogueTree* tree = app_->window->Tree();
    ClickVersion(QStringLiteral("Acme Shipping/Fleet Renewal/Version 7"));
    if (ItemAt(active) != VersionMngr->ActiveItem())
        ClickNode(active);
    for (int i = 0; i < tree->topLevelItemCount(); ++i)
        tree->topLevelItem(i)->setExpanded(open.contains(tree->topLevelItem(i)->text(0)));
    if (!gone.isEmpty())
        QVERIFY(QDir(ws_->Path() + gone).removeRecursively());

    app_->window->ActionManager1Update();
    app_->window->Command(QStringLiteral("RefreshWorkspaceAction"))->trigger();

    QCOMPARE(Sorted(tree->ExpandedClients().values()), open);
    QCOMPARE(PathOf(VersionMngr->InstalledProject()), listed);
    QCOMPARE(PathOf(VersionMngr->ActiveItem()), activeAfter);
    if (auto* version = dynamic_cast<TVersion*>(VersionMngr->ActiveItem())) {
        QCOMPARE(app_->window->VersionList()->SelectedVersion(), version);
        QVERIFY(Details().startsWith(version->Name() + u'\n'));
    }
    const TreeNode* highlighted = tree->SelectedNode();
    QCOMPARE(PathOf(highlighted ? highlighted->Item() : nullptr), activeAfter.section(u'/', 0, 1));
}

void TestViewsFollow::filterGivesBackTheTree() {
    Start();
    CatalogueTree* tree = app_->window->Tree();
    auto* filter = app_->window->findChild<TreeFilterField*>();
    QVERIFY(filter);
    for (int i = 0; i < tree->topLevelItemCount(); ++i)
        tree->topLevelItem(i)->setExpanded(tree->topLevelItem(i)->text(0) == QLatin1String("Dune"));

    // The filter opens the client of a project it finds; emptied, it
    // leaves the tree opened as before.
    filter->setText(QStringLiteral("harb"));
    QCOMPARE(tree->VisibleOutline(), (QStringList{"Acme Shipping", "  Harbour"}));
    QVERIFY(tree->ExpandedClients().contains(QStringLiteral("Acme Shipping")));
    QCOMPARE(tree->NothingFoundText(), QString());
    filter->setText(QStringLiteral("harbx"));
    QCOMPARE(tree->VisibleOutline(), QStringList());
    QCOMPARE(tree->NothingFoundText(),
             QStringLiteral("No client or project name contains \"harbx\"."));
    filter->clear();
    QCOMPARE(tree->NothingFoundText(), QString());
    QCOMPARE(tree->ExpandedClients().values(), QStringList{QStringLiteral("Dune")});
}

void TestViewsFollow::emptyWorkspaceSaysHowToStart() {
    QDir(ws_->Path()).removeRecursively();
    QDir().mkpath(ws_->Path());
    Start();
    GuiHarness& app = *app_;
    VersionListWidget* list = app.window->VersionList();
    app.window->ActionManager1Update();
    QVERIFY(list->IsHintShown());
    for (const char* step : {"New Client", "New Project", "Select Workspace", "Import"})
        QVERIFY2(list->Hint().contains(QLatin1String(step)), step);

    // Gone with the first client, back when the last one went.
    app.user.QueueName(QStringLiteral("Acme"));
    app.window->Command(QStringLiteral("NewClientAction"))->trigger();
    app.window->ActionManager1Update();
    QVERIFY(!list->IsHintShown());
    QVERIFY(list->CurrentView()->isVisible());
    app.user.QueueConfirm(true);
    app.window->ActionManager1Update();
    app.window->Command(QStringLiteral("DelClientAction"))->trigger();
    app.window->ActionManager1Update();
    QVERIFY(list->IsHintShown());
    QVERIFY(!app.user.ranOutOfAnswers);
}

QUORVEL_GUI_TEST_MAIN(TestViewsFollow)
#include "tst_viewsfollow.moc"
