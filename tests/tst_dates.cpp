#include "platform/Dates.h"
#include "platform/Error.h"
#include "support/TestEnv.h"

#include <QApplication>
#include <QtTest>

using namespace platform;

class DatesTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void patterns() {
        const QDateTime moment(QDate(1998, 7, 15), QTime(21, 5, 9));
        QCOMPARE(dates::format(moment, QStringLiteral("yy/mm/dd (aaa)")),
                 QStringLiteral("98/07/15 (水)"));
        QCOMPARE(dates::format(QDate(2026, 12, 5), QStringLiteral("yyyy/mm/dd (aaa)")),
                 QStringLiteral("2026/12/05 (土)"));
        QCOMPARE(dates::format(moment, QStringLiteral("yy/m/dd(aaa)")),
                 QStringLiteral("98/7/15(水)"));
        QCOMPARE(dates::format(moment, QStringLiteral("yyyy年mm月dd日(aaa)")),
                 QStringLiteral("1998年07月15日(水)"));
        QCOMPARE(dates::format(moment, QStringLiteral("yymmdd")), QStringLiteral("980715"));
        // mm after hh or before ss is minutes, not the month.
        QCOMPARE(dates::format(moment, QStringLiteral("hh:mm:ss")), QStringLiteral("21:05:09"));
        QCOMPARE(dates::format(moment, QStringLiteral("hh:nn:ss")), QStringLiteral("21:05:09"));
        QCOMPARE(dates::format(moment, QStringLiteral("yyyy-mm-dd hh:nn:ss")),
                 QStringLiteral("1998-07-15 21:05:09"));
        QCOMPARE(dates::format(QDate(999, 1, 2), QStringLiteral("yyyy/mm")),
                 QStringLiteral("0999/01"));
        QCOMPARE(dates::format(QDate(2000, 1, 2), QStringLiteral("yy")), QStringLiteral("00"));
        // Sunday first: 日 on 2026/12/06.
        QCOMPARE(dates::weekdayName(QDate(2026, 12, 6)), QStringLiteral("日"));
        QCOMPARE(dates::weekdayMondayFirst(QDate(2026, 12, 6)), 7);
        QCOMPARE(dates::weekdayMondayFirst(QDate(1998, 6, 1)), 1);
    }

    void strictReading() {
        QCOMPARE(dates::parseStrict(QStringLiteral("1998/7/5")), QDate(1998, 7, 5));
        QCOMPARE(dates::parseStrict(QStringLiteral("1998/07/05")), QDate(1998, 7, 5));
        QCOMPARE(dates::parseStrict(QStringLiteral("2000/2/29")), QDate(2000, 2, 29));
        QVERIFY(!dates::parseStrict(QStringLiteral("1900/2/29")));
        QVERIFY(!dates::parseStrict(QStringLiteral("1998/6/31")));
        QVERIFY(!dates::parseStrict(QStringLiteral("1998/7/0")));
        QVERIFY(!dates::parseStrict(QStringLiteral("0/0/0")));
        QVERIFY(!dates::parseStrict(QStringLiteral("98/7/5")));
        QVERIFY(!dates::parseStrict(QStringLiteral("1998-7-5")));
        QVERIFY(!dates::parseStrict(QStringLiteral(" 1998/7/5")));
        QVERIFY(!dates::parseStrict(QStringLiteral("99/12/31")));
        QCOMPARE(dates::ymdText(1998, 7, 5), QStringLiteral("1998/7/5"));
    }

    void lenientReading() {
        const QDate today(2026, 12, 6);
        auto read = [&](const char* text) {
            return dates::parseLenient(QString::fromUtf8(text), today);
        };
        QCOMPARE(read("1998/07/15"), QDate(1998, 7, 15));
        QCOMPARE(read("98/7/15"), QDate(1998, 7, 15));
        QCOMPARE(read("29/7/15"), QDate(2029, 7, 15));
        QCOMPARE(read("30/7/15"), QDate(1930, 7, 15));
        QCOMPARE(read("00/1/1"), QDate(2000, 1, 1));
        QCOMPARE(read("7/15"), QDate(2026, 7, 15));
        QCOMPARE(read("1998-7-15"), QDate(1998, 7, 15));
        QCOMPARE(read("1998.7.15"), QDate(1998, 7, 15));
        QCOMPARE(read("1998年7月15日"), QDate(1998, 7, 15));
        QCOMPARE(read("7月15日"), QDate(2026, 7, 15));
        QCOMPARE(read("１９９８／０７／１５"), QDate(1998, 7, 15));
        QCOMPARE(read(" 1998/7/15 "), QDate(1998, 7, 15));
        QCOMPARE(read("7/15/1998"), QDate(1998, 7, 15));
        QCOMPARE(read("1998/7"), QDate(1998, 7, 1));
        QVERIFY(!read("2001"));
        QVERIFY(!read(""));
        QVERIFY(!read("abc"));
        QVERIFY(!read("1998/02/30"));
        QVERIFY(!read("2/29")); // 2026 is no leap year
        QVERIFY(!read("1998/7-15"));
        QVERIFY(!read("7月"));
        QVERIFY(!read("0050/1/1")); // before the supported years
    }

    void arithmetic() {
        QCOMPARE(dates::addMonths(QDate(1998, 1, 31), 1), QDate(1998, 2, 28));
        QCOMPARE(dates::addMonths(QDate(2000, 1, 31), 1), QDate(2000, 2, 29));
        QCOMPARE(dates::addMonths(QDate(1998, 5, 31), -1), QDate(1998, 4, 30));
        QCOMPARE(dates::addMonths(QDate(1998, 1, 10), -1), QDate(1997, 12, 10));
        QCOMPARE(dates::addYears(QDate(2000, 2, 29), 1), QDate(2001, 2, 28));
        QCOMPARE(dates::addDays(QDate(1998, 12, 31), 1), QDate(1999, 1, 1));
        QCOMPARE(dates::addDays(QDate(2027, 1, 1), -1), QDate(2026, 12, 31));

        auto failsWith13 = [](auto&& step) {
            try {
                step();
            } catch (const Error& e) {
                return e.number() == 13 && e.description() == QStringLiteral("型が一致しません。");
            }
            return false;
        };
        QVERIFY(failsWith13([] { dates::addDays(QDate(9999, 12, 31), 1); }));
        QVERIFY(failsWith13([] { dates::addDays(QDate(100, 1, 1), -1); }));
        QVERIFY(failsWith13([] { dates::addMonths(QDate(9999, 12, 1), 1); }));
        QVERIFY(failsWith13([] { dates::addYears(QDate(100, 6, 1), -1); }));
        QVERIFY(failsWith13([] { dates::addDays(QDate(), 1); }));
        QVERIFY(failsWith13([] { dates::makeDate(1998, 6, 31); }));
        QCOMPARE(dates::makeDate(1998, 6, 30), QDate(1998, 6, 30));
    }

    void standardMessage() {
        const Error e(3022, QStringLiteral("重複しています。"));
        QCOMPARE(e.message(), QStringLiteral("重複しています。(3022)"));
    }
};

ORVANE_TEST_MAIN(DatesTest)
#include "tst_dates.moc"
