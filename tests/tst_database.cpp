#include "platform/Database.h"
#include "platform/Error.h"
#include "support/TestEnv.h"

#include <QApplication>
#include <QFile>
#include <QtTest>

#include <sqlite3.h>

using namespace platform;
using namespace platform::db;

namespace {

TableDef diaryTable() {
    return TableDef{QStringLiteral("Mirel"),
                    {{QStringLiteral("Reg_dat"), FieldType::DateTime},
                     {QStringLiteral("Mirel_txt"), FieldType::Memo, 0, true},
                     {QStringLiteral("Pic_txt"), FieldType::Text, 10, true},
                     {QStringLiteral("Name_txt"), FieldType::Text, 5, false},
                     {QStringLiteral("Error_kbn"), FieldType::YesNo}},
                    QStringLiteral("mirel"),
                    QStringLiteral("Reg_dat")};
}

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

// Reads one value with SQLite's own client library, apart from the engine under test.
QString rawValue(const QString& path, const QString& sql) {
    sqlite3* handle = nullptr;
    sqlite3_open_v2(QFile::encodeName(path).constData(), &handle, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_stmt* stmt = nullptr;
    sqlite3_prepare_v2(handle, sql.toUtf8().constData(), -1, &stmt, nullptr);
    QString result;
    if (stmt != nullptr && sqlite3_step(stmt) == SQLITE_ROW)
        result = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0)));
    sqlite3_finalize(stmt);
    sqlite3_close(handle);
    return result;
}

} // namespace

class DatabaseTest : public QObject {
    Q_OBJECT

    std::unique_ptr<testing::TestEnv> env;
    QString path() const { return env->root() + QStringLiteral("/journal.mdb"); }

private Q_SLOTS:
    void init() { env = std::make_unique<testing::TestEnv>(); }
    void cleanup() {
        ORVANE_VERIFY_ENV(*env);
        env.reset();
    }

    void openingNeverCreates() {
        const Workspace ws;
        QCOMPARE(errorNumber([&] { ws.openDatabase(path()); }), SQLITE_CANTOPEN);
        QVERIFY(!QFile::exists(path()));

        // An empty file and a text file are no databases, and stay as they were.
        QFile empty(path());
        QVERIFY(empty.open(QIODevice::WriteOnly));
        empty.close();
        QCOMPARE(errorNumber([&] { ws.openDatabase(path()); }), SQLITE_NOTADB);
        QCOMPARE(QFileInfo(path()).size(), 0);

        QFile text(path());
        QVERIFY(text.open(QIODevice::WriteOnly));
        text.write("Standard Jet DB\n this is not a database at all, but long enough to look at");
        text.close();
        const QByteArray before = [&] {
            QFile f(path());
            f.open(QIODevice::ReadOnly);
            return f.readAll();
        }();
        QString description;
        QCOMPARE(errorNumber([&] { ws.openDatabase(path()); }, &description), SQLITE_NOTADB);
        QCOMPARE(description, QStringLiteral("file is not a database"));
        QFile again(path());
        QVERIFY(again.open(QIODevice::ReadOnly));
        QCOMPARE(again.readAll(), before);
    }

    void foreignDatabaseRefused() {
        // A database of another program is not taken for a journal.
        sqlite3* handle = nullptr;
        QCOMPARE(sqlite3_open(QFile::encodeName(path()).constData(), &handle), SQLITE_OK);
        sqlite3_exec(handle, "PRAGMA application_id = 1234; CREATE TABLE t(x)", nullptr, nullptr,
                     nullptr);
        sqlite3_close(handle);
        QCOMPARE(errorNumber([&] { Workspace().openDatabase(path()); }), SQLITE_NOTADB);

        // A plain database without a marker (made with the sqlite3 client) opens.
        const QString plain = env->root() + QStringLiteral("/plain.mdb");
        QCOMPARE(sqlite3_open(QFile::encodeName(plain).constData(), &handle), SQLITE_OK);
        sqlite3_exec(handle, "CREATE TABLE t(x)", nullptr, nullptr, nullptr);
        sqlite3_close(handle);
        QVERIFY(Workspace().openDatabase(plain) != nullptr);
    }

    void creationAndSchema() {
        const Workspace ws;
        {
            auto db = ws.createDatabase(path());
            QVERIFY(QFileInfo(path()).size() > 0);
            db->createTable(diaryTable());
        }
        QCOMPARE(errorNumber([&] { ws.createDatabase(path()); }), 3204);
        const QString sql = rawValue(
            path(),
            QStringLiteral("select sql from sqlite_master where type='table' and name='Mirel'"));
        QVERIFY2(sql.contains(QStringLiteral("CONSTRAINT mirel PRIMARY KEY (\"Reg_dat\")")),
                 qPrintable(sql));
        QCOMPARE(rawValue(path(), QStringLiteral("select group_concat(name || ':' || type, ',') "
                                                 "from pragma_table_info('Mirel')")),
                 QStringLiteral("Reg_dat:DATETIME,Mirel_txt:LONGTEXT,Pic_txt:VARCHAR(10),"
                                "Name_txt:VARCHAR(5),Error_kbn:BIT"));
        QCOMPARE(rawValue(path(), QStringLiteral("select name from pragma_table_info('Mirel') "
                                                 "where pk = 1")),
                 QStringLiteral("Reg_dat"));
        // The reopened file is accepted as a journal.
        QVERIFY(ws.openDatabase(path()) != nullptr);
    }

    void executeCountsTheRowsItChanged() {
        auto db = Workspace().createDatabase(path());
        // A schema statement changes no row, even right after one that did.
        db->execute(QStringLiteral("create table t(n integer)"));
        QCOMPARE(db->execute(QStringLiteral("insert into t values(1),(2),(3)")), qint64{3});
        QCOMPARE(db->execute(QStringLiteral("create table u(n integer)")), qint64{0});
        QCOMPARE(db->execute(QStringLiteral("update t set n=n+10 where n>?"), {1}), qint64{2});
        // An update or delete that matches nothing is no error, and says so by its count.
        QCOMPARE(db->execute(QStringLiteral("update t set n=0 where n=?"), {99}), qint64{0});
        QCOMPARE(db->execute(QStringLiteral("delete from t where n=?"), {11}), qint64{0});
        QCOMPARE(db->execute(QStringLiteral("delete from t where n=?"), {12}), qint64{1});
        // A failing statement raises instead of counting.
        QVERIFY(errorNumber([&] { db->execute(QStringLiteral("insert into t values(1,2)")); }) !=
                0);
        QCOMPARE(rawValue(path(), QStringLiteral("select group_concat(n) from t")),
                 QStringLiteral("1,13"));
    }

    void valuesRoundTrip() {
        auto db = Workspace().createDatabase(path());
        db->createTable(diaryTable());
        const QString text =
            QStringLiteral("It's \"quoted\"\nsecond line\r\n😀 絵日記 '); drop table Mirel; --");
        db->execute(QStringLiteral("insert into Mirel values(?,?,?,?,?)"),
                    {QDate(2026, 12, 5), text, QStringLiteral("a'b"), QStringLiteral("x"), false});
        // Dates are stored as text the sqlite3 client can read.
        QCOMPARE(rawValue(path(), QStringLiteral("select Reg_dat from Mirel")),
                 QStringLiteral("2026-12-05 00:00:00"));
        QCOMPARE(rawValue(path(), QStringLiteral("select Error_kbn from Mirel")),
                 QStringLiteral("0"));

        auto rs = db->openRecordset(
            QStringLiteral("select * from mirel where format(reg_dat,'yyyy/mm/dd')=?"),
            {QStringLiteral("2026/12/05")});
        QVERIFY(!rs.eof());
        QCOMPARE(rs.field(QStringLiteral("reg_dat")).toDateTime(),
                 QDateTime(QDate(2026, 12, 5), QTime(0, 0)));
        QCOMPARE(rs.field(QStringLiteral("MIREL_TXT")).toString(), text);
        QCOMPARE(rs.field(QStringLiteral("pic_txt")).toString(), QStringLiteral("a'b"));
        QCOMPARE(rs.field(QStringLiteral("error_kbn")).toBool(), false);
        QCOMPARE(errorNumber([&] { rs.field(QStringLiteral("nothing")); }), 3265);
        rs.moveNext();
        QVERIFY(rs.eof());
        QCOMPARE(errorNumber([&] { rs.field(QStringLiteral("reg_dat")); }), 3021);

        // A time alone sits on the zero date; format() reads both parts.
        db->execute(QStringLiteral("create table t(d DATETIME)"));
        db->execute(QStringLiteral("insert into t values(?)"), {QTime(21, 5, 9)});
        auto times = db->openRecordset(
            QStringLiteral("select format(d,'hh:mm:ss') as hms, format(d,'yyyy/mm/dd') as ymd, "
                           "format(d,'yy/mm/dd (aaa)') as title from t"));
        QCOMPARE(times.field(QStringLiteral("hms")).toString(), QStringLiteral("21:05:09"));
        QCOMPARE(times.field(QStringLiteral("ymd")).toString(), QStringLiteral("1899/12/30"));
        QCOMPARE(times.field(QStringLiteral("title")).toString(), QStringLiteral("99/12/30 (土)"));
    }

    void datesWrittenByOtherTools() {
        // Rows typed in with the sqlite3 client in slightly other forms still format as dates;
        // a text that is no date is left as it stands.
        auto db = Workspace().createDatabase(path());
        db->execute(QStringLiteral("create table t(d DATETIME, k TEXT)"));
        const QStringList stored = {
            QStringLiteral("1998-07-15"),          QStringLiteral("1998/07/16 00:00:00"),
            QStringLiteral("1998-07-17T08:30"),    QStringLiteral("1998-7-18 23:59:59.250"),
            QStringLiteral("1998-02-30 00:00:00"), QStringLiteral("yesterday")};
        for (const QString& text : stored)
            db->execute(QStringLiteral("insert into t values(?, ?)"), {text, text});
        auto rs = db->openRecordset(
            QStringLiteral("select format(d,'yyyy/mm/dd hh:nn') as f from t order by k"));
        QStringList got;
        for (; !rs.eof(); rs.moveNext())
            got << rs.field(QStringLiteral("f")).toString();
        QCOMPARE(
            got,
            QStringList({QStringLiteral("1998-02-30 00:00:00"), QStringLiteral("1998/07/15 00:00"),
                         QStringLiteral("1998/07/17 08:30"), QStringLiteral("1998/07/18 23:59"),
                         QStringLiteral("1998/07/16 00:00"), QStringLiteral("yesterday")}));
        // The same pattern for many rows, then another one, in one statement.
        auto two = db->openRecordset(QStringLiteral(
            "select format(d,'yy') || '|' || format(d,'mm') as f from t where k = '1998-07-15'"));
        QCOMPARE(two.field(QStringLiteral("f")).toString(), QStringLiteral("98|07"));
    }

    void errorNumbers() {
        auto db = Workspace().createDatabase(path());
        QString description;
        QCOMPARE(errorNumber([&] { db->openRecordset(QStringLiteral("select * from mirel")); },
                             &description),
                 3078);
        QCOMPARE(description,
                 QStringLiteral("入力テーブルまたはクエリ 'mirel' が見つかりませんでした。"));
        db->createTable(diaryTable());
        const auto insert = [&](const QVariantList& values) {
            db->execute(QStringLiteral("insert into Mirel values(?,?,?,?,?)"), values);
        };
        insert({QDate(1998, 7, 15), QString(), QString(), QStringLiteral("n"), false});
        QCOMPARE(errorNumber([&] {
                     insert({QDate(1998, 7, 15), QStringLiteral("again"), QString(),
                             QStringLiteral("n"), false});
                 }),
                 3022);
        // Bounded text names the column and its limit, and nothing is written.
        QCOMPARE(errorNumber(
                     [&] {
                         insert({QDate(1998, 7, 16), QString(), QStringLiteral("12345678901"),
                                 QStringLiteral("n"), false});
                     },
                     &description),
                 3163);
        QCOMPARE(description,
                 QStringLiteral("フィールド 'Pic_txt' に入力できるのは 10 文字までです。"));
        // Exactly at the limit passes; emoji count as one character each.
        insert({QDate(1998, 7, 17), QString(), QStringLiteral("😀😀😀😀😀😀😀😀😀😀"), QStringLiteral("n"),
                false});
        // An empty text where it is not allowed.
        QCOMPARE(errorNumber([&] {
                     insert({QDate(1998, 7, 18), QString(), QString(), QString(), false});
                 }),
                 3315);
        QCOMPARE(errorNumber([&] {
                     insert({QVariant(), QString(), QString(), QStringLiteral("n"), false});
                 }),
                 3058);
        QCOMPARE(db->openRecordset(QStringLiteral("select count(*) as n from Mirel"))
                     .field(QStringLiteral("n"))
                     .toInt(),
                 2);
        // One statement per call: a second one is refused, not run.
        QVERIFY(errorNumber([&] {
                    db->execute(QStringLiteral("delete from Mirel; drop table Mirel"));
                }) != 0);
        QCOMPARE(db->openRecordset(QStringLiteral("select count(*) as n from Mirel"))
                     .field(QStringLiteral("n"))
                     .toInt(),
                 2);
    }

    void readOnlyFileReportsOnWrite() {
        {
            auto db = Workspace().createDatabase(path());
            db->createTable(diaryTable());
        }
        QFile::setPermissions(path(), QFileDevice::ReadOwner);
        auto db = Workspace().openDatabase(path());
        QString description;
        const int number = errorNumber(
            [&] {
                db->execute(QStringLiteral("insert into Mirel values(?,?,?,?,?)"),
                            {QDate(1998, 7, 15), QString(), QString(), QStringLiteral("n"), false});
            },
            &description);
        QFile::setPermissions(path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        if (number == 0)
            QSKIP("running as a user who may write read-only files");
        QCOMPARE(number, SQLITE_READONLY);
        QCOMPARE(description, QStringLiteral("attempt to write a readonly database"));
    }

    void statementsAreCounted() {
        auto db = Workspace().createDatabase(path());
        const auto start = db->statementCount();
        db->createTable(diaryTable());
        db->openRecordset(QStringLiteral("select * from Mirel"));
        QCOMPARE(db->statementCount(), start + 2);
    }
};

ORVANE_TEST_MAIN(DatabaseTest)
#include "tst_database.moc"
