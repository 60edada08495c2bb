// The journal on disk: the engine (files, statements, values, errors), dates, the table, its keys
// and their index, other programs' files and the journal chooser.
#include "platform/Dates.h"
#include "store/Chooser.h"
#include "store/EntrySql.h"
#include "store/JournalKeys.h"
#include "support/Testing.h"

using namespace platform;
using namespace platform::db;

class StoreTest : public QObject {
    Q_OBJECT

    std::unique_ptr<testing::TestEnv> env;
    QString path() const { return env->root() + u"/orvane.mdb"_s; }

    // Runs the chooser with the splash on the screen, answering its question and then the file
    // dialog with that file (nothing: cancelled), and the message box that follows when told.
    // Sums up what happens: whether start-up goes on, the later message boxes and the endings,
    // after any problem the dialog script met in the choice before.
    QString choose(Answer answer, const std::optional<QString>& picked = {}, bool told = true) {
        QString said = env->dialogs.problems().join(' ');
        env->dialogs.reset();
        env->endings.clear();
        env->dialogs.answerMessage(answer);
        if (answer == Answer::Cancel)
            env->dialogs.answerFile(picked);
        if (told)
            env->dialogs.answerMessage(Answer::Ok);
        QWidget splash;
        splash.show();
        app::modFunc().Splash = &splash;
        said += store::mdbSelect() ? u"goes on"_s : u"stops"_s;
        for (const auto& c : env->dialogs.calls())
            if (c.kind == testing::ScriptedDialogs::Kind::Message && &c != &env->dialogs.calls()[0])
                said += ", " + c.summary() + (c.splashShown ? " (splash shown)" : "");
        return said + u", endings %1"_s.arg(env->endings.size());
    }

private Q_SLOTS:
    void init() { env = std::make_unique<testing::TestEnv>(); }
    void cleanup() { ORVANE_VERIFY_ENV(*env); } // the next init() replaces the world

    void journalTableAndItsKeyIndex() {
        auto db = db::Workspace().createDatabase(path());
        store::tblMake(*db);
        // A row as the editor inserts it: the error's message, empty when it was stored.
        const auto insert = [&](int day, QString text, QString picture = {}, QString pc = "pc") {
            return testing::failure([&] {
                db->execute(u"insert into mirel values (?,?,?,?,?,?,?,?)"_s,
                            {QDate(1998, 12, day), text, QString(), picture, false,
                             QDate(2026, 12, 6), QTime(21, 5, 9), pc});
            });
        };
        // On disk: dates as text the sqlite3 client reads, a time on the zero date, False as 0,
        // empty texts as empty texts; quotes, line breaks and emoji unchanged.
        const QString text = u"It's \"quoted\"\r\nline\n😀 日記; --"_s;
        QCOMPARE(insert(15, text), QString());
        QCOMPARE(testing::rawRows(path(), u"select * from Mirel"_s),
                 (QList<QStringList>{{"1998-12-15 00:00:00", text, "", "", "0",
                                      "2026-12-06 00:00:00", "1899-12-30 21:05:09", "pc"}}));
        QVERIFY(insert(15, {}).endsWith(u"(3022)"_s));
        // A picture path holds 100 characters (emoji count as one), a computer name 30.
        const QString p100 = QString(99, u'p') + u"🎨"_s;
        QCOMPARE(insert(16, {}, p100, QString(30, 't')), QString());
        QCOMPARE(insert(17, {}, p100 + 'p'),
                 u"フィールド 'Pic_txt' に入力できるのは 100 文字までです。(3163)"_s);

        // Each statement's plan, as EXPLAIN QUERY PLAN details joined by " / ".
        const auto plan = [&](const QString& sql, const QVariantList& params) {
            QStringList steps;
            for (auto rs = db->openRecordset(u"explain query plan "_s + sql, params); !rs.eof();
                 rs.moveNext())
                steps << rs.field(u"detail"_s).toString();
            return steps.join(u" / "_s).toLower(); // the table as each statement names it
        };
        const QVariantList day = store::dayKeys({2026, 12, 5});
        const QString byKey =
            u"search mirel using index sqlite_autoindex_mirel_1 (reg_dat>? and reg_dat<?)"_s;
        QCOMPARE(plan(store::sql::entriesBetween(), store::monthKeys(2026, 12)), byKey);
        QCOMPARE(plan(store::sql::selectEntry(), day), byKey);
        QCOMPARE(plan(store::sql::deleteEntry(), day), byKey);
        QCOMPARE(plan(store::sql::updateEntry(), QVariantList{"t", "m", "p"} + day), byKey);
        // Keys in another form are looked for in their own, empty, index.
        QCOMPARE(plan(u"select rowid from Mirel where "_s + store::otherFormCondition(), {}),
                 u"scan mirel using covering index mirel_other_keys"_s);
        // The bounds take in every stored key of the day or month and nothing beyond (January is
        // no prefix of October).
        const auto holds = [](const QVariantList& bounds, const QString& key) {
            return bounds.at(0).toString() <= key && key < bounds.at(1).toString();
        };
        QVERIFY(holds(day, u"2026-12-05 23:59:59"_s) && !holds(day, u"2026-12-06 00:00:00"_s));
        QVERIFY(!holds(store::monthKeys(2026, 1), u"2026-10-01 00:00:00"_s));
    }

    void keysTypedByOtherTools() {
        // Made with the sqlite3 client: no key constraint, no application id.
        QVERIFY(testing::rawExecute(path(), u"create table Mirel(Reg_dat datetime, Mirel_txt "
                                            "text, Memo_txt text, Pic_txt varchar(100), Error_kbn "
                                            "bit, Treat_dat datetime, Treat_tim datetime, "
                                            "Terminal_nam varchar(30));"
                                            "insert into Mirel(Reg_dat, Mirel_txt) values "
                                            "('1998-07-20 00:00:00', 'stored');"_s));
        auto db = store::openJournal(db::Workspace(), path());
        // The key gets an index of its own, and the sqlite3 client can still write the file.
        QVERIFY(db->openRecordset(u"explain query plan "_s + store::sql::selectEntry(),
                                  store::dayKeys({1998, 7, 20}))
                    .field(u"detail"_s)
                    .toString()
                    .contains(u"USING INDEX mirel_reg_dat"_s));
        QVERIFY(testing::rawExecute(path(), u"insert into Mirel(Reg_dat, Mirel_txt, Memo_txt) "
                                            "values ('1998/7/15', 'a', 'x'), ('1998-7-16T08:30', "
                                            "'b', 'y'), ('1998/07/20', 'c', 'z'), ('not a day', "
                                            "'d', ''); update Mirel set Memo_txt = 'w' where "
                                            "Mirel_txt = 'd'"_s));
        // Typed in while the program runs: made the stored form before the next statement,
        // the rows otherwise as they were; a day that has a row already keeps both, named once.
        env->dialogs.answerMessage(Answer::Ok);
        store::normaliseKeys(*db);
        const auto rows = [&] {
            return testing::rawRows(path(), u"select Reg_dat, Mirel_txt, Memo_txt from Mirel "
                                            "order by rowid"_s);
        };
        const QList<QStringList> expected{{"1998-07-20 00:00:00", "stored", "<NULL>"},
                                          {"1998-07-15 00:00:00", "a", "x"},
                                          {"1998-07-16 08:30:00", "b", "y"},
                                          {"1998/07/20", "c", "z"},
                                          {"not a day", "d", "w"}};
        QCOMPARE(rows(), expected);
        QCOMPARE(env->dialogs.calls().back().summary(),
                 u"ORVANE|0|3|次の日には日記が二つあります。日付の書き方が違う行を直すと同じ日が"
                 "重なるため、どちらの行も変えていません。\n1998/07/20 (月)  '1998/07/20'"_s);
        QVERIFY(testing::rawExecute(path(), u"delete from Mirel where Mirel_txt = 'a'"_s));
        store::normaliseKeys(*db); // the same clash is not named again
        QCOMPARE(rows().size(), 4);
        QCOMPARE(
            db->openRecordset(store::sql::entriesBetween(), store::monthKeys(1998, 7)).rowCount(),
            2u);
    }

    void journalsOfOtherPrograms() {
        // Tables of its own and no Mirel: refused, and left exactly as it was.
        QVERIFY(testing::rawExecute(path(), u"create table notes(t text)"_s));
        const QByteArray before = testing::readFile(path());
        QCOMPARE(testing::failure([&] { store::openJournal(db::Workspace(), path()); }),
                 u"このファイルは別のプログラムのデータベースです。(26)"_s);
        QCOMPARE(testing::readFile(path()), before);
        // No tables at all: a journal to be, its table made by the first reader.
        QVERIFY(QFile::remove(path()) && testing::rawExecute(path(), u"vacuum"_s));
        QCOMPARE(testing::failure([&] { store::openJournal(db::Workspace(), path()); }), QString());
    }

    void chooser() {
        // The question itself, and a cancelled choice: tst_startup.
        const QString picked = testing::writeFile(env->root() + u"/MyOrvane.MDB"_s);
        app::modFunc().mdbPath = path();
        QCOMPARE(choose(Answer::Cancel, picked, false), u"goes on, endings 0"_s);
        QVERIFY(app::modFunc().mdbPath == picked && !app::modFunc().JournalDb); // opened later
        const auto& asked = env->dialogs.calls().at(1).file;
        QCOMPARE(asked.fileName + '|' + asked.filter + '|' + QString::number(asked.filterIndex),
                 path() + "|すべてのファイル (*.*)|*.*|ＭＤＢ ファイル (*.mdb)|*.mdb|1");
        QVERIFY(asked.hideReadOnly && asked.title.isEmpty());

        // Another name, or a file that does not exist (the proposed one): the splash goes
        // first.
        const QString wrong =
            u"stops, ORVANE|0|0|ＭＤＢパスが間違っています。もう一度やり直してください。, endings 1"_s;
        QCOMPARE(choose(Answer::Cancel, testing::writeFile(env->root() + "/journal.mdb")), wrong);
        QCOMPARE(choose(Answer::Cancel, path()), wrong);

        // Creating the journal fails: start-up goes on without one.
        app::modFunc().mdbPath = env->root() + u"/missing/orvane.mdb"_s;
        QCOMPARE(choose(Answer::Ok),
                 "goes on, ORVANE|0|0|MDBを作成できませんでした。 (splash shown), endings 0");
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
        // (A missing table's message: tst_calendar deleteAnEntry.)
        auto db = Workspace().createDatabase(path());
        store::tblMake(*db);
        QCOMPARE(db->execute(u"insert into Mirel (Reg_dat, Treat_tim, Error_kbn) values(?,?,?)"_s,
                             {QDate(2026, 12, 5), QTime(21, 5, 9), true}),
                 1);

        // Rows typed in with the sqlite3 client in other forms.
        for (const QString& typed : {u"1998-07-17T08:30"_s, u"1998-02-30"_s})
            db->execute(u"insert into Mirel (Reg_dat) values(?)"_s, {typed});
        // An update says how many rows it matched, none being no error (the editor's save
        // inserts a row that another program deleted); one statement runs per call.
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

        // Minutes after an hour, and a two-digit year below ten (the windows' patterns: their
        // tests).
        QCOMPARE(dates::format(QDateTime({2006, 12, 3}, {21, 5, 9}), "yy/mm/dd (aaa) hh:mm:ss"),
                 "06/12/03 (日) 21:05:09");
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
};

ORVANE_TEST_MAIN(StoreTest)
#include "tst_store.moc"
