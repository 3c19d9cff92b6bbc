// The owner and the time stamp written into check-out and check-in records.
#include "platform/DateTimeText.h"
#include "platform/UserName.h"
#include "support/TestWorkspace.h"

#include <QLocale>
#include <QProcess>
#include <QtTest>

class TestUserNameAndDate : public QObject {
    Q_OBJECT

private slots:
    void firstUserName_data();
    void firstUserName();
    void userIsTheLoginName();
    void checkInDateTime_data();
    void checkInDateTime();
    void longTimeHasNoZone_data();
    void longTimeHasNoZone();
    void nowIsTheCurrentDate();
};

void TestUserNameAndDate::firstUserName_data() {
    QTest::addColumn<QStringList>("candidates");
    QTest::addColumn<QString>("expected");

    QTest::newRow("account name") << QStringList{"ada", "bob", "cy"} << "ada";
    QTest::newRow("no account, USER") << QStringList{"", "bob", "cy"} << "bob";
    QTest::newRow("only LOGNAME") << QStringList{"", "", "cy"} << "cy";
    QTest::newRow("nothing known") << QStringList{"", "", ""} << "Unknown";
    QTest::newRow("nothing asked") << QStringList{} << "Unknown";
}

void TestUserNameAndDate::firstUserName() {
    QFETCH(QStringList, candidates);
    QFETCH(QString, expected);
    QCOMPARE(FirstUserName(candidates), expected);
}

void TestUserNameAndDate::userIsTheLoginName() {
    QProcess id;
    id.start(QStringLiteral("id"), {QStringLiteral("-un")});
    if (!id.waitForFinished() || id.exitCode() != 0)
        QSKIP("id -un is not available to tell the login name");
    const QString login = QString::fromLocal8Bit(id.readAllStandardOutput()).trimmed();
    QCOMPARE(GetUserFromWindows(), login.isEmpty() ? QStringLiteral("Unknown") : login);
}

void TestUserNameAndDate::checkInDateTime_data() {
    QTest::addColumn<QDateTime>("when");
    QTest::addColumn<bool>("withTime");

    const QDate day(2024, 3, 5);
    QTest::newRow("midnight") << QDateTime(day, QTime(0, 0)) << false;
    QTest::newRow("a millisecond past midnight") << QDateTime(day, QTime(0, 0, 0, 1)) << true;
    QTest::newRow("a second past midnight") << QDateTime(day, QTime(0, 0, 1)) << true;
    QTest::newRow("noon") << QDateTime(day, QTime(12, 0)) << true;
    QTest::newRow("last moment of the year")
        << QDateTime(QDate(2023, 12, 31), QTime(23, 59, 59, 999)) << true;
}

void TestUserNameAndDate::checkInDateTime() {
    QFETCH(QDateTime, when);
    QFETCH(bool, withTime);
    const QLocale locale = QLocale::system();
    const QString date = locale.toString(when.date(), QLocale::ShortFormat);
    const QString time = locale.toString(when.time(), LongTimeFormat(locale));

    const QString text = CheckInDateTime(when);

    QCOMPARE(text, withTime ? date + u' ' + time : date);
    QVERIFY(!text.isEmpty());
    QCOMPARE(text.trimmed(), text);
}

void TestUserNameAndDate::longTimeHasNoZone_data() {
    QTest::addColumn<QString>("locale");
    QTest::newRow("C") << "C";
    QTest::newRow("en_US") << "en_US";
    QTest::newRow("de_DE") << "de_DE";
    QTest::newRow("nl_NL") << "nl_NL";
}

void TestUserNameAndDate::longTimeHasNoZone() {
    QFETCH(QString, locale);
    const QString format = LongTimeFormat(QLocale(locale));
    QVERIFY2(!format.contains(u't'), qPrintable(format));
    QVERIFY2(format.contains(QStringLiteral("ss")), qPrintable(format));
    QCOMPARE(format.trimmed(), format);
}

void TestUserNameAndDate::nowIsTheCurrentDate() {
    const QDate before = QDate::currentDate();
    const QString text = CheckInDateTimeNow();
    const QDate after = QDate::currentDate();
    const QLocale locale = QLocale::system();
    QVERIFY2(text.startsWith(locale.toString(before, QLocale::ShortFormat)) ||
                 text.startsWith(locale.toString(after, QLocale::ShortFormat)),
             qPrintable(text));
}

QUORVEL_TEST_MAIN(TestUserNameAndDate)
#include "tst_usernameanddate.moc"
