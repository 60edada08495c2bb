#include "platform/Dates.h"
#include "platform/Error.h"
#include "support/TestEnv.h"

#include <QApplication>
#include <QtTest>

#include <functional>
#include <utility>

using namespace platform;

class DatesTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // Each row reads "input = expected"; "none" when there is no date.
    void patterns() {
        const QDateTime moment(QDate(1998, 7, 15), QTime(21, 5, 9));
        // "mm" right after an hour or right before seconds is minutes.
        const QString rows = QStringLiteral(
            "yy/mm/dd (aaa) = 98/07/15 (水); yy/m/dd(aaa) = 98/7/15(水); yymmdd = 980715; "
            "yyyy年mm月dd日(aaa) = 1998年07月15日(水); hh:mm:ss = 21:05:09; "
            "yyyy-mm-dd hh:nn:ss = 1998-07-15 21:05:09");
        for (const QString& row : rows.split("; ")) {
            const QString pattern = row.section(" = ", 0, 0);
            QCOMPARE(pattern + " = " + dates::format(moment, pattern), row);
        }
        QCOMPARE(dates::format(QDate(2026, 12, 6), "yyyy/mm/dd (aaa)"), "2026/12/06 (日)");
        QCOMPARE(dates::format(QDate(999, 1, 2), "yyyy/mm"), "0999/01");
        QCOMPARE(dates::format(QDate(2000, 1, 2), "yy"), "00");
        QCOMPARE(dates::weekdayMondayFirst(QDate(2026, 12, 6)), 7);
    }

    void reading() {
        auto shown = [](std::optional<QDate> d) {
            return d ? d->toString(QStringLiteral("yyyy/MM/dd")) : QStringLiteral("none");
        };
        // Strict "y/m/d": a date only when the calendar has that day.
        const QString strict = QStringLiteral(
            "1998/7/5 = 1998/07/05; 1998/07/05 = 1998/07/05; 2000/2/29 = 2000/02/29; "
            "1900/2/29 = none; 1998/6/31 = none; 1998/7/0 = none; 0/0/0 = none; 98/7/5 = none; "
            "1998-7-5 = none; 99/12/31 = none;  1998/7/5 = none");
        for (const QString& row : strict.split("; ")) {
            const QString text = row.section(" = ", 0, 0);
            QCOMPARE(text + " = " + shown(dates::parseStrict(text)), row);
        }
        // Typed dates on 2026/12/6: two-digit years 00-29 are 2000-2029, 30-99 are 1930-1999;
        // 2026 has no 29 February; 0050 lies before the supported years.
        const QString lenient = QStringLiteral(
            "29/7/15 = 2029/07/15; 30/7/15 = 1930/07/15; 00/1/1 = 2000/01/01; "
            "1998-7-15 = 1998/07/15; 1998.7.15 = 1998/07/15; 1998年7月15日 = 1998/07/15; "
            "7月15日 = 2026/07/15; １９９８／０７／１５ = 1998/07/15;  1998/7/15  = 1998/07/15; "
            "7/15/1998 = 1998/07/15; 1998/7 = 1998/07/01; 2001 = none; 1998/02/30 = none; "
            "2/29 = none; 1998/7-15 = none; 7月 = none; 0050/1/1 = none");
        for (const QString& row : lenient.split("; ")) {
            const QString text = row.section(" = ", 0, 0);
            QCOMPARE(text + " = " + shown(dates::parseLenient(text, QDate(2026, 12, 6))), row);
        }
    }

    void arithmetic() {
        QCOMPARE(dates::addMonths(QDate(2000, 1, 31), 1), QDate(2000, 2, 29));
        QCOMPARE(dates::addDays(QDate(2027, 1, 1), -1), QDate(2026, 12, 31));
        // Leaving the years 100 to 9999, or starting from no date, is a type mismatch.
        for (const auto& step : std::initializer_list<std::function<void()>>{
                 [] { dates::addDays(QDate(100, 1, 1), -1); },
                 [] { dates::addYears(QDate(100, 6, 1), -1); },
                 [] { dates::addMonths(QDate(9999, 12, 1), 1); },
                 [] { dates::addDays(QDate(), 1); }}) {
            QString message;
            try {
                step();
            } catch (const Error& e) {
                message = e.message();
            }
            QCOMPARE(message, "型が一致しません。(13)");
        }
    }
};

ORVANE_TEST_MAIN(DatesTest)
#include "tst_dates.moc"
