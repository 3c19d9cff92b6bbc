// The editor registry, its file, registering an editor, starting one and
// routing a menu click.
#include "catalogue/CatalogueOwner.h"
#include "catalogue/TClients.h"
#include "catalogue/TVersion.h"
#include "editors/TEditor.h"
#include "editors/TProjectEditors.h"
#include "platform/ProgramPaths.h"
#include "platform/QuorvelError.h"
#include "support/ScriptedUser.h"
#include "support/TestWorkspace.h"

#include <QDir>
#include <QFile>
#include <QtTest>
#include <memory>

namespace {

class Owner : public CatalogueOwner {
public:
    QString workspace;
    QString WorkSpace() const override { return workspace; }
    CatalogueTreeView* TreeView() const override { return nullptr; }
};

// "name=path" for every editor, in registry order.
QStringList Listing(const TProjectEditors& editors) {
    QStringList lines;
    for (int i = 0; i < editors.Count(); ++i)
        lines << editors.GetItems(i)->Name() + u'=' + editors.GetItems(i)->Path();
    return lines;
}

const QString kCancel = QStringLiteral("<cancel>");

std::optional<QString> Answer(const QString& text) {
    return text == kCancel ? std::nullopt : std::optional<QString>(text);
}

} // namespace

class TestEditors : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void readIni_data();
    void readIni();
    void writeIni();
    void noEditorsNoFile();
    void editorByName_data();
    void editorByName();
    void indexOfEditorPath_data();
    void indexOfEditorPath();
    void newEditor_data();
    void newEditor();
    void executeOnFolder();
    void executeStartsNothing_data();
    void executeStartsNothing();
    void executeOnVersion();
    void executeOnDamagedVersion();
    void clickReachesTheRegistryHandler();

private:
    // A program that writes its argument count, its arguments and its
    // current folder into file, one to a line.
    QString RecordingProgram(const QString& file) const;

    std::unique_ptr<TestWorkspace> ws_;
    std::unique_ptr<ScriptedUser> user_;
    QString bin_;
};

void TestEditors::init() {
    ws_ = std::make_unique<TestWorkspace>();
    user_ = std::make_unique<ScriptedUser>();
    bin_ = ws_->CreateDir(QStringLiteral("bin"));
    ProgramPaths::SetProgramFolderForTesting(bin_);
}

void TestEditors::cleanup() {
    ProgramPaths::SetProgramFolderForTesting(QString());
    user_.reset();
    ws_.reset();
}

QString TestEditors::RecordingProgram(const QString& file) const {
    const QString path = ws_->CreateFile(
        QStringLiteral("tools/record.sh"),
        "#!/bin/sh\n"
        "out='" +
            QFile::encodeName(file) +
            "'\n"
            "{ echo \"$#\"; for a in \"$@\"; do echo \"$a\"; done; pwd -P; } > \"$out\"\n"
            "if [ -f \"$1/QuorvelConfig.xml\" ]; then cat \"$1/QuorvelConfig.xml\" >> \"$out\"; "
            "fi\n");
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return path;
}

void TestEditors::readIni_data() {
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QStringList>("editors");

    QTest::newRow("no file") << QByteArray() << QStringList();
    QTest::newRow("empty file") << QByteArray("") << QStringList();
    QTest::newRow("file order, not sorted")
        << QByteArray("[B]\r\nPath=/opt/b\r\n[A]\r\nPath=/opt/a\r\n")
        << QStringList{"B=/opt/b", "A=/opt/a"};
    QTest::newRow("key spelt PATH")
        << QByteArray("[Viewer]\r\nPATH=/opt/v\r\n") << QStringList{"Viewer=/opt/v"};
    QTest::newRow("key spelt path")
        << QByteArray("[Viewer]\r\npath=/opt/v\r\n") << QStringList{"Viewer=/opt/v"};
    QTest::newRow("section without a path")
        << QByteArray("[Viewer]\r\nOther=1\r\n") << QStringList{"Viewer="};
    QTest::newRow("two sections of one name read as the first")
        << QByteArray("[Viewer]\r\nPath=/opt/1\r\n[VIEWER]\r\nPath=/opt/2\r\n")
        << QStringList{"Viewer=/opt/1"};
    QTest::newRow("windows-1252 name") << QByteArray("[\xC9"
                                                     "diteur]\r\nPath=/opt/e\r\n")
                                       << QStringList{QStringLiteral("\u00c9diteur=/opt/e")};
}

void TestEditors::readIni() {
    QFETCH(QByteArray, file);
    QFETCH(QStringList, editors);
    if (!file.isNull())
        ws_->CreateFile(QStringLiteral("bin/Editor.ini"), file);
    TProjectEditors registry;
    QCOMPARE(registry.FileName(), bin_ + QStringLiteral("Editor.ini"));
    QCOMPARE(Listing(registry), editors);
    QStringList names{QStringLiteral("left over")};
    registry.Assign(names);
    QCOMPARE(names.size(), editors.size());
    for (int i = 0; i < names.size(); ++i)
        QCOMPARE(names[i], editors[i].section(u'=', 0, 0));
}

void TestEditors::writeIni() {
    ws_->CreateFile(QStringLiteral("bin/Editor.ini"),
                    "[b]\r\npath=/opt/b\r\n[A]\r\nPath=/opt/a\r\n");
    {
        TProjectEditors registry;
        registry.GetItems(0)->SetPath(QStringLiteral("/opt/B2"));
        QCOMPARE(registry.Add(std::make_unique<TEditor>(&registry, QStringLiteral("C"),
                                                        QStringLiteral("/opt/c"))),
                 2);
        // Destroying the registry writes nothing; its owner calls WriteIni.
    }
    QCOMPARE(ws_->ReadFile(QStringLiteral("bin/Editor.ini")),
             QByteArray("[b]\r\npath=/opt/b\r\n[A]\r\nPath=/opt/a\r\n"));

    TProjectEditors registry;
    registry.Add(
        std::make_unique<TEditor>(&registry, QStringLiteral("C"), QStringLiteral("/opt/c")));
    registry.GetItems(0)->SetPath(QStringLiteral("/opt/B2"));
    registry.WriteIni();
    QCOMPARE(ws_->ReadFile(QStringLiteral("bin/Editor.ini")),
             QByteArray("[b]\r\npath=/opt/B2\r\n[A]\r\nPath=/opt/a\r\n[C]\r\nPath=/opt/c\r\n"));
    QCOMPARE(Listing(TProjectEditors()), (QStringList{"b=/opt/B2", "A=/opt/a", "C=/opt/c"}));
}

void TestEditors::noEditorsNoFile() {
    TProjectEditors registry;
    registry.WriteIni();
    QVERIFY(!ws_->Exists(QStringLiteral("bin/Editor.ini")));

    // One editor that was deleted leaves none to write.
    const int index = registry.Add(
        std::make_unique<TEditor>(&registry, QStringLiteral("A"), QStringLiteral("/opt/a")));
    registry.Del(registry.GetItems(index));
    QCOMPARE(registry.Count(), 0);
    registry.WriteIni();
    QVERIFY(!ws_->Exists(QStringLiteral("bin/Editor.ini")));
}

void TestEditors::editorByName_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("index");

    QTest::newRow("as registered") << QStringLiteral("Viewer") << 0;
    QTest::newRow("other letter case") << QStringLiteral("VIEWER") << 0;
    QTest::newRow("first of two") << QStringLiteral("twin") << 1;
    QTest::newRow("leading blank") << QStringLiteral(" Viewer") << -1;
    QTest::newRow("case beyond a to z") << QStringLiteral("\u00e9diteur") << -1;
    QTest::newRow("unknown") << QStringLiteral("Other") << -1;
    QTest::newRow("empty") << QString() << -1;
}

void TestEditors::editorByName() {
    QFETCH(QString, name);
    QFETCH(int, index);
    ws_->CreateFile(QStringLiteral("bin/Editor.ini"),
                    "[Viewer]\r\nPath=/opt/v\r\n[Twin]\r\nPath=/opt/t1\r\n[\xC9"
                    "diteur]\r\n"
                    "Path=/opt/e\r\n");
    TProjectEditors registry;
    registry.Add(
        std::make_unique<TEditor>(&registry, QStringLiteral("TWIN"), QStringLiteral("/opt/t2")));
    QCOMPARE(registry.EditorByName(name), index < 0 ? nullptr : registry.GetItems(index));
}

void TestEditors::indexOfEditorPath_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<int>("index");

    QTest::newRow("as registered") << QStringLiteral("/opt/Tools/viewer") << 0;
    QTest::newRow("other case, blanks and controls around")
        << QStringLiteral(" \t/OPT/tools/VIEWER  \r\n") << 0;
    QTest::newRow("first of two") << QStringLiteral("/opt/twin") << 1;
    QTest::newRow("case beyond a to z") << QStringLiteral("/opt/\u00e9cole") << -1;
    QTest::newRow("unknown") << QStringLiteral("/opt/other") << -1;
    QTest::newRow("empty") << QString() << -1;
}

void TestEditors::indexOfEditorPath() {
    QFETCH(QString, path);
    QFETCH(int, index);
    ws_->CreateFile(QStringLiteral("bin/Editor.ini"),
                    "[Viewer]\r\nPath=/opt/Tools/viewer\r\n[First]\r\nPath=/opt/twin\r\n"
                    "[Second]\r\nPath=/OPT/TWIN\r\n[\xC9"
                    "cole]\r\nPath=/opt/\xC9"
                    "cole\r\n");
    const TProjectEditors registry;
    QCOMPARE(registry.IndexOfEditorPath(path), index);
    QCOMPARE(registry.NameOfPath(path), index < 0 ? QString() : registry.GetItems(index)->Name());
}

void TestEditors::newEditor_data() {
    QTest::addColumn<QString>("chosen");
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QStringList>("shown");
    QTest::addColumn<QString>("registered");

    const QString open =
        QStringLiteral("openfile: Select program |Executables (*.exe)|*|<program folder>");
    const QString ask = QStringLiteral("name: Input Editor name|Specify name before [<chosen>]|");
    const QString taken = QStringLiteral("message: Editor name Viewer already exists.");
    const QString empty = QStringLiteral("message: Please give the editor a name.");

    QTest::newRow("name cut before the first dot")
        << QStringLiteral("/opt/tools/my.tool.exe") << QStringList{"my"}
        << QStringList{open, ask + "my"} << QStringLiteral("my");
    QTest::newRow("plus sign kept")
        << QStringLiteral("/opt/tools/viewer+.exe") << QStringList{"viewer+"}
        << QStringList{open, ask + "viewer+"} << QStringLiteral("viewer+");
    QTest::newRow("name without a dot")
        << QStringLiteral("/opt/tools/gedit") << QStringList{"Text editor"}
        << QStringList{open, ask + "gedit"} << QStringLiteral("Text editor");
    QTest::newRow("file dialog cancelled")
        << kCancel << QStringList() << QStringList{open} << QString();
    QTest::newRow("name dialog cancelled")
        << QStringLiteral("/opt/tools/gedit") << QStringList{kCancel}
        << QStringList{open, ask + "gedit"} << QString();
    QTest::newRow("name taken in other case, asked again")
        << QStringLiteral("/opt/tools/viewer") << QStringList{"VIEWER", "Viewer 2"}
        << QStringList{open, ask + "viewer", taken, ask + "viewer"} << QStringLiteral("Viewer 2");
    QTest::newRow("empty name, asked again")
        << QStringLiteral("/opt/tools/gedit") << QStringList{"", "  ", "gedit"}
        << QStringList{open, ask + "gedit", empty, ask + "gedit", empty, ask + "gedit"}
        << QStringLiteral("gedit");
    QTest::newRow("refused, then cancelled")
        << QStringLiteral("/opt/tools/viewer") << QStringList{"viewer", kCancel}
        << QStringList{open, ask + "viewer", taken, ask + "viewer"} << QString();
}

void TestEditors::newEditor() {
    QFETCH(QString, chosen);
    QFETCH(QStringList, names);
    QFETCH(QStringList, shown);
    QFETCH(QString, registered);
    ws_->CreateFile(QStringLiteral("bin/Editor.ini"), "[Viewer]\r\nPath=/opt/v\r\n");
    TProjectEditors registry;
    TEditor* clicked = nullptr;
    registry.SetOnEditorClick([&](TEditor* editor) { clicked = editor; });
    user_->QueueOpenFile(Answer(chosen));
    for (const QString& name : names)
        user_->QueueName(Answer(name));

    TEditor* editor = registry.New();

    for (QString& line : shown) {
        line.replace(QLatin1String("<program folder>"), bin_);
        line.replace(QLatin1String("<chosen>"), chosen);
    }
    QCOMPARE(user_->shown, shown);
    QVERIFY(!user_->ranOutOfAnswers);
    if (registered.isNull()) {
        QCOMPARE(editor, nullptr);
        QCOMPARE(Listing(registry), QStringList{"Viewer=/opt/v"});
        return;
    }
    QCOMPARE(Listing(registry), (QStringList{"Viewer=/opt/v", registered + u'=' + chosen}));
    QCOMPARE(editor, registry.GetItems(1));
    QCOMPARE(editor->IconSource(), chosen);
    editor->DoMenuClick();
    QCOMPARE(clicked, editor);
    // Kept in memory only until the owner writes the registry.
    QCOMPARE(ws_->ReadFile(QStringLiteral("bin/Editor.ini")),
             QByteArray("[Viewer]\r\nPath=/opt/v\r\n"));
}

void TestEditors::executeOnFolder() {
    const QString record = ws_->Path() + QStringLiteral("record.txt");
    TEditor editor(nullptr, QStringLiteral("Recorder"), RecordingProgram(record));
    const QString folder = ws_->Path() + QStringLiteral("Acme/Pump 1/3/");

    QVERIFY(editor.Execute(folder));
    // The editor has ended when Execute returns; the folder need not exist.
    QFile file(record);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromLocal8Bit(file.readAll()).split(u'\n');
    QCOMPARE(lines.mid(0, 3), (QStringList{"1", ws_->Path() + QStringLiteral("Acme/Pump 1/3"),
                                           QDir::currentPath()}));
    QVERIFY(user_->shown.isEmpty());
}

void TestEditors::executeStartsNothing_data() {
    QTest::addColumn<QString>("program");
    QTest::newRow("empty path") << QString();
    QTest::newRow("missing program") << QStringLiteral("tools/deleted");
    QTest::newRow("not executable") << QStringLiteral("tools/plain.txt");
    QTest::newRow("a folder") << QStringLiteral("tools/");
}

void TestEditors::executeStartsNothing() {
    QFETCH(QString, program);
    ws_->CreateFile(QStringLiteral("tools/plain.txt"), "#!/bin/sh\ntouch ran\n");
    const QString path = program.isEmpty() ? program : ws_->Path() + program;
    TEditor editor(nullptr, QStringLiteral("Broken"), path);
    QVERIFY(!editor.Execute(ws_->Path() + QStringLiteral("folder/")));
    QVERIFY(user_->shown.isEmpty());
}

void TestEditors::executeOnVersion() {
    Owner owner;
    owner.workspace = ws_->CreateDir(QStringLiteral("ws"));
    ws_->CreateDir(QStringLiteral("ws/Acme/Pump/Version 2"));
    TClients clients(&owner);
    TVersionItem* client = clients.AddItem();
    client->SetName(QStringLiteral("Acme"));
    TVersionItem* project = client->VersionCollection()->AddItem();
    project->SetName(QStringLiteral("Pump"));
    auto* version = static_cast<TVersion*>(project->VersionCollection()->AddItem());
    version->SetName(QStringLiteral("Version 2"));

    const QString record = ws_->Path() + QStringLiteral("record.txt");
    TEditor editor(nullptr, QStringLiteral("Recorder"), RecordingProgram(record));
    editor.Execute(version);

    QCOMPARE(version->Editor(), editor.Path());
    // The program saw the data file with its own path already in it.
    const QString seen = QString::fromLocal8Bit(ws_->ReadFile(QStringLiteral("record.txt")));
    QVERIFY(seen.startsWith(QStringLiteral("1\n") + owner.workspace +
                            QStringLiteral("Acme/Pump/Version 2\n")));
    QVERIFY(
        seen.contains(QStringLiteral("<Editor>\r") + editor.Path() + QStringLiteral("</Editor>")));

    // A program that cannot start still leaves the choice recorded.
    TEditor missing(nullptr, QStringLiteral("Gone"), ws_->Path() + QStringLiteral("gone"));
    missing.Execute(version);
    QVERIFY(ws_->ReadFile(QStringLiteral("ws/Acme/Pump/Version 2/QuorvelConfig.xml"))
                .contains(QFile::encodeName(missing.Path())));
}

void TestEditors::executeOnDamagedVersion() {
    // A catalogue name that is no single folder name leads outside.
    Owner owner;
    owner.workspace = ws_->CreateDir(QStringLiteral("ws"));
    ws_->CreateDir(QStringLiteral("ws/Acme"));
    TClients clients(&owner);
    TVersionItem* client = clients.AddItem();
    client->SetName(QStringLiteral("Acme"));
    TVersionItem* project = client->VersionCollection()->AddItem();
    project->SetName(QStringLiteral(".."));
    auto* version = static_cast<TVersion*>(project->VersionCollection()->AddItem());
    version->SetName(QStringLiteral("ws"));

    const QString record = ws_->Path() + QStringLiteral("record.txt");
    TEditor editor(nullptr, QStringLiteral("Recorder"), RecordingProgram(record));
    QVERIFY_THROWS_EXCEPTION(QuorvelError, editor.Execute(version));
    QCOMPARE(version->Editor(), QString());
    QVERIFY(!ws_->Exists(QStringLiteral("ws/QuorvelConfig.xml")));
    QVERIFY(!ws_->Exists(QStringLiteral("record.txt")));
}

void TestEditors::clickReachesTheRegistryHandler() {
    ws_->CreateFile(QStringLiteral("bin/Editor.ini"),
                    "[A]\r\nPath=/opt/a\r\n[B]\r\nPath=/opt/b\r\n");
    TProjectEditors registry;
    // Without a handler a click does nothing.
    registry.GetItems(0)->DoMenuClick();

    QList<TEditor*> clicked;
    registry.SetOnEditorClick([&](TEditor* editor) { clicked << editor; });
    registry.GetItems(1)->DoMenuClick();
    registry.GetItems(0)->DoMenuClick();
    QCOMPARE(clicked, (QList<TEditor*>{registry.GetItems(1), registry.GetItems(0)}));

    // An editor outside any registry has no handler until it is added.
    auto loose = std::make_unique<TEditor>(&registry, QStringLiteral("C"), QStringLiteral("/c"));
    TEditor* c = loose.get();
    c->DoMenuClick();
    QCOMPARE(clicked.size(), 2);
    registry.Add(std::move(loose));
    c->DoMenuClick();
    QCOMPARE(clicked.last(), c);
    QCOMPARE(c->Owner(), &registry);
}

QUORVEL_TEST_MAIN(TestEditors)
#include "tst_editors.moc"
