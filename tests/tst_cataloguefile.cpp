// The catalogue file and the data files: byte-exact with the files the
// Windows build writes, readable back, and never half-written.

#include "catalogue/CatalogueOwner.h"
#include "catalogue/TClients.h"
#include "catalogue/TVersionItem.h"
#include "catalogue/VersionConsts.h"
#include "platform/BatchedMemoryReads.h"
#include "platform/ConversionError.h"
#include "platform/FolderHandleCache.h"
#include "platform/QuorvelError.h"
#include "platform/TextFile.h"
#include "storage/TConfigStreamer.h"
#include "storage/TSimpleXmlParser.h"
#include "support/FileSizeLimit.h"
#include "support/RecordingViews.h"
#include "support/TestWorkspace.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringEncoder>
#include <QtTest>

#include <csignal>
#include <sys/file.h>
#include <sys/resource.h>

namespace {

const QByteArray kBom = "\xEF\xBB\xBF";

// The worked example: client Acme, project Harbour, versions 'version 1'
// and 'Version 2'.
const QByteArray kExampleCatalogue = "<Clients count=\"1\" >\r"
                                     "<Client name=\"Acme\">\r"
                                     "\r"
                                     "<Projects count=\"1\" >\r"
                                     "<Project name=\"Harbour\">\r"
                                     "\r"
                                     "<Versions count=\"2\" >\r"
                                     "<Version name=\"version 1\">\r"
                                     "\r"
                                     "</Version>\r"
                                     "<Version name=\"Version 2\">\r"
                                     "\r"
                                     "</Version>\r"
                                     "</Versions>\r"
                                     "</Project>\r"
                                     "</Projects>\r"
                                     "</Client>\r"
                                     "</Clients>\r\n";

// The data file of 'Version 2', checked out from 'version 1' by jdoe.
const QByteArray kExampleData = "<Version state=\"checked out\" parent=\"version 1\" >\r"
                                "<Editor>\r"
                                "C:\\Tools\\ed.exe</Editor>\r"
                                "    <Date_time>\r"
                                "        12-03-2024 14:05:33\r"
                                "    </Date_time>\r"
                                "    <Owner>\r"
                                "        jdoe\r"
                                "    </Owner>\r"
                                "    <Description>\r"
                                "        \r"
                                "    </Description>\r"
                                "</Version>\r\n";

class TestOwner : public CatalogueOwner {
public:
    explicit TestOwner(QString workSpace, CatalogueTreeView* tree = nullptr)
        : workSpace_(std::move(workSpace)), tree_(tree) {}
    QString WorkSpace() const override { return workSpace_; }
    CatalogueTreeView* TreeView() const override { return tree_; }

private:
    QString workSpace_;
    CatalogueTreeView* tree_;
};

TVersionItem* Add(TVersionCollection* collection, const QString& name) {
    TVersionItem* item = collection->AddItem();
    item->SetName(name);
    return item;
}

// Builds client / project / versions and returns the last version.
TVersionItem* BuildExample(TClients& root, const QString& client = QStringLiteral("Acme"),
                           const QString& project = QStringLiteral("Harbour"),
                           const QString& version = QStringLiteral("version 1")) {
    TVersionItem* c = Add(&root, client);
    TVersionItem* p = Add(c->VersionCollection(), project);
    Add(p->VersionCollection(), version);
    return Add(p->VersionCollection(), QStringLiteral("Version 2"));
}

// The tree as indented names, two blanks a level.
void Outline(const TVersionCollection* collection, int depth, QStringList& out) {
    for (int i = 0; i < collection->Count(); ++i) {
        const TVersionItem* item = collection->GetItems(i);
        out << QString(depth * 2, u' ') + item->Name();
        if (item->HasCollection())
            Outline(item->VersionCollection(), depth + 1, out);
    }
}

QStringList Outline(const TVersionCollection& root) {
    QStringList out;
    Outline(&root, 0, out);
    return out;
}

void ReadCatalogue(const QString& folder, TClients& root) {
    const std::unique_ptr<TSimpleXmlParser> parser = TConfigStreamer(folder).GetParser();
    QVERIFY(parser);
    root.ReadFromXml(*parser);
}

// The version 'Version 2' of Acme / Harbour with a folder of its own.
struct ExampleVersion {
    explicit ExampleVersion(const TestWorkspace& ws) : owner(ws.Path()), root(&owner) {
        version = BuildExample(root);
        ws.CreateDir("Acme/Harbour/Version 2");
    }
    TestOwner owner;
    TClients root;
    TVersionItem* version;
};

TCheckInProperties Record(const QString& date, const QString& owner, const QString& text) {
    TCheckInProperties record;
    record.sDatetime = date;
    record.sOwner = owner;
    record.sDescription = text;
    return record;
}

} // namespace

class TestCatalogueFile : public QObject {
    Q_OBJECT

private slots:
    void workedExampleCatalogue();
    void workedExampleDataFile();
    void emptyWorkspace();
    void namesRoundTrip_data();
    void namesRoundTrip();
    void encodingsRead_data();
    void encodingsRead();
    void lineEnds_data();
    void lineEnds();
    void readFromMemoryEveryWay();
    void dataFileReading_data();
    void dataFileReading();
    void descriptionRoundTrip_data();
    void descriptionRoundTrip();
    void counts_data();
    void counts();
    void missingFiles_data();
    void missingFiles();
    void endlessFileIsRefused();
    void failedWriteKeepsOldFile();
    void writeIntoMissingFolder();
    void linkIsReplacedNotFollowed_data();
    void linkIsReplacedNotFollowed();
    void interruptedSavesAreCleanedUp_data();
    void interruptedSavesAreCleanedUp();
};

void TestCatalogueFile::workedExampleCatalogue() {
    TestWorkspace ws;
    TestOwner owner(ws.Path());
    TClients root(&owner);
    BuildExample(root);
    TConfigStreamer(ws.Path()).WriteXmlString(root.AsXml());
    QCOMPARE(ws.ReadFile("QuorvelConfig.xml"), kExampleCatalogue);

    TClients loaded(&owner);
    ReadCatalogue(ws.Path(), loaded);
    QCOMPARE(Outline(loaded), (QStringList{"Acme", "  Harbour", "    version 1", "    Version 2"}));
    const TVersionCollection* versions =
        loaded.GetItems(0)->VersionCollection()->GetItems(0)->VersionCollection();
    for (int i = 0; i < versions->Count(); ++i) {
        QCOMPARE(versions->GetItems(i)->State(), vsCheckedIn);
        QCOMPARE(versions->GetItems(i)->Editor(), QString());
    }

    TConfigStreamer(ws.Path()).WriteXmlString(loaded.AsXml());
    QCOMPARE(ws.ReadFile("QuorvelConfig.xml"), kExampleCatalogue);
}

void TestCatalogueFile::workedExampleDataFile() {
    TestWorkspace ws;
    ExampleVersion written(ws);
    written.version->SetState(vsCheckedOut);
    written.version->SetParentVersion(QStringLiteral("version 1"));
    written.version->SetEditor(QStringLiteral("C:\\Tools\\ed.exe"));
    written.version->SetCheckInProperties(
        Record(QStringLiteral("12-03-2024 14:05:33"), QStringLiteral("jdoe"), QString()));
    written.version->WriteData();
    const QString file = "Acme/Harbour/Version 2/QuorvelConfig.xml";
    QCOMPARE(ws.ReadFile(file), kExampleData);

    ExampleVersion read(ws);
    read.version->LoadData();
    QCOMPARE(read.version->State(), vsCheckedOut);
    QCOMPARE(read.version->ParentVersion(), QStringLiteral("version 1"));
    QCOMPARE(read.version->Editor(), QStringLiteral("C:\\Tools\\ed.exe"));
    QCOMPARE(read.version->CheckInProperties(),
             Record(QStringLiteral("12-03-2024 14:05:33"), QStringLiteral("jdoe"), QString()));

    read.version->WriteData();
    QCOMPARE(ws.ReadFile(file), kExampleData);
}

void TestCatalogueFile::emptyWorkspace() {
    TestWorkspace ws;
    TestOwner owner(ws.Path());
    TClients root(&owner);
    TConfigStreamer(ws.Path()).WriteXmlString(root.AsXml());
    QCOMPARE(ws.ReadFile("QuorvelConfig.xml"),
             QByteArray("<Clients count=\"0\" >\r</Clients>\r\n"));

    TClients loaded(&owner);
    ReadCatalogue(ws.Path(), loaded);
    QCOMPARE(loaded.Count(), 0);
}

void TestCatalogueFile::namesRoundTrip_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("stored");
    QTest::addColumn<bool>("utf8");

    QTest::newRow("ampersand unescaped") << "R&D" << QByteArray("R&D") << false;
    QTest::newRow("Latin-1 letter") << "M\u00FCller"
                                    << QByteArray("M\xFC"
                                                  "ller")
                                    << false;
    QTest::newRow("Windows-1252 extras")
        << "\u20AC \u0152 \u201C" << QByteArray("\x80 \x8C \x93") << false;
    QTest::newRow("Polish letters need UTF-8") << "\u0141\u00F3d\u017A"
                                               << QByteArray("\xC5\x81\xC3\xB3"
                                                             "d\xC5\xBA")
                                               << true;
    QTest::newRow("Japanese needs UTF-8")
        << "\u6771\u4EAC" << QByteArray("\xE6\x9D\xB1\xE4\xBA\xAC") << true;
}

void TestCatalogueFile::namesRoundTrip() {
    QFETCH(QString, name);
    QFETCH(QByteArray, stored);
    QFETCH(bool, utf8);
    TestWorkspace ws;
    TestOwner owner(ws.Path());
    TClients root(&owner);
    BuildExample(root, name, name, name);
    TConfigStreamer(ws.Path()).WriteXmlString(root.AsXml());
    const QByteArray bytes = ws.ReadFile("QuorvelConfig.xml");
    QCOMPARE(bytes.startsWith(kBom), utf8);
    QVERIFY(bytes.contains("<Client name=\"" + stored + "\">\r"));
    QVERIFY(bytes.contains("<Version name=\"" + stored + "\">\r"));

    TClients loaded(&owner);
    ReadCatalogue(ws.Path(), loaded);
    QCOMPARE(Outline(loaded), Outline(root));

    TConfigStreamer(ws.Path()).WriteXmlString(loaded.AsXml());
    QCOMPARE(ws.ReadFile("QuorvelConfig.xml"), bytes);
}

void TestCatalogueFile::encodingsRead_data() {
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("client");
    QTest::addColumn<QByteArray>("savedAgain");

    const QString text = QStringLiteral("<Clients count=\"1\" >\r<Client name=\"M\u00FCller\">\r\r"
                                        "<Projects count=\"0\" >\r</Projects>\r</Client>\r"
                                        "</Clients>\r\n");
    const QByteArray windows1252 = TextFile::EncodeWindows1252(text);
    QStringEncoder toUtf16Le(QStringEncoder::Utf16LE);
    QStringEncoder toUtf16Be(QStringEncoder::Utf16BE);

    QTest::newRow("UTF-8 with BOM") << kBom + text.toUtf8() << "M\u00FCller" << windows1252;
    QTest::newRow("UTF-16 LE with BOM")
        << QByteArray("\xFF\xFE") + QByteArray(toUtf16Le(text)) << "M\u00FCller" << windows1252;
    QTest::newRow("UTF-16 BE with BOM")
        << QByteArray("\xFE\xFF") + QByteArray(toUtf16Be(text)) << "M\u00FCller" << windows1252;
    QTest::newRow("Windows-1252") << windows1252 << "M\u00FCller" << windows1252;
    // Without a mark the bytes are Windows-1252, whatever they were meant as.
    QTest::newRow("UTF-8 without BOM") << text.toUtf8() << "M\u00C3\u00BCller" << text.toUtf8();
}

void TestCatalogueFile::encodingsRead() {
    QFETCH(QByteArray, file);
    QFETCH(QString, client);
    QFETCH(QByteArray, savedAgain);
    TestWorkspace ws;
    ws.CreateFile("QuorvelConfig.xml", file);
    TestOwner owner(ws.Path());
    TClients root(&owner);
    ReadCatalogue(ws.Path(), root);
    QCOMPARE(Outline(root), QStringList{client});

    TConfigStreamer(ws.Path()).WriteXmlString(root.AsXml());
    QCOMPARE(ws.ReadFile("QuorvelConfig.xml"), savedAgain);
}

void TestCatalogueFile::lineEnds_data() {
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("text");

    QTest::newRow("empty file") << QByteArray() << "";
    QTest::newRow("CR inside, CR LF at the end") << QByteArray("a\rb\r\n") << "a\r\nb\r\n";
    QTest::newRow("LF alone") << QByteArray("a\nb\n") << "a\r\nb\r\n";
    QTest::newRow("no break at the end") << QByteArray("a\r\nb") << "a\r\nb\r\n";
    QTest::newRow("empty lines stay") << QByteArray("\r\r\n\n") << "\r\n\r\n\r\n";
    QTest::newRow("LF then CR is two breaks") << QByteArray("a\n\rb") << "a\r\n\r\nb\r\n";
    QTest::newRow("CR at the very end") << QByteArray("a\r") << "a\r\n";
    QTest::newRow("with a byte-order mark") << kBom + "x\ry"
                                            << "x\r\ny\r\n";
    QTest::newRow("high bytes decoded") << QByteArray("\x80\xFF\r") << "\u20AC\u00FF\r\n";
    QTest::newRow("a page exactly") << QByteArray(4094, 'a') + "\r\n"
                                    << QString(4094, u'a') + "\r\n";
    QTest::newRow("a page and a byte") << QByteArray(4095, 'a') + "\r\n"
                                       << QString(4095, u'a') + "\r\n";
    QTest::newRow("longer than one read")
        << QByteArray(10000, 'a') + "\r" << QString(10000, u'a') + "\r\n";
    // Large files are read and joined in parts: with and without the one
    // byte before, some CR LF straddles every even boundary between parts.
    const QByteArray crLfs = QByteArray("\r\n").repeated(600000);
    QTest::newRow("CR LF on a boundary between parts") << crLfs << QString::fromLatin1(crLfs);
    QTest::newRow("CR LF across a boundary between parts")
        << "x" + crLfs << "x" + QString::fromLatin1(crLfs);
}

void TestCatalogueFile::lineEnds() {
    QFETCH(QByteArray, file);
    QFETCH(QString, text);
    QCOMPARE(TConfigStreamer::ParserFor(file)->Xml(), text);

    TestWorkspace ws;
    ws.CreateFile("QuorvelConfig.xml", file);
    const std::unique_ptr<TSimpleXmlParser> parser = TConfigStreamer(ws.Path()).GetParser();
    QVERIFY(parser);
    QCOMPARE(parser->Xml(), text);
    QCOMPARE(parser->Position(), 0);
    // The same from memory, where the file just written still is.
    std::unique_ptr<TSimpleXmlParser> cached;
    if (TConfigStreamer(ws.Path()).GetParserIfInMemory(&cached)) {
        QVERIFY(cached);
        QCOMPARE(cached->Xml(), text);
    }

    // Read as the catalogue is, a part at a time.
    QByteArray parts;
    const std::unique_ptr<TSimpleXmlParser> read = TConfigStreamer(ws.Path()).ReadParser(
        [&parts](QByteArrayView part) { parts.append(part); }, [] {});
    // A search that finds nothing reads to the end and, from a cursor
    // still at the start, holds all it read.
    QVERIFY(!read->findElement(u"\uFFFF"));
    QCOMPARE(read->Xml(), text);
    QCOMPARE(parts, file);
}

// A listing reads data files from memory a batch at a time, or else opens
// each from its project's folder, kept open from one file to the next:
// every answer is the one the whole path gives alone, and the next pass
// opens the folder now at the path.
void TestCatalogueFile::readFromMemoryEveryWay() {
    TestWorkspace ws;
    ws.CreateFile("C/P/v1/QuorvelConfig.xml", "p1");
    ws.CreateFile("C/P/v2/QuorvelConfig.xml", QByteArray(4096, 'a'));
    ws.CreateFile("C/P/v3/QuorvelConfig.xml", QByteArray(5000, 'b'));
    ws.CreateFile("C/P/v5/QuorvelConfig.xml", QByteArray());
    ws.CreateFile("C/Q/v1/QuorvelConfig.xml", "q1");
    ws.CreateDir("C/P/v6/QuorvelConfig.xml");
    QStringList paths;
    for (const char* path :
         {"C/P/v1/QuorvelConfig.xml", "C/P/v2/QuorvelConfig.xml", "C/P/v3/QuorvelConfig.xml",
          "C/P/v4/QuorvelConfig.xml", "C/P/v5/QuorvelConfig.xml", "C/P/v6/QuorvelConfig.xml",
          "C/Q/v1/QuorvelConfig.xml", "C/P/v1/QuorvelConfig.xml", "X/P/v1/QuorvelConfig.xml"})
        paths << ws.Path() + QLatin1String(path);
    const auto readAll = [&] {
        QStringList answers;
        for (const QString& path : paths) {
            QByteArray bytes;
            const TextFile::CachedRead read = TextFile::ReadIfInMemory(path, &bytes);
            answers << QString::number(int(read)) + u':' + QString::number(bytes.size()) + u':' +
                           QString::fromLatin1(bytes.first(std::min(bytes.size(), qsizetype(2))));
        }
        return answers;
    };
    const QStringList plain = readAll();
    // The rest may need the disk to say what is not a file there.
    QCOMPARE(plain.mid(0, 3), (QStringList{"0:2:p1", "0:4096:aa", "0:5000:bb"}));
    QCOMPARE(plain.mid(6, 2), (QStringList{"0:2:q1", "0:2:p1"}));
    {
        FolderHandleCache folders;
        QCOMPARE(readAll(), plain);
    }
    {
        BatchedMemoryReads batch;
        QStringList folders;
        for (const QString& path : paths)
            folders << path.chopped(TConfigStreamer::ConfigFileName().size());
        batch.ReadAhead(folders, TConfigStreamer::ConfigFileName());
        QCOMPARE(readAll(), plain);
    }

    QVERIFY(QDir(ws.Path()).rename("C/P", "C/Old"));
    ws.CreateFile("C/P/v1/QuorvelConfig.xml", "new");
    FolderHandleCache folders;
    QByteArray bytes;
    QCOMPARE(TextFile::ReadIfInMemory(paths[0], &bytes), TextFile::CachedRead::Read);
    QCOMPARE(bytes, QByteArray("new"));
}

void TestCatalogueFile::dataFileReading_data() {
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<int>("state");
    QTest::addColumn<QString>("parent");
    QTest::addColumn<QString>("editor");
    QTest::addColumn<QStringList>("record");

    const QStringList example{"12-03-2024 14:05:33", "jdoe", ""};
    const QStringList before{"old date", "old owner", "old text"};

    QTest::newRow("worked example") << kExampleData << int(vsCheckedOut) << "version 1"
                                    << "C:\\Tools\\ed.exe" << example;
    QByteArray lf = kExampleData;
    lf.replace("\r\n", "\n").replace('\r', '\n');
    QTest::newRow("LF line ends") << lf << int(vsCheckedOut) << "version 1"
                                  << "C:\\Tools\\ed.exe" << example;
    QByteArray otherCase = kExampleData;
    otherCase.replace("checked out", "Checked Out");
    QTest::newRow("state name in other case") << otherCase << int(vsCheckedIn) << "version 1"
                                              << "C:\\Tools\\ed.exe" << example;
    QByteArray blanks = kExampleData;
    blanks.replace("checked out", " checked out");
    blanks.replace("parent=\"version 1\"", "parent=\"  version 1\t\"");
    QTest::newRow("blanks: state unknown, parent trimmed")
        << blanks << int(vsCheckedIn) << "version 1"
        << "C:\\Tools\\ed.exe" << example;
    QTest::newRow("no state, no parent, nothing else")
        << QByteArray("<Version >\r</Version>\r\n") << int(vsCheckedIn) << ""
        << "old.exe" << before;
    QTest::newRow("no Version element changes nothing")
        << QByteArray("<Other state=\"checked in\">\r<Editor>x</Editor>\r\n") << int(vsCheckedOut)
        << "old parent"
        << "old.exe" << before;
    QTest::newRow("only the owner")
        << QByteArray("<Version state=\"checked out\" >\r<Owner>\r  ann  \r</Owner>\r\n")
        << int(vsCheckedOut) << ""
        << "old.exe" << QStringList{"old date", "ann", "old text"};
    QStringEncoder toUtf16Le(QStringEncoder::Utf16LE);
    QTest::newRow("UTF-16 LE") << QByteArray("\xFF\xFE") +
                                      QByteArray(toUtf16Le(QString::fromLatin1(kExampleData)))
                               << int(vsCheckedOut) << "version 1"
                               << "C:\\Tools\\ed.exe" << example;
}

void TestCatalogueFile::dataFileReading() {
    QFETCH(QByteArray, file);
    QFETCH(int, state);
    QFETCH(QString, parent);
    QFETCH(QString, editor);
    QFETCH(QStringList, record);
    TestWorkspace ws;
    ExampleVersion example(ws);
    TVersionItem* version = example.version;
    version->SetState(vsCheckedOut);
    version->SetParentVersion(QStringLiteral("old parent"));
    version->SetEditor(QStringLiteral("old.exe"));
    version->SetCheckInProperties(Record("old date", "old owner", "old text"));
    ws.CreateFile("Acme/Harbour/Version 2/QuorvelConfig.xml", file);

    version->LoadData();
    QCOMPARE(int(version->State()), state);
    QCOMPARE(version->ParentVersion(), parent);
    QCOMPARE(version->Editor(), editor);
    QCOMPARE(version->CheckInProperties(), Record(record[0], record[1], record[2]));
}

void TestCatalogueFile::descriptionRoundTrip_data() {
    QTest::addColumn<QString>("description");
    QTest::addColumn<QString>("readBack");
    QTest::addColumn<bool>("sameBytes");

    QTest::newRow("empty") << ""
                           << "" << true;
    QTest::newRow("one line") << "Fixed the hull"
                              << "Fixed the hull" << true;
    QTest::newRow("CR LF inside") << "first\r\nsecond"
                                  << "first\r\nsecond" << true;
    QTest::newRow("CR inside") << "first\rsecond"
                               << "first\r\nsecond" << false;
    QTest::newRow("LF inside") << "first\nsecond"
                               << "first\r\nsecond" << false;
    QTest::newRow("blank lines inside stay") << "a\r\n\r\nb"
                                             << "a\r\n\r\nb" << true;
    QTest::newRow("outer blanks and lines go") << " \r\n\t padded \r\n\r\n"
                                               << "padded" << false;
    QTest::newRow("cut at <") << "a < b"
                              << "a" << false;
    QTest::newRow("ampersand") << "R&D &amp; more"
                               << "R&D &amp; more" << true;
    QTest::newRow("beyond Windows-1252") << "\u0141\u00F3d\u017A\r\n\u6771\u4EAC"
                                         << "\u0141\u00F3d\u017A\r\n\u6771\u4EAC" << true;
}

void TestCatalogueFile::descriptionRoundTrip() {
    QFETCH(QString, description);
    QFETCH(QString, readBack);
    QFETCH(bool, sameBytes);
    TestWorkspace ws;
    const QString file = "Acme/Harbour/Version 2/QuorvelConfig.xml";
    ExampleVersion written(ws);
    written.version->SetCheckInProperties(Record("d", "o", description));
    written.version->WriteData();
    const QByteArray first = ws.ReadFile(file);

    ExampleVersion read(ws);
    read.version->LoadData();
    QCOMPARE(read.version->CheckInProperties(), Record("d", "o", readBack));
    read.version->WriteData();
    QCOMPARE(ws.ReadFile(file) == first, sameBytes);
}

void TestCatalogueFile::counts_data() {
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QStringList>("outline");
    QTest::addColumn<bool>("conversionError");

    QByteArray huge = kExampleCatalogue;
    huge.replace("<Clients count=\"1\"", "<Clients count=\"2000000000\"");
    huge.replace("<Versions count=\"2\"", "<Versions count=\"2000000000\"");
    const QStringList example{"Acme", "  Harbour", "    version 1", "    Version 2"};
    QTest::newRow("surplus counts make no nameless items") << huge << example << false;

    QByteArray fewer = kExampleCatalogue;
    fewer.replace("<Versions count=\"2\"", "<Versions count=\"1\"");
    QTest::newRow("a smaller count reads fewer")
        << fewer << QStringList{"Acme", "  Harbour", "    version 1"} << false;

    QByteArray negative = kExampleCatalogue;
    negative.replace("<Projects count=\"1\"", "<Projects count=\"-3\"");
    QTest::newRow("negative count reads none") << negative << QStringList{"Acme"} << false;

    // A surplus takes the next element of its name further on.
    const QByteArray twoProjects = "<Clients count=\"1\" >\r<Client name=\"A\">\r\r"
                                   "<Projects count=\"2\" >\r"
                                   "<Project name=\"P\">\r\r<Versions count=\"2\" >\r"
                                   "<Version name=\"v1\">\r\r</Version>\r</Versions>\r"
                                   "</Project>\r<Project name=\"Q\">\r\r<Versions count=\"1\" >\r"
                                   "<Version name=\"w1\">\r\r</Version>\r</Versions>\r"
                                   "</Project>\r</Projects>\r</Client>\r</Clients>\r\n";
    QTest::newRow("a surplus takes the next match, even in another project")
        << twoProjects << QStringList{"A", "  P", "    v1", "    w1"} << false;

    QByteArray text = kExampleCatalogue;
    text.replace("<Versions count=\"2\"", "<Versions count=\"two\"");
    QTest::newRow("count not a number") << text << QStringList{"Acme", "  Harbour"} << true;

    QByteArray missing = kExampleCatalogue;
    missing.replace("<Clients count=\"1\" >", "<Clients>");
    QTest::newRow("count missing: the next count is taken")
        << missing << QStringList{"Acme", "  Harbour", "    version 1", "    Version 2"} << false;

    QByteArray none = kExampleCatalogue;
    none.replace(" count=\"", " size=\"");
    QTest::newRow("no count anywhere") << none << QStringList{} << true;
    QTest::newRow("no Clients element")
        << QByteArray("<Client name=\"A\">\r\n") << QStringList{} << false;
}

void TestCatalogueFile::counts() {
    QFETCH(QByteArray, file);
    QFETCH(QStringList, outline);
    QFETCH(bool, conversionError);
    TestWorkspace ws;
    ws.CreateFile("QuorvelConfig.xml", file);
    RecordingTreeView tree;
    TestOwner owner(ws.Path(), &tree);
    TClients root(&owner);
    const std::unique_ptr<TSimpleXmlParser> parser = TConfigStreamer(ws.Path()).GetParser();
    bool raised = false;
    try {
        root.ReadFromXml(*parser);
    } catch (const ConversionError&) {
        raised = true;
    }
    QCOMPARE(raised, conversionError);
    QCOMPARE(Outline(root), outline);
    // Clients and projects have nodes, versions none; no node outlives its item.
    QStringList shown;
    for (const QString& line : outline) {
        if (!line.startsWith(QLatin1String("    ")))
            shown << line;
    }
    QCOMPARE(tree.Outline(), shown);
}

// What counts as no data file: read without a look beforehand, each of
// these is still none.
void TestCatalogueFile::missingFiles_data() {
    QTest::addColumn<QString>("what");
    QTest::newRow("nothing") << "";
    QTest::newRow("a folder in its place") << "folder";
    QTest::newRow("a link to nothing") << "link";
    QTest::newRow("its folder is a file") << "file";
}

void TestCatalogueFile::missingFiles() {
    QFETCH(QString, what);
    TestWorkspace ws;
    QString folder = ws.Path();
    if (what == QLatin1String("folder"))
        ws.CreateDir(QStringLiteral("QuorvelConfig.xml"));
    if (what == QLatin1String("link"))
        QVERIFY(QFile::link(ws.Path() + QStringLiteral("gone"),
                            ws.Path() + QStringLiteral("QuorvelConfig.xml")));
    if (what == QLatin1String("file"))
        folder = ws.CreateFile(QStringLiteral("work.txt"), "x") + u'/';
    const TConfigStreamer streamer(folder);
    QVERIFY(!streamer.ConfigExist());
    QVERIFY(!streamer.GetParser());

    ExampleVersion example(ws);
    example.version->SetEditor(QStringLiteral("kept.exe"));
    example.version->LoadData();
    QCOMPARE(example.version->Editor(), QStringLiteral("kept.exe"));
}

// A device linked in a data file's place is refused, not read forever.
void TestCatalogueFile::endlessFileIsRefused() {
    TestWorkspace ws;
    QVERIFY(
        QFile::link(QStringLiteral("/dev/zero"), ws.Path() + QStringLiteral("QuorvelConfig.xml")));
    const TConfigStreamer streamer(ws.Path());
    QVERIFY_THROWS_EXCEPTION(QuorvelError, streamer.GetParser());
}

void TestCatalogueFile::failedWriteKeepsOldFile() {
    TestWorkspace ws;
    const TConfigStreamer streamer(ws.Path());
    streamer.WriteXmlString(QStringLiteral("<Clients count=\"0\" >\r</Clients>"));
    const QByteArray old = ws.ReadFile("QuorvelConfig.xml");

    TestOwner owner(ws.Path());
    TClients root(&owner);
    BuildExample(root, QString(4000, u'x'));
    {
        FileSizeLimit limit(100);
        if (!limit.Active())
            QSKIP("The file size limit cannot be lowered here");
        QVERIFY_THROWS_EXCEPTION(QuorvelError, streamer.WriteXmlString(root.AsXml()));
    }
    QCOMPARE(ws.ReadFile("QuorvelConfig.xml"), old);
    // No half-written temporary file is left beside it.
    QCOMPARE(QDir(ws.Path()).entryList(QDir::Files | QDir::Hidden),
             QStringList{"QuorvelConfig.xml"});

    // Once there is room again the same write succeeds.
    streamer.WriteXmlString(root.AsXml());
    QVERIFY(ws.ReadFile("QuorvelConfig.xml").size() > 4000);
}

void TestCatalogueFile::writeIntoMissingFolder() {
    TestWorkspace ws;
    QVERIFY_THROWS_EXCEPTION(QuorvelError,
                             TConfigStreamer(ws.Path() + "gone/").WriteXmlString("<A>"));
    QVERIFY(!ws.Exists("gone"));

    TestOwner owner(ws.Path());
    TClients root(&owner);
    TVersionItem* version = BuildExample(root);
    QVERIFY_THROWS_EXCEPTION(QuorvelError, version->WriteData());
    QVERIFY(!ws.Exists("Acme"));
}

void TestCatalogueFile::linkIsReplacedNotFollowed_data() {
    QTest::addColumn<bool>("targetExists");
    QTest::newRow("link to a file outside") << true;
    QTest::newRow("dangling link to outside") << false;
}

void TestCatalogueFile::linkIsReplacedNotFollowed() {
    QFETCH(bool, targetExists);
    TestWorkspace ws;
    TestWorkspace outside;
    const QString target = outside.Path() + "target.txt";
    if (targetExists)
        outside.CreateFile("target.txt", "keep me");
    QVERIFY(QFile::link(target, ws.Path() + "QuorvelConfig.xml"));

    TConfigStreamer(ws.Path()).WriteXmlString(QStringLiteral("<Clients count=\"0\" >\r</Clients>"));

    const QFileInfo written(ws.Path() + "QuorvelConfig.xml");
    QVERIFY(!written.isSymLink());
    QCOMPARE(ws.ReadFile("QuorvelConfig.xml"),
             QByteArray("<Clients count=\"0\" >\r</Clients>\r\n"));
    QCOMPARE(outside.Exists("target.txt"), targetExists);
    if (targetExists)
        QCOMPARE(outside.ReadFile("target.txt"), QByteArray("keep me"));
    QCOMPARE(QDir(ws.Path()).entryList(QDir::Files | QDir::Hidden),
             QStringList{"QuorvelConfig.xml"});
    // Made like any new file: readable by others unless the umask says no.
    QVERIFY(written.permissions() & QFileDevice::WriteOwner);
    QVERIFY(written.permissions() & QFileDevice::ReadOwner);
}

// A save killed between writing and renaming leaves its temporary beside
// the file; the next save of that file removes it, but never another
// file, nor the temporary of a save still running.
void TestCatalogueFile::interruptedSavesAreCleanedUp_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("heldByASave");
    QTest::addColumn<bool>("removed");
    QTest::newRow("left by a save") << "QuorvelConfig.xml.Ab3xYz" << false << true;
    QTest::newRow("a running save's") << "QuorvelConfig.xml.Ab3xYz" << true << false;
    QTest::newRow("five letters") << "QuorvelConfig.xml.Ab3xY" << false << false;
    QTest::newRow("seven letters") << "QuorvelConfig.xml.Ab3xYzz" << false << false;
    QTest::newRow("not letters") << "QuorvelConfig.xml.Ab-xYz" << false << false;
    QTest::newRow("another file's") << "notes.txt.Ab3xYz" << false << false;
}

void TestCatalogueFile::interruptedSavesAreCleanedUp() {
    QFETCH(QString, name);
    QFETCH(bool, heldByASave);
    QFETCH(bool, removed);
    TestWorkspace ws;
    const QString leftover = ws.CreateFile(name, "half");
    QFile held(leftover);
    if (heldByASave) {
        QVERIFY(held.open(QIODevice::ReadOnly));
        QCOMPARE(::flock(held.handle(), LOCK_EX), 0);
    }
    QCOMPARE(TextFile::IsSaveTemporaryOf(name.toUtf8(), "QuorvelConfig.xml"),
             removed || heldByASave);
    TConfigStreamer(ws.Path()).WriteXmlString(QStringLiteral("<Clients count=\"0\" >\r</Clients>"));
    QCOMPARE(QFileInfo::exists(leftover), !removed);
    QCOMPARE(ws.ReadFile("QuorvelConfig.xml"),
             QByteArray("<Clients count=\"0\" >\r</Clients>\r\n"));
}

QUORVEL_TEST_MAIN(TestCatalogueFile)
#include "tst_cataloguefile.moc"
