// The platform's journal engine and its dates: opening and creating files, statements, values
// and errors, date patterns, typed dates and date arithmetic.
#include "platform/Dates.h"
#include "platform/Error.h"
#include "store/Schema.h"
#include "support/Files.h"
#include "support/JournalFile.h"
#include "support/TestEnv.h"

#include <QApplication>
#include <QtTest>

using namespace platform;
using namespace platform::db;
using namespace Qt::StringLiterals;

class DatabaseTest : public QObject {
    Q_OBJECT

    std::unique_ptr<testing::TestEnv> env;
    std::unique_ptr<Database> db;
    QString path() const { return env->root() + u"/journal.mdb"_s; }

private Q_SLOTS:
    void init() { env = std::make_unique<testing::TestEnv>(); }
    void cleanup() {
        db.reset();
        ORVANE_VERIFY_ENV(*env);
        env.reset();
    }

    void openAndCreate() {
        const Workspace ws;
        QCOMPARE(testing::failure([&] { ws.openDatabase(path()); }),
                 "unable to open database file(14)");
        QVERIFY(!QFile::exists(path())); // opening never creates
        // An empty file and a text file are no journals, and both stay as they were.
        for (const QByteArray& content : {QByteArray(), QByteArray("Standard Jet DB, or not")}) {
            testing::writeFile(path(), content);
            QCOMPARE(testing::failure([&] { ws.openDatabase(path()); }),
                     "file is not a database(26)");
            QCOMPARE(testing::failure([&] { ws.createDatabase(path()); }),
                     "データベースは既に存在します。(3204)"); // never overwrites
            QCOMPARE(testing::readFile(path()), content);
        }
    }

    void statementsValuesAndErrors() {
        db = Workspace().createDatabase(path());
        QCOMPARE(testing::failure([&] { db->openRecordset(u"select * from mirel"_s); }),
                 "入力テーブルまたはクエリ 'mirel' が見つかりませんでした。(3078)");
        store::tblMake(*db);
        QCOMPARE(db->execute(u"insert into Mirel (Reg_dat, Treat_tim, Error_kbn) values(?,?,?)"_s,
                             {QDate(2026, 12, 5), QTime(21, 5, 9), true}),
                 1);
        // Fields by name in any letter case, in the types they were written in; a time alone
        // sits on the zero date.
        auto rs = db->openRecordset(u"select * from mirel"_s);
        QCOMPARE(rs.field(u"REG_DAT"_s), QVariant(QDateTime(QDate(2026, 12, 5), {})));
        QCOMPARE(rs.field(u"treat_tim"_s), QVariant(QDateTime({1899, 12, 30}, {21, 5, 9})));
        QCOMPARE(rs.field(u"error_kbn"_s), QVariant(true));

        // Rows typed in with the sqlite3 client in other forms.
        for (const QString& typed : {u"1998-07-17T08:30"_s, u"1998-02-30"_s})
            db->execute(u"insert into Mirel (Reg_dat) values(?)"_s, {typed});
        // A schema statement changes no row, even right after one that did; an update says how
        // many rows it matched, none being no error; one statement runs per call.
        QCOMPARE(db->execute(u"create table t(n integer)"_s), 0);
        QCOMPARE(
            db->execute(u"update Mirel set Memo_txt='x' where Reg_dat>?"_s, {QDate(1998, 7, 1)}),
            2);
        QCOMPARE(
            db->execute(u"update Mirel set Memo_txt='x' where Reg_dat=?"_s, {QDate(1999, 1, 1)}),
            0);
        QVERIFY(!testing::failure([&] {
                     db->execute(u"delete from Mirel; drop table Mirel"_s);
                 }).isEmpty());

        // format() as the titles use it: the typed rows still format as dates, a text that is
        // no date is left as it stands; the same pattern for many rows, then another one, in
        // one statement.
        QCOMPARE(db->openRecordset(u"select group_concat(format(d, 'yy/mm/dd (aaa) hh:nn') || '|' "
                                   "|| format(d, 'm'), ', ') as f from (select reg_dat as d from "
                                   "mirel order by d)"_s)
                     .field(u"f"_s),
                 u"1998-02-30|1998-02-30, 98/07/17 (金) 08:30|7, 26/12/05 (土) 00:00|12"_s);
    }

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

ORVANE_TEST_MAIN(DatabaseTest)
#include "tst_database.moc"
