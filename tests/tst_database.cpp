#include "platform/Error.h"
#include "store/Schema.h"
#include "support/Files.h"
#include "support/JournalFile.h"
#include "support/TestEnv.h"

#include <QApplication>
#include <QtTest>

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
};

ORVANE_TEST_MAIN(DatabaseTest)
#include "tst_database.moc"
