#include "platform/Dates.h"
#include "platform/Error.h"
#include "support/TestEnv.h" // ORVANE_TEST_MAIN

#include <QtTest>

using namespace platform;

class DatesTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void patterns() {
        // The patterns of the titles, lists, printing, picture names and the journal's storage;
        // "mm" right after an hour or right before seconds is minutes.
        const QDateTime moment(QDate(1998, 7, 15), QTime(21, 5, 9));
        const QString rows = QStringLiteral(
            "yy/mm/dd (aaa) = 98/07/15 (水); yy/m/dd(aaa) = 98/7/15(水); yymmdd = 980715; "
            "yyyy年mm月dd日(aaa) = 1998年07月15日(水); hh:mm:ss = 21:05:09; "
            "yyyy-mm-dd hh:nn:ss = 1998-07-15 21:05:09");
        for (const QString& row : rows.split("; "))
            QCOMPARE(dates::format(moment, row.section(" = ", 0, 0)), row.section(" = ", 1));
        QCOMPARE(dates::format(QDate(2006, 12, 3), "yy/mm/dd (aaa)"), "06/12/03 (日)");
    }

    void reading() {
        // Each text with its strict reading ("y/m/d" only, and a date only when the calendar has
        // that day) and its lenient reading as a typed date on 2026/12/6 (two-digit years 00-29
        // are 2000-2029, 30-99 are 1930-1999; 0050 lies before the supported years).
        const QString rows = QStringLiteral(
            "1998/7/5 = 1998-07-05 1998-07-05; 1998/07/05 = 1998-07-05 1998-07-05; "
            "2000/2/29 = 2000-02-29 2000-02-29; 1900/2/29 = none none; 1998/6/31 = none none; "
            "98/7/5 = none 1998-07-05; 29/7/15 = none 2029-07-15; 30/7/15 = none 1930-07-15; "
            "1998-7-15 = none 1998-07-15; 1998.7.15 = none 1998-07-15; 2/29 = none none; "
            "1998年7月15日 = none 1998-07-15; 7月15日 = none 2026-07-15; 2001 = none none; "
            "１９９８／０７／１５ = none 1998-07-15;  1998/7/15  = none 1998-07-15; "
            "0050/1/1 = none none");
        for (const QString& row : rows.split("; ")) {
            const QString text = row.section(" = ", 0, 0);
            QStringList read;
            for (const auto& d :
                 {dates::parseStrict(text), dates::parseLenient(text, QDate(2026, 12, 6))})
                read << (d ? d->toString(Qt::ISODate) : "none");
            QCOMPARE(text + " = " + read.join(' '), row);
        }
    }

    void arithmetic() {
        // Months keep their day where they can; leaving the years 100 to 9999, or starting from
        // no date, is an error (the type mismatch that the calendar's steps report).
        QCOMPARE(dates::addMonths(QDate(2000, 1, 31), 1), QDate(2000, 2, 29));
        QVERIFY_THROWS_EXCEPTION(Error, dates::addDays(QDate(100, 1, 1), -1));
        QVERIFY_THROWS_EXCEPTION(Error, dates::addYears(QDate(), 1));
    }
};

ORVANE_TEST_MAIN(DatesTest)
#include "tst_dates.moc"
