#include "platform/Database.h"
#include "platform/Error.h"
#include "support/Files.h"
#include "support/JournalFile.h"
#include "support/TestEnv.h"

#include <QApplication>
#include <QtTest>

#include <sqlite3.h>

using namespace platform;
using namespace platform::db;

namespace {

const TableDef table{QStringLiteral("Mirel"),
                     {{QStringLiteral("Reg_dat"), FieldType::DateTime},
                      {QStringLiteral("Mirel_txt"), FieldType::Memo, 0, true},
                      {QStringLiteral("Pic_txt"), FieldType::Text, 10, true},
                      {QStringLiteral("Error_kbn"), FieldType::YesNo}},
                     QStringLiteral("mirel"),
                     QStringLiteral("Reg_dat")};

// The number of the error the body raises (0 for none), and its description.
int errorNumber(const std::function<void()>& body, QString* description = nullptr) {
    try {
        body();
    } catch (const Error& e) {
        if (description != nullptr)
            *description = e.description();
        return e.number();
    }
    return 0;
}

} // namespace

class DatabaseTest : public QObject {
    Q_OBJECT

    std::unique_ptr<testing::TestEnv> env;
    std::unique_ptr<Database> db;
    QString path() const { return env->root() + QStringLiteral("/journal.mdb"); }

    // The first value of a query run with SQLite's own library, apart from the engine.
    QString rawValue(const QString& sql) const {
        return testing::rawRows(path(), sql).value(0).value(0);
    }
    int insert(const QVariantList& values, QString* description = nullptr) {
        return errorNumber(
            [&] { db->execute(QStringLiteral("insert into Mirel values(?,?,?,?)"), values); },
            description);
    }

private Q_SLOTS:
    void init() { env = std::make_unique<testing::TestEnv>(); }
    void cleanup() {
        db.reset();
        ORVANE_VERIFY_ENV(*env);
        env.reset();
    }

    void openAndCreate() {
        const Workspace ws;
        QCOMPARE(errorNumber([&] { ws.openDatabase(path()); }), SQLITE_CANTOPEN);
        QVERIFY(!QFile::exists(path())); // opening never creates

        // An empty file, a text file and another program's database are no journals, and all
        // stay as they were.
        const QByteArray text(
            "Standard Jet DB\n not a database at all, but long enough to look at");
        for (const QByteArray& content : {QByteArray(), text}) {
            testing::writeFile(path(), content);
            QString description;
            QCOMPARE(errorNumber([&] { ws.openDatabase(path()); }, &description), SQLITE_NOTADB);
            QCOMPARE(description, QStringLiteral("file is not a database"));
            QCOMPARE(errorNumber([&] { ws.createDatabase(path()); }), 3204); // never overwrites
            QCOMPARE(testing::readFile(path()), content);
        }
        testing::writeFile(path(), {}); // SQLite takes an empty file for an empty database
        QVERIFY(testing::rawExecute(path(), QStringLiteral("PRAGMA application_id = 1234; "
                                                           "CREATE TABLE t(x)")));
        QCOMPARE(errorNumber([&] { ws.openDatabase(path()); }), SQLITE_NOTADB);
        // A plain database without a marker (made with the sqlite3 client) opens.
        const QString plain = testing::writeFile(env->root() + QStringLiteral("/plain.mdb"), {});
        QVERIFY(testing::rawExecute(plain, QStringLiteral("CREATE TABLE t(x)")));
        QVERIFY(ws.openDatabase(plain) != nullptr);
    }

    void executeCountsTheRowsItChanged() {
        db = Workspace().createDatabase(path());
        // A schema statement changes no row, even right after one that did.
        db->execute(QStringLiteral("create table t(n integer)"));
        QCOMPARE(db->execute(QStringLiteral("insert into t values(1),(2),(3)")), qint64{3});
        QCOMPARE(db->execute(QStringLiteral("create table u(n integer)")), qint64{0});
        QCOMPARE(db->execute(QStringLiteral("update t set n=n+10 where n>?"), {1}), qint64{2});
        // An update or delete that matches nothing is no error, and says so by its count.
        QCOMPARE(db->execute(QStringLiteral("update t set n=0 where n=?"), {99}), qint64{0});
        QCOMPARE(db->execute(QStringLiteral("delete from t where n=?"), {11}), qint64{0});
        QCOMPARE(db->execute(QStringLiteral("delete from t where n=?"), {12}), qint64{1});
        // A failing statement raises instead of counting, and one statement runs per call.
        QVERIFY(errorNumber([&] { db->execute(QStringLiteral("insert into t values(1,2)")); }));
        QVERIFY(errorNumber([&] { db->execute(QStringLiteral("delete from t; drop table t")); }));
        QCOMPARE(rawValue(QStringLiteral("select group_concat(n) from t")), QStringLiteral("1,13"));
    }

    void valuesAndErrors() {
        db = Workspace().createDatabase(path());
        QString description;
        QCOMPARE(errorNumber([&] { db->openRecordset(QStringLiteral("select * from mirel")); },
                             &description),
                 3078);
        QCOMPARE(description,
                 QStringLiteral("入力テーブルまたはクエリ 'mirel' が見つかりませんでした。"));
        db->createTable(table);
        // Bounded text names the column and its limit, and nothing is written; exactly at the
        // limit passes, emoji counting as one character each.
        QCOMPARE(insert({QDate(2026, 12, 4), QString(), QStringLiteral("12345678901"), false},
                        &description),
                 3163);
        QCOMPARE(description,
                 QStringLiteral("フィールド 'Pic_txt' に入力できるのは 10 文字までです。"));
        QCOMPARE(insert({QDate(2026, 12, 5), QString(), QStringLiteral("😀😀😀😀😀😀😀😀😀😀"), false}), 0);
        QCOMPARE(insert({QDate(2026, 12, 6), QString(), QString(), true}), 0);
        // Dates are stored as text the sqlite3 client can read; Yes/No as 0 and -1.
        QCOMPARE(testing::rawRows(path(), QStringLiteral("select Reg_dat, Error_kbn from Mirel")),
                 (QList<QStringList>{{"2026-12-05 00:00:00", "0"}, {"2026-12-06 00:00:00", "-1"}}));

        auto rs = db->openRecordset(
            QStringLiteral("select * from mirel where format(reg_dat,'yyyy/mm/dd')=?"),
            {QStringLiteral("2026/12/05")});
        QCOMPARE(rs.field(QStringLiteral("REG_DAT")).toDateTime(),
                 QDateTime(QDate(2026, 12, 5), QTime(0, 0)));
        QCOMPARE(rs.field(QStringLiteral("error_kbn")).toBool(), false);
        QCOMPARE(errorNumber([&] { rs.field(QStringLiteral("nothing")); }), 3265);
        rs.moveNext();
        QVERIFY(rs.eof());
        QCOMPARE(errorNumber([&] { rs.field(QStringLiteral("reg_dat")); }), 3021);

        // A time alone sits on the zero date; format() reads both parts.
        db->execute(QStringLiteral("create table t(d DATETIME, k TEXT)"));
        db->execute(QStringLiteral("insert into t values(?, 'time')"), {QTime(21, 5, 9)});
        QCOMPARE(db->openRecordset(QStringLiteral("select format(d,'hh:mm:ss yy/mm/dd (aaa)') as f "
                                                  "from t"))
                     .field(QStringLiteral("f"))
                     .toString(),
                 QStringLiteral("21:05:09 99/12/30 (土)"));

        // Rows typed in with the sqlite3 client in slightly other forms still format as dates;
        // a text that is no date is left as it stands.
        const char* const typed[][2] = {{"1998-07-15", "1998/07/15 00:00"},
                                        {"1998-07-17T08:30", "1998/07/17 08:30"},
                                        {"1998-02-30 00:00:00", "1998-02-30 00:00:00"},
                                        {"yesterday", "yesterday"}};
        for (const auto& [stored, formatted] : typed)
            db->execute(QStringLiteral("insert into t values(?, ?)"), {stored, stored});
        auto all = db->openRecordset(QStringLiteral(
            "select k, format(d,'yyyy/mm/dd hh:nn') as f from t where k<>'time' order by rowid"));
        for (const auto& [stored, formatted] : typed) {
            QCOMPARE(all.field(QStringLiteral("k")).toString(), QString::fromUtf8(stored));
            QCOMPARE(all.field(QStringLiteral("f")).toString(), QString::fromUtf8(formatted));
            all.moveNext();
        }
        // The same pattern for many rows, then another one, in one statement.
        QCOMPARE(db->openRecordset(QStringLiteral("select format(d,'yy') || '|' || format(d,'mm') "
                                                  "as f from t where k = '1998-07-15'"))
                     .field(QStringLiteral("f"))
                     .toString(),
                 QStringLiteral("98|07"));
    }
};

ORVANE_TEST_MAIN(DatabaseTest)
#include "tst_database.moc"
