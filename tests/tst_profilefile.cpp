// INI files by the Windows profile rules, checked against the bytes the
// Windows functions write and read.
#include "platform/ProfileFile.h"
#include "platform/QuorvelError.h"
#include "support/TestWorkspace.h"

#include <QtTest>

#include <sys/stat.h>

namespace {

const QString kDefault = QStringLiteral("<default>");

QByteArray Utf16Le(const QString& text) {
    QByteArray bytes("\xFF\xFE");
    for (const QChar c : text) {
        bytes.append(char(c.unicode() & 0xFF));
        bytes.append(char(c.unicode() >> 8));
    }
    return bytes;
}

// A file with the given bytes; no file at all for a null array.
QString IniWith(const TestWorkspace& ws, const QByteArray& bytes) {
    if (bytes.isNull())
        return ws.Path() + QStringLiteral("test.ini");
    return ws.CreateFile(QStringLiteral("test.ini"), bytes);
}

// The file's identity: a write through a temporary file gives a new one.
ino_t Inode(const QString& path) {
    struct stat info;
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 ? info.st_ino : 0;
}

} // namespace

class TestProfileFile : public QObject {
    Q_OBJECT

private slots:
    void reading_data();
    void reading();
    void integers_data();
    void integers();
    void sectionNamesInFileOrder();
    void writing_data();
    void writing();
    void writtenTextReadsBack_data();
    void writtenTextReadsBack();
    void refusedWrite_data();
    void refusedWrite();
    void writesThatChangeNothingLeaveTheFile_data();
    void writesThatChangeNothingLeaveTheFile();
    void batchIsOneWrite();
};

void TestProfileFile::reading_data() {
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("expected");

    const QString s = QStringLiteral("S");
    const QString k = QStringLiteral("k");
    QTest::newRow("missing file") << QByteArray() << s << k << kDefault;
    QTest::newRow("windows-1252 with CR LF")
        << QByteArray("[Project]\r\nShutDown=1\r\nWorkspace=C:\\Caf\xE9\\\r\n")
        << QStringLiteral("Project") << QStringLiteral("Workspace")
        << QStringLiteral("C:\\Caf\u00e9\\");
    QTest::newRow("section and key in other case")
        << QByteArray("[PROJECT]\r\nworkspace=w\r\n") << QStringLiteral("Project")
        << QStringLiteral("Workspace") << QStringLiteral("w");
    QTest::newRow("key spelt PATH")
        << QByteArray("[Viewer]\r\nPATH=/usr/bin/v\r\n") << QStringLiteral("Viewer")
        << QStringLiteral("path") << QStringLiteral("/usr/bin/v");
    QTest::newRow("blanks around names and values")
        << QByteArray("  [S]  \r\n \t k  =   some value \t\r\n") << s << k
        << QStringLiteral("some value");
    QTest::newRow("double quotes dropped")
        << QByteArray("[S]\r\nk=\"  padded \"\r\n") << s << k << QStringLiteral("  padded ");
    QTest::newRow("single quotes dropped")
        << QByteArray("[S]\r\nk='x'\r\n") << s << k << QStringLiteral("x");
    QTest::newRow("unmatched quote kept")
        << QByteArray("[S]\r\nk=\"abc\r\n") << s << k << QStringLiteral("\"abc");
    QTest::newRow("inner quotes kept")
        << QByteArray("[S]\r\nk=a \"b\" c\r\n") << s << k << QStringLiteral("a \"b\" c");
    QTest::newRow("empty value is no default")
        << QByteArray("[S]\r\nk=\r\n") << s << k << QString();
    QTest::newRow("later equals sign belongs to the value")
        << QByteArray("[S]\r\nk=a=b\r\n") << s << k << QStringLiteral("a=b");
    QTest::newRow("line without equals sign is no key")
        << QByteArray("[S]\r\nk\r\nk=2\r\n") << s << k << QStringLiteral("2");
    QTest::newRow("only the first of two sections")
        << QByteArray("[S]\r\na=1\r\n[T]\r\n[s]\r\nk=2\r\n") << s << k << kDefault;
    QTest::newRow("first of two keys")
        << QByteArray("[S]\r\nk=1\r\nK=2\r\n") << s << k << QStringLiteral("1");
    QTest::newRow("key of the next section")
        << QByteArray("[S]\r\n[T]\r\nk=1\r\n") << s << k << kDefault;
    QTest::newRow("key before any section") << QByteArray("k=1\r\n[S]\r\n") << s << k << kDefault;
    QTest::newRow("LF line ends") << QByteArray("[S]\nk=v\n") << s << k << QStringLiteral("v");
    QTest::newRow("no final line break")
        << QByteArray("[S]\r\nk=v") << s << k << QStringLiteral("v");
    QTest::newRow("UTF-16 LE with BOM")
        << Utf16Le(QStringLiteral("[S]\r\nk=/home/\u0142ukasz/\r\n")) << s << k
        << QStringLiteral("/home/\u0142ukasz/");
    QTest::newRow("UTF-8 with BOM")
        << QByteArray("\xEF\xBB\xBF[S]\r\nk=\xC5\x82\r\n") << s << k << QStringLiteral("\u0142");
    QTest::newRow("value cut at 2047 characters")
        << QByteArray("[S]\r\nk=") + QByteArray(3000, 'x') + "\r\n"
        << s << k << QString(2047, u'x');
}

void TestProfileFile::reading() {
    QFETCH(QByteArray, file);
    QFETCH(QString, section);
    QFETCH(QString, key);
    QFETCH(QString, expected);
    TestWorkspace ws;
    const ProfileFile ini(IniWith(ws, file));
    QCOMPARE(ini.ReadString(section, key, kDefault), expected);
}

void TestProfileFile::integers_data() {
    QTest::addColumn<QByteArray>("value");
    QTest::addColumn<int>("expected");

    // The default is 7.
    QTest::newRow("decimal") << QByteArray("12") << 12;
    QTest::newRow("negative") << QByteArray("-5") << -5;
    QTest::newRow("0x") << QByteArray("0x10") << 16;
    QTest::newRow("0X") << QByteArray("0X1f") << 31;
    QTest::newRow("dollar") << QByteArray("$10") << 16;
    QTest::newRow("zero") << QByteArray("0") << 0;
    QTest::newRow("blanks around") << QByteArray("  9  ") << 9;
    QTest::newRow("quoted") << QByteArray("\"5\"") << 5;
    QTest::newRow("text") << QByteArray("abc") << 7;
    QTest::newRow("digits then text") << QByteArray("12abc") << 7;
    QTest::newRow("empty") << QByteArray("") << 7;
    QTest::newRow("beyond 32 bits") << QByteArray("99999999999") << 7;
}

void TestProfileFile::integers() {
    QFETCH(QByteArray, value);
    QFETCH(int, expected);
    TestWorkspace ws;
    const ProfileFile ini(IniWith(ws, "[S]\r\nk=" + value + "\r\n"));
    QCOMPARE(ini.ReadInteger(QStringLiteral("S"), QStringLiteral("k"), 7), expected);
    // A Boolean is an integer other than 0.
    QCOMPARE(ini.ReadBool(QStringLiteral("S"), QStringLiteral("k"), true), expected != 0);
}

void TestProfileFile::sectionNamesInFileOrder() {
    TestWorkspace ws;
    const ProfileFile ini(IniWith(ws, "[B]\r\nPath=b\r\n; note\r\n[A]\r\n[b]\r\nPath=c\r\n"
                                      "not a section\r\n[C]\r\n"));
    QCOMPARE(ini.SectionNames(), (QStringList{"B", "A", "C"}));
    QCOMPARE(ProfileFile(ws.Path() + QStringLiteral("none.ini")).SectionNames(), QStringList());
}

void TestProfileFile::writing_data() {
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QByteArray>("after");

    const QString a = QStringLiteral("A");
    const QString b = QStringLiteral("B");
    const QString k = QStringLiteral("k");
    QTest::newRow("first write creates the file")
        << QByteArray() << QStringLiteral("Project") << QStringLiteral("ShutDown")
        << QStringLiteral("0") << QByteArray("[Project]\r\nShutDown=0\r\n");
    QTest::newRow("value replaced in place, names as they stand")
        << QByteArray("[project]\r\n shutdown = 1\r\nWorkspace=x\r\n") << QStringLiteral("Project")
        << QStringLiteral("ShutDown") << QStringLiteral("0")
        << QByteArray("[project]\r\nshutdown=0\r\nWorkspace=x\r\n");
    QTest::newRow("new key at the end of its section")
        << QByteArray("[A]\r\na=1\r\n[B]\r\nb=1\r\n") << a << k << QStringLiteral("2")
        << QByteArray("[A]\r\na=1\r\nk=2\r\n[B]\r\nb=1\r\n");
    QTest::newRow("new key before the blank line")
        << QByteArray("[A]\r\na=1\r\n\r\n[B]\r\n") << a << k << QStringLiteral("2")
        << QByteArray("[A]\r\na=1\r\nk=2\r\n\r\n[B]\r\n");
    QTest::newRow("new key in an empty section")
        << QByteArray("[A]\r\n[B]\r\n") << a << k << QStringLiteral("2")
        << QByteArray("[A]\r\nk=2\r\n[B]\r\n");
    QTest::newRow("new section at the end, no blank line")
        << QByteArray("[A]\r\na=1\r\n") << b << k << QStringLiteral("2")
        << QByteArray("[A]\r\na=1\r\n[B]\r\nk=2\r\n");
    QTest::newRow("new section after a last line without break")
        << QByteArray("[A]\r\na=1") << b << k << QStringLiteral("2")
        << QByteArray("[A]\r\na=1\r\n[B]\r\nk=2\r\n");
    QTest::newRow("first of two sections")
        << QByteArray("[A]\r\nk=1\r\n[a]\r\nk=2\r\n") << a << k << QStringLiteral("3")
        << QByteArray("[A]\r\nk=3\r\n[a]\r\nk=2\r\n");
    QTest::newRow("other lines kept")
        << QByteArray("; note\r\n[A]\r\nnot a key\r\nk=1\r\n") << a << k << QStringLiteral("2")
        << QByteArray("; note\r\n[A]\r\nnot a key\r\nk=2\r\n");
    QTest::newRow("LF file written with CR LF")
        << QByteArray("[A]\nk=1\n") << a << k << QStringLiteral("2")
        << QByteArray("[A]\r\nk=2\r\n");
    QTest::newRow("windows-1252") << QByteArray() << a << k
                                  << QStringLiteral("/home/caf\u00e9/\u20ac")
                                  << QByteArray("[A]\r\nk=/home/caf\xE9/\x80\r\n");
    QTest::newRow("UTF-16 LE when windows-1252 lacks a character")
        << QByteArray("[Project]\r\nShutDown=0\r\n") << QStringLiteral("Project")
        << QStringLiteral("Workspace") << QStringLiteral("/home/\u0142ukasz/Projects/")
        << Utf16Le(QStringLiteral(
               "[Project]\r\nShutDown=0\r\nWorkspace=/home/\u0142ukasz/Projects/\r\n"));
    QTest::newRow("windows-1252 again once everything fits")
        << Utf16Le(QStringLiteral("[A]\r\nk=\u0142\r\n")) << a << k << QStringLiteral("l")
        << QByteArray("[A]\r\nk=l\r\n");
}

void TestProfileFile::writing() {
    QFETCH(QByteArray, before);
    QFETCH(QString, section);
    QFETCH(QString, key);
    QFETCH(QString, value);
    QFETCH(QByteArray, after);
    TestWorkspace ws;
    ProfileFile ini(IniWith(ws, before));
    ini.WriteString(section, key, value);
    QCOMPARE(ws.ReadFile(QStringLiteral("test.ini")), after);
}

void TestProfileFile::writtenTextReadsBack_data() {
    QTest::addColumn<QString>("value");
    QTest::newRow("windows-1252") << QStringLiteral("C:\\Caf\u00e9\\ \u20ac");
    QTest::newRow("beyond windows-1252") << QStringLiteral("/home/\u0142ukasz/\u65e5\u672c/");
    QTest::newRow("empty") << QString();
    QTest::newRow("inner equals sign") << QStringLiteral("a=b");
}

void TestProfileFile::writtenTextReadsBack() {
    QFETCH(QString, value);
    TestWorkspace ws;
    ProfileFile ini(IniWith(ws, "[Other]\r\nx=\xE9\r\n"));
    ini.WriteString(QStringLiteral("S"), QStringLiteral("k"), value);
    QCOMPARE(ini.ReadString(QStringLiteral("S"), QStringLiteral("k"), kDefault), value);
    QCOMPARE(ini.ReadString(QStringLiteral("Other"), QStringLiteral("x"), kDefault),
             QStringLiteral("\u00e9"));
}

void TestProfileFile::refusedWrite_data() {
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("value");

    const QString s = QStringLiteral("S");
    const QString k = QStringLiteral("k");
    const QString v = QStringLiteral("v");
    QTest::newRow("folder in the way") << QStringLiteral("blocker/test.ini") << s << k << v;
    QTest::newRow("file name is a folder") << QStringLiteral("folder.ini") << s << k << v;
    // These would add lines of their own to the file.
    QTest::newRow("line break in a value")
        << QStringLiteral("test.ini") << s << k << QStringLiteral("a\r\n[X]\r\nk=b");
    QTest::newRow("line break in a section")
        << QStringLiteral("test.ini") << QStringLiteral("S]\n[T") << k << v;
    QTest::newRow("equals sign in a key")
        << QStringLiteral("test.ini") << s << QStringLiteral("k=x") << v;
}

void TestProfileFile::refusedWrite() {
    QFETCH(QString, file);
    QFETCH(QString, section);
    QFETCH(QString, key);
    QFETCH(QString, value);
    TestWorkspace ws;
    ws.CreateFile(QStringLiteral("blocker"), "x");
    ws.CreateDir(QStringLiteral("folder.ini"));
    const QByteArray before("[S]\r\nk=old\r\n");
    ws.CreateFile(QStringLiteral("test.ini"), before);

    const QString path = ws.Path() + file;
    ProfileFile ini(path);
    try {
        ini.WriteString(section, key, value);
        QFAIL("the write was not refused");
    } catch (const QuorvelError& error) {
        QCOMPARE(error.Message(), QStringLiteral("Unable to write to ") + path);
    }
    QCOMPARE(ws.ReadFile(QStringLiteral("test.ini")), before);
}

void TestProfileFile::writesThatChangeNothingLeaveTheFile_data() {
    QTest::addColumn<QByteArray>("before");
    QTest::newRow("UTF-16 from Windows, all ASCII")
        << Utf16Le(QStringLiteral("[Viewer]\r\nPath=/bin/cat\r\n"));
    QTest::newRow("line feeds only") << QByteArray("[Viewer]\nPath=/bin/cat\n");
    QTest::newRow("blanks around") << QByteArray("[viewer]\r\n  path = /bin/cat  \r\n");
}

void TestProfileFile::writesThatChangeNothingLeaveTheFile() {
    QFETCH(QByteArray, before);
    TestWorkspace ws;
    const QString path = IniWith(ws, before);
    const ino_t inode = Inode(path);
    ProfileFile ini(path);
    ini.WriteString(QStringLiteral("Viewer"), QStringLiteral("Path"), QStringLiteral("/bin/cat"));
    ini.BeginWrites();
    ini.WriteString(QStringLiteral("Viewer"), QStringLiteral("Path"), QStringLiteral("/bin/cat"));
    ini.EndWrites();
    QCOMPARE(ws.ReadFile(QStringLiteral("test.ini")), before);
    QCOMPARE(Inode(path), inode);
}

void TestProfileFile::batchIsOneWrite() {
    TestWorkspace ws;
    const QByteArray before = "[S]\r\na=1\r\n";
    const QString path = IniWith(ws, before);
    ProfileFile ini(path);
    ini.BeginWrites();
    ini.WriteString(QStringLiteral("S"), QStringLiteral("a"), QStringLiteral("2"));
    ini.WriteString(QStringLiteral("T"), QStringLiteral("b"), QStringLiteral("3"));
    QCOMPARE(ws.ReadFile(QStringLiteral("test.ini")), before);
    ini.EndWrites();
    QCOMPARE(ws.ReadFile(QStringLiteral("test.ini")), QByteArray("[S]\r\na=2\r\n[T]\r\nb=3\r\n"));

    // A batch given up writes nothing.
    ini.BeginWrites();
    ini.WriteString(QStringLiteral("S"), QStringLiteral("a"), QStringLiteral("4"));
    ini.CancelWrites();
    QCOMPARE(ini.ReadString(QStringLiteral("S"), QStringLiteral("a"), kDefault),
             QStringLiteral("2"));
}

QUORVEL_TEST_MAIN(TestProfileFile)
#include "tst_profilefile.moc"
