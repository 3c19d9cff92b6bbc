// The reader searches plain text forward from one cursor; the stored files
// rely on each quirk of those searches, so the quirks are pinned here.

#include "platform/ConversionError.h"
#include "platform/QuorvelError.h"
#include "storage/TSimpleXmlParser.h"
#include "support/TestWorkspace.h"

#include <QtTest>

#include <algorithm>
#include <memory>
#include <vector>

class TestXmlParser : public QObject {
    Q_OBJECT

private slots:
    void findElement_data();
    void findElement();
    void getAttrib_data();
    void getAttrib();
    void getField_data();
    void getField();
    void readNumber_data();
    void readNumber();
    void newTextForgetsEarlierSearches();
    void damagedTextIsReadInOnePass();
    void textFromASourceIsHeldFromTheCursorOn();
    void loadFromFile();
};

namespace {

// The reader over the whole text, and over the same text given a few
// characters at a time as a large file is read: every search must come out
// the same, also where a name or a value is cut between two parts.
std::vector<std::unique_ptr<TSimpleXmlParser>> Readers(const QString& xml, bool resets = false) {
    std::vector<std::unique_ptr<TSimpleXmlParser>> readers;
    readers.push_back(std::make_unique<TSimpleXmlParser>(xml));
    // A reader from a source holds no text before its cursor to go back to.
    if (resets)
        return readers;
    for (const qsizetype size : {1, 2, 5}) {
        auto at = std::make_shared<qsizetype>(0);
        readers.push_back(std::make_unique<TSimpleXmlParser>([xml, size, at](QString& text) {
            const QStringView part =
                QStringView(xml).sliced(*at).first(std::min(size, xml.size() - *at));
            *at += part.size();
            text += part;
            return !part.isEmpty();
        }));
    }
    return readers;
}

// Runs steps on the reader: an element name is a findElement, "!reset" a
// Reset. Gives "found@cursor" or "miss@cursor" for each step.
QStringList Run(TSimpleXmlParser& reader, const QStringList& steps) {
    QStringList outcome;
    for (const QString& step : steps) {
        if (step == QLatin1String("!reset")) {
            reader.Reset();
            outcome << QStringLiteral("reset@%1").arg(reader.Position());
            continue;
        }
        const bool found = reader.findElement(step);
        outcome << QStringLiteral("%1@%2").arg(found ? "found" : "miss").arg(reader.Position());
    }
    return outcome;
}

} // namespace

void TestXmlParser::findElement_data() {
    QTest::addColumn<QString>("xml");
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QStringList>("expected");

    const QString versions =
        QStringLiteral("<Versions count=\"2\" >\r\n<Version name=\"version 1\">");
    QTest::newRow("name is a prefix: Version stops at Versions first")
        << versions << QStringList{"Version", "Version", "Version"}
        << QStringList{"found@1", "found@24", "miss@24"};
    QTest::newRow("Client stops at Clients")
        << QStringLiteral("<Clients count=\"1\" >\r<Client name=\"A\">")
        << QStringList{"Client", "Client"} << QStringList{"found@1", "found@22"};
    QTest::newRow("end tags never match")
        << QStringLiteral("</Client><Client>") << QStringList{"Client"} << QStringList{"found@10"};
    QTest::newRow("case matters") << QStringLiteral("<Client>") << QStringList{"client"}
                                  << QStringList{"miss@0"};
    QTest::newRow("a miss keeps the cursor")
        << QStringLiteral("<A><B>") << QStringList{"B", "C", "A"}
        << QStringList{"found@4", "miss@4", "miss@4"};
    QTest::newRow("the search runs past the parent's end")
        << QStringLiteral("<Project></Project></Projects><Version>")
        << QStringList{"Project", "Version"} << QStringList{"found@1", "found@31"};
    QTest::newRow("reset starts over, also before a remembered hit")
        << QStringLiteral("<A><B><A><B>") << QStringList{"B", "B", "!reset", "B", "A"}
        << QStringList{"found@4", "found@10", "reset@0", "found@4", "found@7"};
    QTest::newRow("reset after a miss finds what lies before")
        << QStringLiteral("<A><B>") << QStringList{"B", "A", "!reset", "A"}
        << QStringList{"found@4", "miss@4", "reset@0", "found@1"};
    QTest::newRow("empty text") << QString() << QStringList{"A"} << QStringList{"miss@0"};
    QTest::newRow("name at the very end")
        << QStringLiteral("x<Ver") << QStringList{"Version", "Ver"}
        << QStringList{"miss@0", "found@2"};
}

void TestXmlParser::findElement() {
    QFETCH(QString, xml);
    QFETCH(QStringList, steps);
    QFETCH(QStringList, expected);
    for (const auto& reader : Readers(xml, steps.contains(QStringLiteral("!reset"))))
        QCOMPARE(Run(*reader, steps), expected);
}

void TestXmlParser::getAttrib_data() {
    QTest::addColumn<QString>("xml");
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QString>("attrib");
    QTest::addColumn<QString>("expected");

    const QString data =
        QStringLiteral("<Version state=\"checked out\" parent=\"version 1\" >\r\n<Editor>\r\n");
    QTest::newRow("state") << data << QStringList{"Version"} << "state"
                           << "checked out";
    QTest::newRow("parent") << data << QStringList{"Version"} << "parent"
                            << "version 1";
    QTest::newRow("still the element found before a miss")
        << data << QStringList{"Version", "Owner"} << "parent"
        << "version 1";
    QTest::newRow("cursor 0 gives nothing though the text has it")
        << data << QStringList{} << "state"
        << "";

    const QString clientThenProject =
        QStringLiteral("<Client name=\"A\">\r\n\r\n<Project name=\"B\" count=\"3\">");
    QTest::newRow("runs past the current element")
        << clientThenProject << QStringList{"Client"} << "count"
        << "3";
    QTest::newRow("nowhere from the cursor on")
        << clientThenProject << QStringList{"Client"} << "state"
        << "";
    QTest::newRow("starts at the current element, not before")
        << QStringLiteral("<A x=\"1\"><B>") << QStringList{"B"} << "x"
        << "";
    QTest::newRow("name matches as a substring")
        << QStringLiteral("<Item filename=\"f.txt\" name=\"g\">") << QStringList{"Item"} << "name"
        << "f.txt";
    QTest::newRow("case matters") << QStringLiteral("<A Name=\"x\">") << QStringList{"A"} << "name"
                                  << "";
    QTest::newRow("blanks around the equals sign")
        << QStringLiteral("<A name = \"x\">") << QStringList{"A"} << "name"
        << "";
    QTest::newRow("any opening character, up to a double quote")
        << QStringLiteral("<A name='x' b=\"y\">") << QStringList{"A"} << "name"
        << "x' b=";
    QTest::newRow("entities come back as written")
        << QStringLiteral("<Client name=\"R&amp;D\">") << QStringList{"Client"} << "name"
        << "R&amp;D";
    QTest::newRow("no closing quote: the rest of the text")
        << QStringLiteral("<A name=\"tail\r\n") << QStringList{"A"} << "name"
        << "tail\r\n";
    QTest::newRow("equals sign at the very end")
        << QStringLiteral("<A name=") << QStringList{"A"} << "name"
        << "";
    QTest::newRow("opening quote at the very end")
        << QStringLiteral("<A name=\"") << QStringList{"A"} << "name"
        << "";
    QTest::newRow("empty value") << QStringLiteral("<A name=\"\" b=\"c\">") << QStringList{"A"}
                                 << "name"
                                 << "";
}

void TestXmlParser::getAttrib() {
    QFETCH(QString, xml);
    QFETCH(QStringList, steps);
    QFETCH(QString, attrib);
    QFETCH(QString, expected);
    for (const auto& reader : Readers(xml)) {
        Run(*reader, steps);
        const int cursor = reader->Position();
        QCOMPARE(reader->GetAttrib(attrib), expected);
        // Asking twice gives the same; neither moves the cursor.
        QCOMPARE(reader->GetAttrib(attrib), expected);
        QCOMPARE(reader->Position(), cursor);
    }
}

void TestXmlParser::getField_data() {
    QTest::addColumn<QString>("xml");
    QTest::addColumn<QString>("element");
    QTest::addColumn<QString>("expected");

    QTest::newRow("line break before the value stays")
        << QStringLiteral("<Version >\r\n<Editor>\r\nC:\\Tools\\ed.exe</Editor>\r\n") << "Editor"
        << "\r\nC:\\Tools\\ed.exe";
    QTest::newRow("indentation stays")
        << QStringLiteral("    <Owner>\r\n        jdoe\r\n    </Owner>") << "Owner"
        << "\r\n        jdoe\r\n    ";
    QTest::newRow("text before the first child")
        << QStringLiteral("<A b=\"1\">text<B>x</B></A>") << "A"
        << "text";
    QTest::newRow("end tag at once") << QStringLiteral("<A></A>") << "A"
                                     << "";
    QTest::newRow("no tag after: the rest of the text") << QStringLiteral("<A>tail\r\n") << "A"
                                                        << "tail\r\n";
    QTest::newRow("a > in a value ends the start tag")
        << QStringLiteral("<A b=\"x>y\">z</A>") << "A"
        << "y\">z";
    QTest::newRow("entities come back as written") << QStringLiteral("<A>a &lt; b</A>") << "A"
                                                   << "a &lt; b";
    QTest::newRow("start tag never closed") << QStringLiteral("<A b=\"1\"") << "A"
                                            << "";
    QTest::newRow("cursor 0") << QStringLiteral("text<A>x</A>") << ""
                              << "";
}

void TestXmlParser::getField() {
    QFETCH(QString, xml);
    QFETCH(QString, element);
    QFETCH(QString, expected);
    for (const auto& reader : Readers(xml)) {
        if (!element.isEmpty())
            QVERIFY(reader->findElement(element));
        QCOMPARE(reader->getField(), expected);
        QCOMPARE(reader->ReadString(), expected);
    }
}

void TestXmlParser::readNumber_data() {
    QTest::addColumn<QString>("field");
    QTest::addColumn<bool>("isInt32");
    QTest::addColumn<bool>("isInt64");
    QTest::addColumn<qint64>("value");

    QTest::newRow("42") << "42" << true << true << qint64(42);
    QTest::newRow("negative") << "-7" << true << true << qint64(-7);
    QTest::newRow("letters") << "x" << false << false << qint64(0);
    QTest::newRow("empty") << "" << false << false << qint64(0);
    QTest::newRow("indented number") << "\r\n    42\r\n" << false << false << qint64(0);
    QTest::newRow("only indentation") << "\r\n    " << false << false << qint64(0);
    QTest::newRow("digits then letters") << "12ab" << false << false << qint64(0);
    QTest::newRow("beyond 32 bits") << "2147483648" << false << true << qint64(2147483648LL);
    QTest::newRow("most negative 32-bit") << "-2147483648" << true << true << qint64(-2147483648LL);
    QTest::newRow("beyond 64 bits") << "9223372036854775808" << false << false << qint64(0);
}

void TestXmlParser::readNumber() {
    QFETCH(QString, field);
    QFETCH(bool, isInt32);
    QFETCH(bool, isInt64);
    QFETCH(qint64, value);
    TSimpleXmlParser found(QStringLiteral("<Count>") + field + QStringLiteral("</Count>"));
    QVERIFY(found.findElement(u"Count"));

    const QString message = QStringLiteral("'%1' is not a valid integer value").arg(field);
    if (isInt32) {
        QCOMPARE(qint64(found.ReadInteger()), value);
    } else {
        try {
            found.ReadInteger();
            QFAIL("ReadInteger accepted the field");
        } catch (const ConversionError& error) {
            QCOMPARE(error.Message(), message);
        }
    }
    if (isInt64) {
        QCOMPARE(found.ReadLongInt(), value);
    } else {
        QVERIFY_THROWS_EXCEPTION(ConversionError, found.ReadLongInt());
    }
}

void TestXmlParser::newTextForgetsEarlierSearches() {
    TSimpleXmlParser reader(QStringLiteral("<A name=\"1\"><B>"));
    QVERIFY(!reader.findElement(u"Client"));
    QVERIFY(reader.findElement(u"A"));
    QCOMPARE(reader.GetAttrib(u"count"), QString());

    reader.SetXml(QStringLiteral("<Client count=\"5\"><Client count=\"6\">"));
    QCOMPARE(reader.Position(), 0);
    QVERIFY(reader.findElement(u"Client"));
    QCOMPARE(reader.GetAttrib(u"count"), QStringLiteral("5"));
    QVERIFY(reader.findElement(u"Client"));
    QCOMPARE(reader.GetAttrib(u"count"), QStringLiteral("6"));
}

// Elements that lack what the catalogue asks of them: each search for the
// missing name or attribute would run to the end of the text again, which
// for a file of a few megabytes takes hours.
void TestXmlParser::damagedTextIsReadInOnePass() {
    constexpr int kElements = 200000;
    QString xml = QStringLiteral("<Clients>");
    for (int i = 0; i < kElements; ++i)
        xml += QLatin1String("<Client>");
    xml += QLatin1String("name=\"z\"");
    TSimpleXmlParser reader(xml);
    int found = 0;
    while (reader.findElement(u"Client")) {
        ++found;
        QCOMPARE(reader.GetAttrib(u"name"), QStringLiteral("z"));
        const int cursor = reader.Position();
        QVERIFY(!reader.findElement(u"Projects"));
        QCOMPARE(reader.Position(), cursor);
    }
    // The first match is the Clients element itself.
    QCOMPARE(found, kElements + 1);
}

// A catalogue of a million versions is read in parts: what is held stays
// about a part, however long the text, and ReadRest takes the rest.
void TestXmlParser::textFromASourceIsHeldFromTheCursorOn() {
    constexpr int kElements = 100000;
    // Ten elements a part, and an unclosed tail after the last.
    const QString part = QStringLiteral("<Version name=\"v\">\r\n").repeated(10);
    int parts = 0;
    TSimpleXmlParser reader([&](QString& text) {
        if (parts == kElements / 10 + 1)
            return false;
        text += parts++ < kElements / 10 ? part : QStringLiteral("<Version name=\"tail");
        return true;
    });
    qsizetype mostHeld = 0;
    int found = 0;
    while (reader.findElement(u"Version")) {
        QCOMPARE(reader.GetAttrib(u"name"),
                 found < kElements ? QStringLiteral("v") : QStringLiteral("tail"));
        ++found;
        mostHeld = std::max(mostHeld, reader.Xml().size());
    }
    QCOMPARE(found, kElements + 1);
    QVERIFY2(mostHeld < 4 * part.size(), qPrintable(QString::number(mostHeld)));

    TSimpleXmlParser rest([&parts](QString& text) {
        if (parts == 100)
            return false;
        ++parts;
        text += QStringLiteral("<A>");
        return true;
    });
    parts = 0;
    rest.ReadRest();
    QCOMPARE(parts, 100);
    QVERIFY(!rest.findElement(u"A"));
}

void TestXmlParser::loadFromFile() {
    TestWorkspace ws;
    // Windows-1252: 0x80 is the euro sign, 0xFC u with diaeresis.
    const QString path = ws.CreateFile("a.xml", "<A name=\"\x80 M\xFCller\">");
    TSimpleXmlParser reader(QStringLiteral("<Old>"));
    QVERIFY(reader.findElement(u"Old"));
    reader.LoadFromFile(path);
    QCOMPARE(reader.Position(), 0);
    QVERIFY(reader.findElement(u"A"));
    QCOMPARE(reader.GetAttrib(u"name"), QStringLiteral("\u20AC M\u00FCller"));

    QVERIFY_THROWS_EXCEPTION(QuorvelError, reader.LoadFromFile(ws.Path() + "missing.xml"));
}

QUORVEL_TEST_MAIN(TestXmlParser)
#include "tst_xmlparser.moc"
