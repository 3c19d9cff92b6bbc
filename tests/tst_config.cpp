// The settings file, the recent-workspace list and where both live.
#include "platform/ProfileFile.h"
#include "platform/ProgramPaths.h"
#include "platform/QuorvelError.h"
#include "support/ScriptedUser.h"
#include "support/TestWorkspace.h"
#include "workspace/TQuorvelConfig.h"
#include "workspace/TRecentOpened.h"

#include <QDir>
#include <QStandardPaths>
#include <QtTest>
#include <memory>

namespace {

QStringList Entries(int count, const QString& stem = QStringLiteral("/w/")) {
    QStringList entries;
    for (int i = 0; i < count; ++i)
        entries << stem + QString::number(i) + u'/';
    return entries;
}

QByteArray RecentSection(const QStringList& entries) {
    QByteArray bytes = "[Recent opened]\r\nItems=" + QByteArray::number(entries.size()) + "\r\n";
    for (int i = 0; i < entries.size(); ++i)
        bytes += "Item " + QByteArray::number(i) + '=' + entries[i].toLatin1() + "\r\n";
    return bytes;
}

} // namespace

class TestConfig : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void filesLiveBesideTheProgramWhenTheyCan_data();
    void filesLiveBesideTheProgramWhenTheyCan();
    void firstStart();
    void cleanEndIsReadAtTheNextStart();
    void uncleanEndIsReadAtTheNextStart();
    void values_data();
    void values();
    void addWorkspace_data();
    void addWorkspace();
    void readFromIni_data();
    void readFromIni();
    void shorterListLeavesOldKeys();
    void readOnlyWritesNothing();
    void refusedWrites();

private:
    QString SettingsFile() const { return bin_ + QStringLiteral("quorvel.Ini"); }

    std::unique_ptr<TestWorkspace> ws_;
    std::unique_ptr<ScriptedUser> user_;
    QString bin_;
};

void TestConfig::init() {
    ws_ = std::make_unique<TestWorkspace>();
    user_ = std::make_unique<ScriptedUser>();
    bin_ = ws_->CreateDir(QStringLiteral("bin"));
    ProgramPaths::SetProgramFolderForTesting(bin_);
}

void TestConfig::cleanup() {
    ProgramPaths::SetProgramFolderForTesting(QString());
    user_.reset();
    ws_.reset();
}

void TestConfig::filesLiveBesideTheProgramWhenTheyCan_data() {
    QTest::addColumn<QString>("layout");
    QTest::addColumn<bool>("writable");
    QTest::newRow("program folder writable") << "build" << true;
    QTest::newRow("folder that is not there") << "missing" << false;
    QTest::newRow("installed in a prefix") << "prefix" << false;
    QTest::newRow("folder made read-only") << "read-only" << false;
}

void TestConfig::filesLiveBesideTheProgramWhenTheyCan() {
    QFETCH(QString, layout);
    QFETCH(bool, writable);
    QString program = bin_;
    if (layout == QLatin1String("missing")) {
        program = ws_->Path() + QStringLiteral("missing/");
    } else if (layout == QLatin1String("prefix")) {
        program = ws_->CreateDir(QStringLiteral("prefix/bin"));
        ws_->CreateFile(QStringLiteral("prefix/share/applications/quorvel.desktop"), "");
    } else if (layout == QLatin1String("read-only")) {
        program = ws_->CreateDir(QStringLiteral("read-only/bin"));
        QFile::setPermissions(program, QFile::ReadOwner | QFile::ExeOwner | QFile::ReadGroup |
                                           QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther);
    }
    ProgramPaths::SetProgramFolderForTesting(program);
    const QString config = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
                           QStringLiteral("/quorvel/");
    const QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
                         QStringLiteral("/quorvel/");
    const QString settings = writable ? program : config;

    QCOMPARE(ProgramPaths::ProgramFolder(), program);
    QCOMPARE(ProgramPaths::SettingsFile(), settings + QStringLiteral("quorvel.Ini"));
    QCOMPARE(ProgramPaths::EditorRegistryFile(), settings + QStringLiteral("Editor.ini"));
    QCOMPARE(ProgramPaths::DefaultWorkspace(),
             (writable ? program : data) + QStringLiteral("Projects/"));

    // The first write creates the user's folder when needed.
    {
        TQuorvelConfig config;
        QCOMPARE(config.FileName(), settings + QStringLiteral("quorvel.Ini"));
        QVERIFY(QFile::exists(config.FileName()));
    }
    QVERIFY(user_->shown.isEmpty());
    QVERIFY(QFileInfo(program).isWritable() ||
            !QFile::exists(program + QStringLiteral("quorvel.Ini")) || writable);
    QDir(config).removeRecursively();
    QFile::setPermissions(program, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

void TestConfig::firstStart() {
    TQuorvelConfig config;
    QVERIFY(config.ShutDownCorrect());
    // The run is marked as not yet ended before anything else happens.
    QCOMPARE(ws_->ReadFile(QStringLiteral("bin/quorvel.Ini")),
             QByteArray("[Project]\r\nShutDown=0\r\n"));
    const QString projects = bin_ + QStringLiteral("Projects/");
    QCOMPARE(config.GetWorkspace(), projects);
    QCOMPARE(config.RecentOpened()->Items(), QStringList{projects});
    // Asking again adds nothing.
    QCOMPARE(config.GetWorkspace(), projects);
    QCOMPARE(config.RecentOpened()->Count(), 1);

    // The default is not stored as the workspace.
    config.Write();
    QCOMPARE(ws_->ReadFile(QStringLiteral("bin/quorvel.Ini")),
             "[Project]\r\nShutDown=1\r\nWorkspace=\r\nViewStyle=0\r\n[Recent opened]\r\n"
             "Items=1\r\nItem 0=" +
                 projects.toLocal8Bit() + "\r\n");
}

void TestConfig::cleanEndIsReadAtTheNextStart() {
    {
        TQuorvelConfig config;
        config.SetWorkspace(QStringLiteral("/data/Caf\u00e9 work/"));
        config.SetViewStyle(3);
        config.RecentOpened()->AddWorkspace(QStringLiteral("/data/a/"));
        config.RecentOpened()->AddWorkspace(QStringLiteral("/data/b/"));
    }
    QVERIFY(user_->shown.isEmpty());
    QCOMPARE(
        ws_->ReadFile(QStringLiteral("bin/quorvel.Ini")),
        QByteArray("[Project]\r\nShutDown=1\r\nWorkspace=/data/Caf\xE9 work/\r\nViewStyle=3\r\n"
                   "[Recent opened]\r\nItems=2\r\nItem 0=/data/b/\r\nItem 1=/data/a/\r\n"));

    TQuorvelConfig next;
    QVERIFY(next.ShutDownCorrect());
    QCOMPARE(next.GetWorkspace(), QStringLiteral("/data/Caf\u00e9 work/"));
    QCOMPARE(next.ViewStyle(), 3);
    QCOMPARE(next.RecentOpened()->Items(), (QStringList{"/data/b/", "/data/a/"}));
}

void TestConfig::uncleanEndIsReadAtTheNextStart() {
    QByteArray leftByCrash;
    {
        TQuorvelConfig config;
        config.SetWorkspace(QStringLiteral("/data/a/"));
        leftByCrash = ws_->ReadFile(QStringLiteral("bin/quorvel.Ini"));
    }
    ws_->CreateFile(QStringLiteral("bin/quorvel.Ini"), leftByCrash);

    TQuorvelConfig next;
    QVERIFY(!next.ShutDownCorrect());
}

void TestConfig::values_data() {
    QTest::addColumn<QByteArray>("project");
    QTest::addColumn<bool>("shutDown");
    QTest::addColumn<int>("viewStyle");
    QTest::addColumn<QString>("workspace");

    QTest::newRow("as written") << QByteArray("ShutDown=1\r\nViewStyle=2\r\nWorkspace=/w/\r\n")
                                << true << 2 << QStringLiteral("/w/");
    QTest::newRow("unclean end") << QByteArray("ShutDown=0\r\n") << false << 0
                                 << QStringLiteral("/default/");
    QTest::newRow("text is no number") << QByteArray("ShutDown=abc\r\nViewStyle=abc\r\n") << true
                                       << 0 << QStringLiteral("/default/");
    QTest::newRow("0x hex") << QByteArray("ShutDown=0x0\r\nViewStyle=0x10\r\n") << false << 16
                            << QStringLiteral("/default/");
    QTest::newRow("dollar hex") << QByteArray("ShutDown=$2\r\nViewStyle=$10\r\n") << true << 16
                                << QStringLiteral("/default/");
    QTest::newRow("keys in other case")
        << QByteArray("shutdown=0\r\nVIEWSTYLE=1\r\nworkspace=/w/\r\n") << false << 1
        << QStringLiteral("/w/");
}

void TestConfig::values() {
    QFETCH(QByteArray, project);
    QFETCH(bool, shutDown);
    QFETCH(int, viewStyle);
    QFETCH(QString, workspace);
    ws_->CreateFile(QStringLiteral("bin/quorvel.Ini"), "[Project]\r\n" + project);
    TQuorvelConfig config;
    QCOMPARE(config.ShutDownCorrect(), shutDown);
    QCOMPARE(config.ViewStyle(), viewStyle);
    const QString expected =
        workspace == QLatin1String("/default/") ? bin_ + QStringLiteral("Projects/") : workspace;
    QCOMPARE(config.GetWorkspace(), expected);
}

void TestConfig::addWorkspace_data() {
    QTest::addColumn<QStringList>("before");
    QTest::addColumn<QString>("added");
    QTest::addColumn<bool>("result");
    QTest::addColumn<QStringList>("after");

    const QStringList sixteen = Entries(16);
    const QStringList twenty = Entries(20);
    QTest::newRow("new entry goes first") << QStringList{"/a/", "/b/"} << QStringLiteral("/c/")
                                          << true << QStringList{"/c/", "/a/", "/b/"};
    QTest::newRow("known in other case, keeps its place")
        << QStringList{"/a/", "/Data/B/", "/c/"} << QStringLiteral("/data/b/") << false
        << QStringList{"/a/", "/Data/B/", "/c/"};
    QTest::newRow("case beyond a to z")
        << QStringList{"/\u00c9cole/"} << QStringLiteral("/\u00e9cole/") << false
        << QStringList{"/\u00c9cole/"};
    QTest::newRow("full list drops the oldest")
        << sixteen << QStringLiteral("/new/") << true << QStringList{"/new/"} + sixteen.mid(0, 15);
    QTest::newRow("longer list from the file cut to 16")
        << twenty << QStringLiteral("/new/") << true << QStringList{"/new/"} + twenty.mid(0, 15);
}

void TestConfig::addWorkspace() {
    QFETCH(QStringList, before);
    QFETCH(QString, added);
    QFETCH(bool, result);
    QFETCH(QStringList, after);
    ws_->CreateFile(QStringLiteral("bin/quorvel.Ini"),
                    "[Project]\r\nWorkspace=/w/\r\n" + RecentSection(before));
    TQuorvelConfig config;
    QCOMPARE(config.RecentOpened()->MaxItem(), 16);
    QCOMPARE(config.RecentOpened()->Items(), before);
    QCOMPARE(config.RecentOpened()->AddWorkspace(added), result);
    QCOMPARE(config.RecentOpened()->Items(), after);
}

void TestConfig::readFromIni_data() {
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QStringList>("entries");

    QTest::newRow("no section") << QByteArray("[Project]\r\n") << QStringList();
    QTest::newRow("count beyond the keys")
        << QByteArray("[Recent opened]\r\nItems=3\r\nItem 0=/a/\r\n") << QStringList{"/a/", "", ""};
    QTest::newRow("doubles and empty entries as they stand")
        << QByteArray("[Recent opened]\r\nItems=3\r\nItem 0=/a/\r\nItem 1=/A/\r\nItem 2=\r\n")
        << QStringList{"/a/", "/A/", ""};
    QTest::newRow("count bounds the keys read")
        << QByteArray("[Recent opened]\r\nItems=1\r\nItem 0=/a/\r\nItem 1=/b/\r\n")
        << QStringList{"/a/"};
    QTest::newRow("names in other case")
        << QByteArray("[RECENT OPENED]\r\nitems=1\r\nITEM 0=/a/\r\n") << QStringList{"/a/"};
    QTest::newRow("count is no number")
        << QByteArray("[Recent opened]\r\nItems=many\r\nItem 0=/a/\r\n") << QStringList();
    QTest::newRow("negative count")
        << QByteArray("[Recent opened]\r\nItems=-4\r\n") << QStringList();
    QTest::newRow("damaged count")
        << QByteArray("[Recent opened]\r\nItems=2147483647\r\nItem 0=/a/\r\n")
        << QStringList{"/a/"} + QStringList(1023, QString());
}

void TestConfig::readFromIni() {
    QFETCH(QByteArray, file);
    QFETCH(QStringList, entries);
    const ProfileFile ini(ws_->CreateFile(QStringLiteral("recent.ini"), file));
    TRecentOpened recent;
    recent.ReadFromIni(ini);
    QCOMPARE(recent.Items(), entries);
}

void TestConfig::shorterListLeavesOldKeys() {
    ws_->CreateFile(QStringLiteral("bin/quorvel.Ini"),
                    "[Project]\r\nWorkspace=/w/\r\n" + RecentSection(Entries(4)));
    {
        TQuorvelConfig config;
        config.RecentOpened()->Clear();
        config.RecentOpened()->AddWorkspace(QStringLiteral("/x/"));
    }
    QCOMPARE(ws_->ReadFile(QStringLiteral("bin/quorvel.Ini")),
             QByteArray("[Project]\r\nWorkspace=/w/\r\nShutDown=1\r\nViewStyle=0\r\n"
                        "[Recent opened]\r\nItems=1\r\nItem 0=/x/\r\nItem 1=/w/1/\r\n"
                        "Item 2=/w/2/\r\nItem 3=/w/3/\r\n"));
    TQuorvelConfig next;
    QCOMPARE(next.RecentOpened()->Items(), QStringList{"/x/"});
}

void TestConfig::readOnlyWritesNothing() {
    {
        TQuorvelConfig config(TQuorvelConfig::Access::ReadOnly);
        QVERIFY(config.ShutDownCorrect());
        config.GetWorkspace();
        config.SetWorkspace(QStringLiteral("/w/"));
        config.Write();
    }
    QVERIFY(!QFile::exists(SettingsFile()));

    const QByteArray before("[Project]\r\nShutDown=0\r\nWorkspace=/w/\r\n");
    ws_->CreateFile(QStringLiteral("bin/quorvel.Ini"), before);
    {
        TQuorvelConfig config(TQuorvelConfig::Access::ReadOnly);
        QVERIFY(!config.ShutDownCorrect());
        QCOMPARE(config.GetWorkspace(), QStringLiteral("/w/"));
        config.RecentOpened()->AddWorkspace(QStringLiteral("/x/"));
    }
    QCOMPARE(ws_->ReadFile(QStringLiteral("bin/quorvel.Ini")), before);
    QVERIFY(user_->shown.isEmpty());
}

void TestConfig::refusedWrites() {
    const QString message = QStringLiteral("Unable to write to ") + SettingsFile();

    // At start: the mark cannot be written, so there is no settings object.
    ws_->CreateDir(QStringLiteral("bin/quorvel.Ini"));
    try {
        TQuorvelConfig config;
        QFAIL("the start mark was not refused");
    } catch (const QuorvelError& error) {
        QCOMPARE(error.Message(), message);
    }
    QVERIFY(QDir(SettingsFile()).removeRecursively());

    // At the end: shown, never thrown out of the destructor.
    {
        TQuorvelConfig config;
        QVERIFY(QFile::remove(SettingsFile()));
        ws_->CreateDir(QStringLiteral("bin/quorvel.Ini"));
    }
    QCOMPARE(user_->shown, QStringList{QStringLiteral("error: ") + message});
}

QUORVEL_TEST_MAIN(TestConfig)
#include "tst_config.moc"
