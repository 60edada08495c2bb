// The journal on disk and its search. The engine (files, statements, values, errors), dates, the
// table, its keys and their index, other programs' files and the journal chooser; folding, the
// search index on disk, the service that keeps it up to date, and the search window (opening it
// from the menus, searching as the query is typed, the list of hits and opening a hit in the
// editor with its match selected).
#include "platform/Dates.h"
#include "store/Chooser.h"
#include "store/EntrySql.h"
#include "store/JournalKeys.h"
#include "store/search/SearchIndex.h"
#include "store/search/TextFold.h"
#include "support/Testing.h"
#include "windows/search/HitModel.h"

using namespace testing;
using namespace store::search;
using namespace platform;
using namespace platform::db;

namespace {

// The days found for a query, newest first, as "yyyy-mm-dd".
QStringList days(SearchIndex& index, const QString& query) {
    QStringList found;
    for (qint64 id : index.find(queryWords(query)))
        found << index.hit(id, queryWords(query)).day.toString(Qt::ISODate);
    return found;
}

QString indexPath(const QString& journal) {
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::CacheLocation);
    QDir().mkpath(folder);
    return folder + u'/' + indexFileName(journal);
}

// Types a query and lets the pause after typing run out; the number of the answer asked for.
quint64 ask(frmFind& w, const QString& query) {
    w.queryBox->setText(query);
    w.searchTimer_Timer();
    return w.askedAnswer().value_or(0);
}

void answer(quint64 number, int count, const QVector<Hit>& first,
            const QStringList& words = {u"サンポ"_s}) {
    Q_EMIT service().answered(number, words, count, first);
}

// The count, then the rows as the list shows them.
QString listed(const frmFind& w) {
    QStringList rows{w.countLabel->text()};
    for (int row = 0; row < w.hits->rowCount(); ++row) {
        QStringList cells;
        for (int column = 0; column < w.hits->columnCount(); ++column)
            cells << w.hits->index(row, column).data().toString();
        rows << cells.join(u'|');
    }
    return rows.join(u", "_s);
}

const Hit walk{QDate(2026, 12, 7), u"公園"_s, u"今日はさんぽした"_s, 3, 3};
const Hit older{QDate(1998, 7, 5), QString(), u"犬とさんぽ"_s, 2, 3};

} // namespace

// Each test in a world of its own with an empty journal open (the calendar's tests' fixture);
// the engine's own files are made beside it.
class StoreTest : public CalendarTest {
    Q_OBJECT

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
            if (c.kind == ScriptedDialogs::Kind::Message && &c != &env->dialogs.calls()[0])
                said += ", " + c.summary() + (c.splashShown ? " (splash shown)" : "");
        return said + u", endings %1"_s.arg(env->endings.size());
    }

private Q_SLOTS:
    void journalTableAndItsKeyIndex() {
        auto db = db::Workspace().createDatabase(path());
        store::tblMake(*db);
        // A row as the editor inserts it: the error's message, empty when it was stored.
        const auto insert = [&](int day, QString text, QString picture = {}, QString pc = "pc") {
            return failure([&] {
                db->execute(u"insert into mirel values (?,?,?,?,?,?,?,?)"_s,
                            {QDate(1998, 12, day), text, QString(), picture, false,
                             QDate(2026, 12, 6), QTime(21, 5, 9), pc});
            });
        };
        // On disk: dates as text the sqlite3 client reads, a time on the zero date, False as 0,
        // empty texts as empty texts; quotes, line breaks and emoji unchanged.
        const QString text = u"It's \"quoted\"\r\nline\n😀 日記; --"_s;
        QCOMPARE(insert(15, text), QString());
        QCOMPARE(rawRows(path(), u"select * from Mirel"_s),
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
        // (Reading and deleting a day use the same condition.)
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
        QVERIFY(rawExecute(path(), u"create table Mirel(Reg_dat datetime, Mirel_txt "
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
        QVERIFY(rawExecute(path(), u"insert into Mirel(Reg_dat, Mirel_txt, Memo_txt) "
                                   "values ('1998/7/15', 'a', 'x'), ('1998-7-16T08:30', "
                                   "'b', 'y'), ('1998/07/20', 'c', 'z'), ('not a day', "
                                   "'d', ''); update Mirel set Memo_txt = 'w' where "
                                   "Mirel_txt = 'd'"_s));
        // Typed in while the program runs: made the stored form before the next statement,
        // the rows otherwise as they were; a day that has a row already keeps both, named once.
        env->dialogs.answerMessage(Answer::Ok);
        store::normaliseKeys(*db);
        const auto rows = [&] {
            return rawRows(path(), u"select Reg_dat, Mirel_txt, Memo_txt from Mirel "
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
        QVERIFY(rawExecute(path(), u"delete from Mirel where Mirel_txt = 'a'"_s));
        store::normaliseKeys(*db); // the same clash is not named again
        QCOMPARE(rows().size(), 4);
        QCOMPARE(
            db->openRecordset(store::sql::entriesBetween(), store::monthKeys(1998, 7)).rowCount(),
            2u);
    }

    void journalsOfOtherPrograms() {
        // Tables of its own and no Mirel: refused, and left exactly as it was.
        QVERIFY(rawExecute(path(), u"create table notes(t text)"_s));
        const QByteArray before = readFile(path());
        QCOMPARE(failure([&] { store::openJournal(db::Workspace(), path()); }),
                 u"このファイルは別のプログラムのデータベースです。(26)"_s);
        QCOMPARE(readFile(path()), before);
        // No tables at all: a journal to be, its table made by the first reader.
        QVERIFY(QFile::remove(path()) && rawExecute(path(), u"vacuum"_s));
        QCOMPARE(failure([&] { store::openJournal(db::Workspace(), path()); }), QString());
    }

    void chooser() {
        // The question itself, and a cancelled choice: tst_startup.
        const QString picked = writeFile(env->root() + u"/MyOrvane.MDB"_s);
        app::modFunc().mdbPath = path();
        QCOMPARE(choose(Answer::Cancel, picked, false), u"goes on, endings 0"_s);
        // Opened later: the journal open before stays open until then.
        QVERIFY(app::modFunc().mdbPath == picked && app::modFunc().JournalDb->path() == journal);
        const auto& asked = env->dialogs.calls().at(1).file;
        QCOMPARE(asked.fileName + '|' + asked.filter + '|' + QString::number(asked.filterIndex),
                 path() + "|すべてのファイル (*.*)|*.*|ＭＤＢ ファイル (*.mdb)|*.mdb|1");
        QVERIFY(asked.hideReadOnly && asked.title.isEmpty());

        // Another name, or a file that does not exist (the proposed one): the splash goes
        // first.
        const QString wrong =
            u"stops, ORVANE|0|0|ＭＤＢパスが間違っています。もう一度やり直してください。, endings 1"_s;
        QCOMPARE(choose(Answer::Cancel, writeFile(env->root() + "/journal.mdb")), wrong);
        QCOMPARE(choose(Answer::Cancel, path()), wrong);

        // Creating the journal fails: start-up goes on without one.
        app::modFunc().mdbPath = env->root() + u"/missing/orvane.mdb"_s;
        QCOMPARE(choose(Answer::Ok),
                 "goes on, ORVANE|0|0|MDBを作成できませんでした。 (splash shown), endings 0");
    }

    void openAndCreate() {
        const Workspace ws;
        QCOMPARE(failure([&] { ws.openDatabase(path()); }), "unable to open database file(14)");
        QVERIFY(!QFile::exists(path())); // opening never creates
        // An empty file and a text file are no journals, and both stay as they were.
        for (const QByteArray& content : {QByteArray(), QByteArray("Standard Jet DB, or not")}) {
            writeFile(path(), content);
            QCOMPARE(failure([&] { ws.openDatabase(path()); }), "file is not a database(26)");
            QCOMPARE(failure([&] { ws.createDatabase(path()); }),
                     "データベースは既に存在します。(3204)"); // never overwrites
            QCOMPARE(readFile(path()), content);
        }
    }

    void statementsValuesAndErrors() {
        // (A missing table's message: tst_calendar deleteAnEntry.)
        auto db = Workspace().createDatabase(path());
        store::tblMake(*db);
        db->execute(u"insert into Mirel (Reg_dat, Treat_tim, Error_kbn) values(?,?,?)"_s,
                    {QDate(2026, 12, 5), QTime(21, 5, 9), true});

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
        QVERIFY(!failure([&] { db->execute(u"delete from Mirel; drop table Mirel"_s); }).isEmpty());

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
    void indexFindsWordsOfAnyLength() {
        // A match maps back onto the characters the user wrote (how case, width and kana fold:
        // the queries below).
        const QString text = u"今日はｻﾝﾎﾟした"_s;
        const auto span = firstMatch(text, queryWords(u"さんぽ"_s));
        QVERIFY(span.has_value());
        QCOMPARE(text.mid(span->start, span->length), u"ｻﾝﾎﾟ"_s);

        QCOMPARE(queryWords(u" 散歩\u3000ＡＢＣ  "_s), QStringList({u"散歩"_s, u"abc"_s}));

        putEntry(journal, u"2024-05-01"_s, u"雨の日に散歩した。"_s, u"晴れ"_s);
        putEntry(journal, u"2025-06-02"_s, u"ｻﾝﾎﾟ ABC ｶﾞｯｺｳ"_s, u"公園"_s, u"C:\\絵\\Hanami.bmp"_s);
        putEntry(journal, u"2026-07-03"_s, u"a b 100% _x_ *\"引用\" NEAR AND OR (括弧) 🌸 雨"_s);
        SearchIndex index(indexPath(journal), journal);
        QVERIFY(index.refresh());

        // Each query with the days it finds. Case, width and kana fold alike, voiced marks
        // never; every word counts, in the text, the remark or the picture's name without its
        // folder; words never run across a blank; signs and query words are characters to find,
        // never syntax; past the words the index is asked for, the rest are checked in the
        // entries.
        const QString rows = QStringLiteral(
            "雨 -> 2026-07-03 2024-05-01; 散歩 -> 2024-05-01; さんぽ -> 2025-06-02; さんぼ -> ; "
            "がっこう -> 2025-06-02; １００％ -> 2026-07-03; サンポ -> 2025-06-02; "
            "ab -> 2025-06-02; ぽ -> 2025-06-02; ンポ -> 2025-06-02; Ｃ -> 2025-06-02; "
            "公園 さんぽ hanami -> 2025-06-02; 絵 -> ; 雨 晴れ -> 2024-05-01; cab -> ; "
            "100% -> 2026-07-03; _x_ -> 2026-07-03; *\"引用\" -> 2026-07-03; NEAR -> 2026-07-03; "
            "and or -> 2026-07-03; (括弧) -> 2026-07-03; 🌸 -> 2026-07-03; \" -> 2026-07-03; "
            "% -> 2026-07-03; n e a r o 1 b -> 2026-07-03; n e a r o 1 z -> ");
        for (const QString& row : rows.split(u"; "_s)) {
            const QString query = row.section(u" -> "_s, 0, 0);
            QCOMPARE(query + u" -> "_s + days(index, query).join(u' '), row);
        }

        // The excerpt is the text around the first match, the match marked.
        const QStringList words = queryWords(u"散歩"_s);
        const Hit hit = index.hit(index.find(words).front(), words);
        QCOMPARE(hit.remark, u"晴れ"_s);
        QCOMPARE(hit.excerpt, u"雨の日に散歩した。"_s);
        QCOMPARE(hit.excerpt.mid(hit.boldStart, hit.boldLength), u"散歩"_s);

        // (What the program itself saves, deletes and restores: the random walk.) Another tool's
        // rows, in any form the program reads, are found by the next comparison.
        QVERIFY(rawExecute(journal, u"insert into Mirel(Reg_dat,Mirel_txt) values"
                                    u"('2026/1/5','書き初め')"_s));
        QVERIFY(index.refresh());
        QCOMPARE(days(index, u"書き初め"_s), QStringList({u"2026-01-05"_s}));
        index.recordJournalState(platform::sqlite::fileState(journal));
        // Reopened on an unchanged journal the index says so; any change of the file ends that.
        SearchIndex again(indexPath(journal), journal);
        QVERIFY(again.matchesJournalFile());
        putEntry(journal, u"2026-01-06"_s, u"六日"_s);
        QVERIFY(!again.matchesJournalFile());
    }

    void serviceAnswersAndRebuildsADamagedIndex() {
        QVERIFY(rawExecute(journal, u"with recursive n(i) as (select 0 union all select i+1 "
                                    u"from n where i<1499) insert into Mirel(Reg_dat,Mirel_txt) "
                                    u"select date('2000-01-01','+'||i||' days')||' 00:00:00',"
                                    u"iif(i%2,'晴れて散歩','雨で読書') from n"_s));
        auto& service = store::search::service();
        QSignalSpy answers(&service, &SearchService::answered);
        QSignalSpy built(&service, &SearchService::built);
        QSignalSpy progress(&service, &SearchService::progress);
        service.prepare();
        // A save while the index is being built completes at once: after the build's first 200
        // entries it commits, and the build's end comes after it.
        QVERIFY(progress.wait(20000));
        auto& db = *app::modFunc().JournalDb;
        QVERIFY(db.execute(u"update Mirel set Mirel_txt='雪だるま' where rowid=1"_s) == 1);
        QCoreApplication::sendPostedEvents();
        QVERIFY(built.isEmpty());
        SearchService::entryChanged(QDate(2000, 1, 1));
        QVERIFY(built.wait(20000));
        QCOMPARE(built.front().front().toBool(), true);
        QCOMPARE(progress.back(), QVariantList({1500, 1500}));

        const auto ask = [&](const QString& query) {
            const quint64 number = service.search(query);
            while (answers.isEmpty() || answers.back().front().toULongLong() != number)
                if (!answers.wait(20000))
                    return -1;
            return answers.back().at(2).toInt();
        };
        QCOMPARE(ask(u"散歩"_s), 750);
        QCOMPARE(ask(u"雪ダルマ"_s), 1);
        const auto first = answers.back().at(3).value<QVector<Hit>>();
        QCOMPARE(first.front().day, QDate(2000, 1, 1));

        // A row another tool adds while the program runs is found by the next search.
        QVERIFY(rawExecute(journal, u"insert into Mirel(Reg_dat,Mirel_txt) values"
                                    u"('2026-12-01 00:00:00','雪だるま二つ')"_s));
        QCOMPARE(ask(u"雪だるま"_s), 2);

        // An index file cut short or thrown away is made again, without a word to the user.
        QFile::resize(indexPath(journal), 4096);
        QCOMPARE(ask(u"雪だるま"_s), 2);
        QVERIFY(QFile::remove(indexPath(journal)));
        QCOMPARE(ask(u"読書"_s), 749);
        QVERIFY(QFile::exists(indexPath(journal)));
    }

    void unwritableCacheSearchesWithoutStoredIndex() {
        putEntry(journal, u"2026-03-03"_s, u"ひな祭り"_s);
        // A file where the cache folder should be stops even root.
        const QString cache = writeFile(env->root() + u"/blocked"_s, "");
        qputenv("XDG_CACHE_HOME", (cache + u"/sub"_s).toUtf8());
        auto& service = store::search::service();
        QSignalSpy notices(&service, &SearchService::notice);
        QSignalSpy answers(&service, &SearchService::answered);
        service.search(u"ﾋﾅ祭り"_s);
        QVERIFY(answers.wait(20000));
        QCOMPARE(answers.back().at(2).toInt(), 1);
        service.search(u"雛"_s);
        QVERIFY(answers.wait(20000));
        QCOMPARE(notices.size(), 1);
        QVERIFY(notices.front().front().toString().startsWith(u"検索の索引を次のフォルダーに"_s));
    }

    void menusOpenOneWindow() {
        frmCal& cal = shownCalendar();
        cal.opFind->trigger();
        QPointer<frmFind> w = windows::findFinder();
        QVERIFY(w && w->focusWidget() == w->queryBox);
        QCOMPARE(w->windowTitle(), u"日記の検索"_s);

        // One search window at a time, from either menu.
        windows::showEditor().opFind->trigger();
        const auto finders = [] {
            return std::ranges::count_if(QApplication::topLevelWidgets(),
                                         [](QWidget* x) { return qobject_cast<frmFind*>(x); });
        };
        QVERIFY(windows::findFinder() == w && finders() == 1);
        w->closeButton->click();
        runDeferredDeletes();
        QVERIFY(w.isNull() && finders() == 0);
    }

    void typingListsTheHits() {
        frmFind& w = windows::showFinder();
        // Typing only restarts the pause: nothing is asked before it runs out.
        w.queryBox->setText(u"さんぽ"_s);
        QVERIFY(!w.askedAnswer());

        const quint64 first = ask(w, u"さんぽ"_s);
        answer(first, 250, {walk, older});
        QCOMPARE(listed(w),
                 u"250件, 2026/12/07 (月)|公園|今日はさんぽした, 1998/07/05 (日)||犬とさんぽ"_s);
        // More rows come as the list scrolls; rows of another answer, or given twice, do not.
        w.hits->fetchMore({});
        Q_EMIT service().fetched(first + 100, 2, {walk});
        Q_EMIT service().fetched(first, 2, {older});
        Q_EMIT service().fetched(first, 2, {walk});
        QCOMPARE(w.hits->rowCount(), 3);
        QCOMPARE(w.hits->index(2, 2).data().toString(), u"犬とさんぽ"_s);

        // (An answer to an older query that comes late is dropped, and none found says so: the
        // random walk.)
        // Blanks alone ask nothing and empty the list; an answer still on its way stays out.
        answer(ask(w, u"さんぽ"_s), 1, {walk});
        const quint64 dropped = *w.askedAnswer();
        QCOMPARE(ask(w, u" \u3000 "_s), 0u);
        answer(dropped, 1, {walk});
        QCOMPARE(listed(w), QString());

        // The index build shows its progress, and a cancel says so.
        Q_EMIT service().progress(30, 120);
        QVERIFY(!w.buildProgress->isHidden() && !w.cancelButton->isHidden());
        QCOMPARE(w.buildProgress->value() * 1000 + w.buildProgress->maximum(), 30120);
        w.cancelButton->click();
        Q_EMIT service().built(false);
        QVERIFY(w.buildProgress->isHidden() && w.cancelButton->isHidden());
        QCOMPARE(w.noticeLabel->text(), u"索引の作成を中止しました。"_s);
    }

    void openingAHitSelectsTheMatch() {
        addEntry(QDate(2026, 12, 7), u"公園"_s, u"朝ごはん\n今日はさんぽした"_s);
        frmMirel* e = &windows::showEditor(); // on 2026/12/06
        frmFind& w = windows::showFinder();
        answer(ask(w, u"ｻﾝﾎﾟ"_s), 1, {walk});
        // Return on a hit: the editor shows its day (saving its own first: the random walk).
        w.hitList->setCurrentIndex(w.hits->index(0, 0));
        QTest::keyClick(w.hitList, Qt::Key_Return);
        QCOMPARE(e->dateBox()->text(), u"2026/12/07 (月)"_s);
        QCOMPARE(e->textBox(1)->textCursor().selectedText(), u"さんぽ"_s);
        QCOMPARE(e->textBox(1)->textCursor().selectionStart(), 8);
        QVERIFY(w.isVisible());
        // (With no editor open, one opens on the day: the random walk; the match is selected
        // the same way.)
    }
};

ORVANE_TEST_MAIN(StoreTest)
#include "tst_store.moc"
