// Replays every input the catalogue fuzzer ever failed on, and its seeds,
// through the same three paths the fuzzer takes.

#include "fuzz/CatalogueFuzzPaths.h"
#include "support/TestWorkspace.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QtTest>

class TestFuzzRegressions : public QObject {
    Q_OBJECT

private slots:
    void replay_data();
    void replay();
};

void TestFuzzRegressions::replay_data() {
    QTest::addColumn<QString>("file");
    int rows = 0;
    // Beside the tests' sources, wherever the build is (a compiler cache
    // may make __FILE__ relative).
    const QDir fuzz(QStringLiteral(QT_TESTCASE_SOURCEDIR "/../fuzz"));
    for (const char* folder : {"regressions", "corpus"}) {
        const QDir dir(fuzz.filePath(QLatin1String(folder)));
        QVERIFY2(dir.exists(), qPrintable(dir.path()));
        for (const QString& name : dir.entryList(QDir::Files, QDir::Name)) {
            QTest::newRow(qPrintable(dir.dirName() + u'/' + name)) << dir.filePath(name);
            ++rows;
        }
    }
    QVERIFY(rows > 0);
}

void TestFuzzRegressions::replay() {
    QFETCH(QString, file);
    QFile input(file);
    QVERIFY(input.open(QIODevice::ReadOnly));
    const QByteArray bytes = input.readAll();
    QVERIFY(CatalogueFuzzPaths::Reader(bytes));
    QVERIFY(CatalogueFuzzPaths::Catalogue(bytes));
    QVERIFY(CatalogueFuzzPaths::Data(bytes));
}

QUORVEL_TEST_MAIN(TestFuzzRegressions)
#include "tst_fuzzregressions.moc"
