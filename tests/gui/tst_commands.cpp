#include "GuiHarness.h"

#include "catalogue/TClients.h"
#include "catalogue/TProject.h"
#include "catalogue/TVersion.h"
#include "editors/TEditor.h"
#include "editors/TProjectEditors.h"
#include "platform/FileSystem.h"
#include "ui/CatalogueTree.h"
#include "ui/RibbonApplicationMenu.h"
#include "ui/RibbonBar.h"
#include "ui/RibbonGroup.h"
#include "ui/TreeNode.h"
#include "ui/VersionListModel.h"
#include "ui/VersionListRow.h"
#include "ui/VersionListWidget.h"

#include <QAction>
#include <QComboBox>
#include <QMenu>
#include <QTextEdit>
#include <QToolButton>
#include <QtTest>

namespace {

QStringList MenuTexts(const QMenu* menu) {
    QStringList texts;
    for (const QAction* action : menu->actions())
        texts << (action->isSeparator() ? QStringLiteral("-") : action->text());
    return texts;
}

TVersionItem* ItemAt(const QString& path) {
    const QStringList names = path.split(u'/');
    TVersionCollection* level = ProjectMngr->Clients();
    TVersionItem* item = nullptr;
    for (const QString& name : names) {
        item = level ? level->ItemByName(name) : nullptr;
        level = item ? item->VersionCollection() : nullptr;
    }
    return item;
}

// A program that notes its arguments and its working folder.
QString MakeRecordingProgram(const TestWorkspace& ws, const QString& name) {
    const QString path = ws.CreateFile(
        name, QStringLiteral("#!/bin/sh\nprintf '%s\\n' \"$@\" \"$PWD\" > \"%1.out\"\n")
                  .arg(ws.Path() + name)
                  .toUtf8());
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return path;
}

} // namespace

class TestCommands : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void everyCommandAsDesigned();
    void ribbonGroupsInOrder();
    void applicationMenu();
    void contextMenus();
    void enabledByTheActiveItem_data();
    void enabledByTheActiveItem();
    void openInFollowsCheckIn();
    void undoLeavesTheListedProjectActive_data();
    void undoLeavesTheListedProjectActive();
    void selectApplication_data();
    void selectApplication();
    void openInEditorStartsTheNamedEditor();
    void openInEditorReportsUnknownEditor();
    void openInEditorReportsAProgramThatDidNotStart();
    void openInMenuWritesTheEditorFirst();
    void viewCommandsAreOneRadioGroup();
    void importCopiesTheChosenFolder();

private:
    void Activate(const QString& path);

    std::unique_ptr<TestWorkspace> ws_;
    std::unique_ptr<GuiHarness> app_;
    QString viewer_;
};

void TestCommands::init() {
    ws_ = std::make_unique<TestWorkspace>();
    const QString a = ws_->Path() + QStringLiteral("A/");
    GuiHarness::MakeVersion(a + QStringLiteral("P/version 1"), false, QString(),
                            QStringLiteral("jan"), QStringLiteral("x"));
    GuiHarness::MakeVersion(a + QStringLiteral("P/Version 2"), true, QStringLiteral("version 1"),
                            QStringLiteral("jan"), QStringLiteral("x"));
    GuiHarness::MakeVersion(a + QStringLiteral("Single/version 1"), false, QString(),
                            QStringLiteral("jan"), QStringLiteral("x"));
    GuiHarness::MakeVersion(a + QStringLiteral("Odd/Version 3"), false, QString(),
                            QStringLiteral("jan"), QStringLiteral("x"));
    viewer_ = MakeRecordingProgram(*ws_, QStringLiteral("viewer"));
    app_ = std::make_unique<GuiHarness>();
    app_->WriteSettings({QStringLiteral("[Project]"), QStringLiteral("Workspace=") + ws_->Path()});
    app_->WriteEditorRegistry({QStringLiteral("[Viewer]"), QStringLiteral("Path=") + viewer_,
                               QStringLiteral("[Other]"), QStringLiteral("path=/nowhere/other")});
    QVERIFY(app_->Start());
}

void TestCommands::cleanup() {
    app_.reset();
    ws_.reset();
}

void TestCommands::Activate(const QString& path) {
    TVersionItem* item = ItemAt(path);
    QVERIFY(item);
    if (auto* version = dynamic_cast<TVersion*>(item)) {
        // Choosing the node that is chosen already changes nothing.
        if (static_cast<TVersionItem*>(VersionMngr->InstalledProject()) != version->ParentItem())
            Activate(path.section(u'/', 0, 1));
        app_->window->VersionList()->SelectRow(version->ListItem());
    } else {
        app_->window->Tree()->setCurrentItem(static_cast<TreeNode*>(item->GetTreeNode()));
    }
    QCOMPARE(VersionMngr->ActiveItem(), item);
}

void TestCommands::everyCommandAsDesigned() {
    // name, category, caption, ribbon caption, picture in the 16 list
    const QStringList table{
        "NewClientAction|Client|New Client|&New Client|",
        "DelClientAction|Client|Del Client|&Del Client|",
        "RenameClientAction|Client|Rename Client|&Rename Client|",
        "NewProjectAction|Project|New Project|&New Project|",
        "DelProjectAction|Project|Del Project|&Del Project|",
        "RenameProjectAction|Project|Rename Project|&Rename Project|",
        "CheckInAction|Version|Check In|&Check In|",
        "CheckOutAction|Version|Check out|C&heck out|",
        "CheckInOutAction|Version|Check in/Check out|Ch&eck in/Check out|",
        "UndoCheckoutAction|Version|Undo checkout|&Undo checkout|",
        "ImportAction|Version|Import|Import|",
        "RefreshWorkspaceAction|Workspace|Rebuild Workspace|&Rebuild Workspace|4",
        "BrowseForFolder1|Workspace|Select Workspace|&Select Workspace|3",
        "RecentOpenendAction|Workspace|Open Recent|&Open Recent|",
        "Action2|Beeld|Grote pictogrammen|&Grote pictogrammen|",
        "Action3|Beeld|Kleine pictogrammen|&Kleine pictogrammen|",
        "Action4|Beeld|Lijst weergave|&Lijst weergave|",
        "SelectApplicationAction|Editors|Select application|&Add Editor|",
        "EditorAction|Editors|Editor|&Editor|",
        "EditAction|Editors|Open in Editor|&Open in Editor|",
        "ExitAction|File|Exit|E&xit|2",
        "AboutAction|File|About|&About|5",
    };
    QCOMPARE(app_->window->Commands().size(), table.size());
    for (const QString& row : table) {
        const QStringList cells = row.split(u'|');
        QAction* action = app_->window->Command(cells[0]);
        QVERIFY2(action, qPrintable(cells[0]));
        QCOMPARE(action->property("category").toString(), cells[1]);
        QCOMPARE(action->text(), cells[2]);
        QCOMPARE(action->iconText(), cells[3]);
        QCOMPARE(action->icon().isNull(), cells[4].isEmpty());
        if (!cells[4].isEmpty()) {
            QCOMPARE(action->icon().pixmap(16, 16).toImage(),
                     app_->window->SmallImages().At(cells[4].toInt()).toImage());
        }
    }
}

void TestCommands::ribbonGroupsInOrder() {
    RibbonBar* ribbon = app_->window->Ribbon();
    QCOMPARE(ribbon->TabCaption(), QStringLiteral("Project Management"));
    QStringList captions;
    QList<QStringList> entries;
    for (RibbonGroup* group : ribbon->Groups()) {
        captions << group->Caption();
        entries << group->EntryTexts();
    }
    QCOMPARE(captions,
             (QStringList{"Workspace", "View", "Version", "Project", "Client", "Editor"}));
    QCOMPARE(entries[0],
             (QStringList{"&Rebuild Workspace", "&Select Workspace", "rbcbRecentOpened"}));
    QCOMPARE(entries[1],
             (QStringList{"&Grote pictogrammen", "&Kleine pictogrammen", "&Lijst weergave"}));
    QCOMPARE(entries[2], (QStringList{"&Check In", "C&heck out", "Ch&eck in/Check out", "-",
                                      "&Undo checkout"}));
    QCOMPARE(entries[3], (QStringList{"&New Project", "&Del Project", "&Rename Project"}));
    QCOMPARE(entries[4], (QStringList{"&New Client", "&Del Client", "&Rename Client"}));
    QCOMPARE(entries[5], (QStringList{"rbcbEditors", "&Open in Editor", "-", "&Add Editor"}));
    QCOMPARE(app_->window->RecentCombo()->width(), 150);
    QCOMPARE(app_->window->EditorCombo()->width(), 150);
    QVERIFY(app_->window->EditorCombo()->isEditable());
    QVERIFY(!app_->window->RecentCombo()->isEditable());

    RibbonGroup* editor = ribbon->Groups().last();
    QToolButton* openInEditor = nullptr;
    for (QToolButton* button : editor->findChildren<QToolButton*>()) {
        if (button->defaultAction() == app_->window->Command(QStringLiteral("EditAction")))
            openInEditor = button;
    }
    QVERIFY(openInEditor);
    // The design's key tip text is its tool tip; its badge is one letter.
    QCOMPARE(ribbon->KeyTip(openInEditor).size(), 1);
    QCOMPARE(openInEditor->toolTip(),
             QStringLiteral("This will Edit the checked out version with the selected Editor"));
    // The dialog launcher registers an editor too.
    app_->user.QueueOpenFile(std::nullopt);
    editor->findChild<QToolButton*>(QStringLiteral("DialogLauncher"))->click();
    QCOMPARE(app_->user.shown.size(), 1);
    QVERIFY(app_->user.shown.first().startsWith(QStringLiteral("openfile: Select program |")));
}

void TestCommands::applicationMenu() {
    RibbonBar* ribbon = app_->window->Ribbon();
    QCOMPARE(ribbon->ApplicationMenu()->EntryTexts(),
             (QStringList{"&Rebuild Workspace", "&Select Workspace", "-", "&About", "-", "E&xit"}));
    QCOMPARE(ribbon->KeyTip(ribbon->ApplicationButton()), QStringLiteral("F"));
    ribbon->ShowKeyTips(true);
    QVERIFY(ribbon->KeyTipsShown());
    ribbon->ShowKeyTips(false);
    QVERIFY(!ribbon->KeyTipsShown());
}

void TestCommands::contextMenus() {
    QMenu* project = app_->window->ProjectMenu();
    QCOMPARE(MenuTexts(project),
             (QStringList{"Clients", "Projects", "-", "Open &folder", "-", "History"}));
    QCOMPARE(MenuTexts(project->actions()[0]->menu()),
             (QStringList{"New Client", "Del Client", "Rename Client"}));
    QCOMPARE(MenuTexts(project->actions()[1]->menu()),
             (QStringList{"New Project", "Del Project", "Rename Project"}));
    QCOMPARE(MenuTexts(app_->window->VersionMenu()),
             (QStringList{"Check In", "Check in/Check out", "Check out", "-", "Undo checkout", "-",
                          "Import", "-", "Open In", "-", "Open &folder", "-", "Compare with Parent",
                          "Compare With", "-", "History", "Send as Archive..."}));
    QCOMPARE(MenuTexts(app_->window->OpenInMenu()),
             (QStringList{"Viewer", "Other", "-", "Select application"}));
    // The registry's order, in the editor combo box too, with no text chosen.
    QComboBox* editors = app_->window->EditorCombo();
    QCOMPARE(editors->count(), 2);
    QCOMPARE(editors->itemText(0), QStringLiteral("Viewer"));
    QCOMPARE(editors->currentText(), QString());
}

void TestCommands::enabledByTheActiveItem_data() {
    QTest::addColumn<QString>("active");
    QTest::addColumn<QString>("editorText");
    QTest::addColumn<QStringList>("enabled");
    const QStringList client{"DelClientAction", "RenameClientAction", "NewProjectAction"};
    const QStringList project = client + QStringList{"DelProjectAction", "RenameProjectAction"};
    const QStringList checkedOut =
        project + QStringList{"CheckInAction", "CheckInOutAction", "UndoCheckoutAction"};
    QTest::newRow("nothing") << QString() << QString() << QStringList();
    QTest::newRow("client") << "A" << QString() << client;
    QTest::newRow("project") << "A/P" << QString() << project;
    QTest::newRow("checked in, one of two") << "A/P/version 1"
                                            << "Viewer" << project + QStringList{"CheckOutAction"};
    QTest::newRow("checked out, editor named")
        << "A/P/Version 2"
        << "Viewer" << checkedOut + QStringList{"EditAction"};
    QTest::newRow("checked out, no editor named") << "A/P/Version 2" << QString() << checkedOut;
    QTest::newRow("import: the only version 1")
        << "A/Single/version 1" << QString()
        << project + QStringList{"CheckOutAction", "ImportAction"};
    QTest::newRow("import: the only version, numbered 3")
        << "A/Odd/Version 3" << QString() << project + QStringList{"CheckOutAction"};
}

void TestCommands::enabledByTheActiveItem() {
    QFETCH(QString, active);
    QFETCH(QString, editorText);
    QFETCH(QStringList, enabled);
    if (!active.isEmpty())
        Activate(active);
    app_->window->EditorCombo()->setEditText(editorText);
    app_->window->ActionManager1Update();
    enabled << QStringList{"NewClientAction",
                           "EditorAction",
                           "RefreshWorkspaceAction",
                           "BrowseForFolder1",
                           "RecentOpenendAction",
                           "Action2",
                           "Action3",
                           "Action4",
                           "SelectApplicationAction",
                           "ExitAction",
                           "AboutAction"};
    QStringList actual;
    for (QAction* command : app_->window->Commands()) {
        if (command->isEnabled())
            actual << command->objectName();
    }
    actual.sort();
    enabled.sort();
    QCOMPARE(actual, enabled);
}

void TestCommands::undoLeavesTheListedProjectActive_data() {
    QTest::addColumn<QString>("highlighted");
    QTest::newRow("the project chosen in the tree") << "A/P";
    QTest::newRow("the client chosen after the project") << "A";
}

void TestCommands::undoLeavesTheListedProjectActive() {
    QFETCH(QString, highlighted);
    Activate(QStringLiteral("A/P"));
    Activate(highlighted);
    auto* version = static_cast<TVersion*>(ItemAt(QStringLiteral("A/P/Version 2")));
    app_->window->VersionList()->SelectRow(version->ListItem());
    QCOMPARE(VersionMngr->ActiveItem(), version);
    app_->window->ActionManager1Update();
    app_->user.QueueConfirm(true);
    app_->window->Command(QStringLiteral("UndoCheckoutAction"))->trigger();
    QVERIFY(!ItemAt(QStringLiteral("A/P/Version 2")));

    // What the tree highlights is what the commands act on.
    TVersionItem* project = ItemAt(QStringLiteral("A/P"));
    QCOMPARE(VersionMngr->ActiveItem(), project);
    QCOMPARE(app_->window->Tree()->SelectedNode(), project->GetTreeNode());
    app_->window->ActionManager1Update();
    for (const char* command :
         {"DelProjectAction", "RenameProjectAction", "NewProjectAction", "DelClientAction"})
        QVERIFY2(app_->window->Command(QString::fromLatin1(command))->isEnabled(), command);
    QVERIFY(!app_->window->Command(QStringLiteral("CheckOutAction"))->isEnabled());
    QCOMPARE(app_->window->Details()->toPlainText(), QString());
}

void TestCommands::openInFollowsCheckIn() {
    QMenu* menu = app_->window->VersionMenu();
    for (const char* version : {"A/P/version 1", "A/P/Version 2"}) {
        Activate(QString::fromLatin1(version));
        app_->window->ActionManager1Update();
        menu->popup(QPoint(10, 10));
        const bool checkIn = app_->window->Command(QStringLiteral("CheckInAction"))->isEnabled();
        QCOMPARE(app_->window->OpenInMenu()->menuAction()->isEnabled(), checkIn);
        menu->hide();
    }
}

void TestCommands::selectApplication_data() {
    QTest::addColumn<bool>("chooseFile");
    QTest::addColumn<bool>("giveName");
    QTest::newRow("cancel the file") << false << false;
    QTest::newRow("cancel the name") << true << false;
    QTest::newRow("registered") << true << true;
}

void TestCommands::selectApplication() {
    QFETCH(bool, chooseFile);
    QFETCH(bool, giveName);
    const int pictures = app_->window->SmallImages().Count();
    QList<QAction*> entries = app_->window->OpenInMenu()->actions();
    const QIcon viewerIcon = entries[0]->icon();
    const QString third = MakeRecordingProgram(*ws_, QStringLiteral("third.tool"));
    app_->user.QueueOpenFile(chooseFile ? std::optional<QString>(third) : std::nullopt);
    app_->user.QueueName(giveName ? std::optional<QString>(QStringLiteral("Third")) : std::nullopt);
    app_->window->Command(QStringLiteral("SelectApplicationAction"))->trigger();

    QStringList expected{"Viewer", "Other", "-", "Select application"};
    if (giveName)
        expected.insert(2, QStringLiteral("Third"));
    QCOMPARE(MenuTexts(app_->window->OpenInMenu()), expected);
    QCOMPARE(app_->window->EditorCombo()->count(), giveName ? 3 : 2);
    if (chooseFile) {
        QCOMPARE(
            app_->user.shown.last(),
            QStringLiteral("name: Input Editor name|Specify name before [%1]|third").arg(third));
    }
    // The earlier entries keep their pictures; only a new one adds one.
    QCOMPARE(app_->window->OpenInMenu()->actions()[0], entries[0]);
    QCOMPARE(app_->window->OpenInMenu()->actions()[0]->icon().cacheKey(), viewerIcon.cacheKey());
    QVERIFY(app_->window->SmallImages().Count() <= pictures + (giveName ? 1 : 0));
    if (!giveName)
        QCOMPARE(app_->window->SmallImages().Count(), pictures);
}

void TestCommands::openInEditorStartsTheNamedEditor() {
    Activate(QStringLiteral("A/P/Version 2"));
    auto* version = static_cast<TVersion*>(VersionMngr->ActiveItem());
    const QByteArray dataBefore = ws_->ReadFile(QStringLiteral("A/P/Version 2/QuorvelConfig.xml"));
    // Letter case does not matter.
    app_->window->EditorCombo()->setEditText(QStringLiteral("VIEWER"));
    app_->window->ActionManager1Update();
    app_->window->Command(QStringLiteral("EditAction"))->trigger();
    // The call returns when the editor has ended.
    const QStringList ran = QString::fromUtf8(ws_->ReadFile(QStringLiteral("viewer.out")))
                                .split(u'\n', Qt::SkipEmptyParts);
    QCOMPARE(ran,
             (QStringList{ws_->Path() + QStringLiteral("A/P/Version 2"), QDir::currentPath()}));
    QCOMPARE(version->Editor(), viewer_);
    QCOMPARE(ws_->ReadFile(QStringLiteral("A/P/Version 2/QuorvelConfig.xml")), dataBefore);
    QCOMPARE(app_->user.shown, QStringList());
}

void TestCommands::openInEditorReportsUnknownEditor() {
    Activate(QStringLiteral("A/P/Version 2"));
    app_->window->EditorCombo()->setEditText(QStringLiteral(" Viewer"));
    app_->window->ActionManager1Update();
    app_->window->Command(QStringLiteral("EditAction"))->trigger();
    QCOMPARE(app_->user.shown,
             QStringList{QStringLiteral("message: Error executing version [%1A/P/Version 2/] with "
                                        "editor [ Viewer]")
                             .arg(ws_->Path())});
    QVERIFY(!ws_->Exists(QStringLiteral("viewer.out")));
}

void TestCommands::openInEditorReportsAProgramThatDidNotStart() {
    Activate(QStringLiteral("A/P/Version 2"));
    app_->window->EditorCombo()->setEditText(QStringLiteral("Other"));
    app_->window->ActionManager1Update();
    app_->window->Command(QStringLiteral("EditAction"))->trigger();
    QCOMPARE(app_->user.shown,
             QStringList{QStringLiteral("message: Error executing version [%1A/P/Version 2/] with "
                                        "editor [Other]")
                             .arg(ws_->Path())});
}

void TestCommands::openInMenuWritesTheEditorFirst() {
    Activate(QStringLiteral("A/P/Version 2"));
    app_->window->OpenInMenu()->actions()[0]->trigger();
    QVERIFY(ws_->ReadFile(QStringLiteral("A/P/Version 2/QuorvelConfig.xml"))
                .contains(viewer_.toUtf8()));
    QVERIFY(ws_->Exists(QStringLiteral("viewer.out")));
    // The details and the editor box name the editor at once.
    QVERIFY(
        app_->window->Details()->toPlainText().contains(QStringLiteral("Edit With:\t") + viewer_));
    QCOMPARE(app_->window->EditorCombo()->currentText(), QStringLiteral("Viewer"));
}

void TestCommands::viewCommandsAreOneRadioGroup() {
    QAction* large = app_->window->Command(QStringLiteral("Action2"));
    QAction* small = app_->window->Command(QStringLiteral("Action3"));
    QAction* list = app_->window->Command(QStringLiteral("Action4"));
    QVERIFY(large->isChecked());
    small->trigger();
    QVERIFY(small->isChecked() && !large->isChecked() && !list->isChecked());
    QCOMPARE(app_->window->VersionList()->ViewStyle(), 1);
    list->trigger();
    QVERIFY(list->isChecked() && !small->isChecked());
    QCOMPARE(app_->window->VersionList()->ViewStyle(), 2);
}

void TestCommands::importCopiesTheChosenFolder() {
    Activate(QStringLiteral("A/Single/version 1"));
    app_->window->ActionManager1Update();
    TestWorkspace source;
    const QString folder = source.CreateDir(QStringLiteral("Work"));
    source.CreateFile(QStringLiteral("Work/plan.txt"), "plan");
    QAction* import = app_->window->Command(QStringLiteral("ImportAction"));
    app_->user.QueueFolder(FileSystem::WithoutTrailingSeparator(folder));
    import->trigger();
    QVERIFY(ws_->Exists(QStringLiteral("A/Single/version 1/Work/plan.txt")));
    // Cancel does nothing; the browser starts at the folder chosen before.
    import->trigger();
    QCOMPARE(app_->user.shown, (QStringList{QStringLiteral("folder: Import|"),
                                            QStringLiteral("message: Import succeeded"),
                                            QStringLiteral("folder: Import|") +
                                                FileSystem::WithoutTrailingSeparator(folder)}));
}

QUORVEL_GUI_TEST_MAIN(TestCommands)
#include "tst_commands.moc"
