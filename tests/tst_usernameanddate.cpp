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
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QDateTime>("when");
    QTest::addColumn<QString>("expected");

    const QDate day(2024, 3, 5);
    QTest::newRow("midnight") << "en_US" << QDateTime(day, QTime(0, 0)) << "3/5/24";
    QTest::newRow("a millisecond past midnight")
        << "en_US" << QDateTime(day, QTime(0, 0, 0, 1)) << "3/5/24 12:00:00 AM";
    QTest::newRow("a second past midnight")
        << "en_US" << QDateTime(day, QTime(0, 0, 1)) << "3/5/24 12:00:01 AM";
    QTest::newRow("noon") << "en_US" << QDateTime(day, QTime(12, 0)) << "3/5/24 12:00:00 PM";
    QTest::newRow("last moment of the year")
        << "en_US" << QDateTime(QDate(2023, 12, 31), QTime(23, 59, 59, 999))
        << "12/31/23 11:59:59 PM";
    QTest::newRow("German") << "de_DE" << QDateTime(day, QTime(14, 5, 33)) << "05.03.24 14:05:33";
    QTest::newRow("Dutch") << "nl_NL" << QDateTime(day, QTime(14, 5, 33)) << "05-03-2024 14:05:33";
}

void TestUserNameAndDate::checkInDateTime() {
    QFETCH(QString, locale);
    QFETCH(QDateTime, when);
    QFETCH(QString, expected);
    QCOMPARE(CheckInDateTime(when, QLocale(locale)), expected);
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
