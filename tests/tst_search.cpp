// The journal search: folding, the index on disk, the service that keeps it up to date, and the
// search window (opening it from the menus, searching as the query is typed, the list of hits and
// opening a hit in the editor with its match selected).
#include "store/search/SearchIndex.h"
#include "store/search/TextFold.h"
#include "support/Testing.h"
#include "windows/search/HitModel.h"

using namespace testing;
using namespace store::search;

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

class SearchTest : public CalendarTest {
    Q_OBJECT
private Q_SLOTS:
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
        QString huge;
        for (int i = 0; i < 10000; ++i)
            huge += QChar(0x4E00 + (i * 7) % 2000);
        QCOMPARE(days(index, huge), QStringList());

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
        const QString cache = env->root() + u"/blocked"_s;
        QFile blocker(cache);
        QVERIFY(blocker.open(QIODevice::WriteOnly));
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
        QVERIFY(w.buildProgress->isHidden() && w.cancelButton->isHidden());
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

        // With no editor open, one opens on the day, the match selected.
        e->dEnd[1]->trigger();
        runDeferredDeletes();
        app::modFunc().WorkDate = QDate(2026, 1, 1);
        QTest::keyClick(w.hitList, Qt::Key_Return);
        e = windows::findEditor();
        QVERIFY(e && app::modFunc().WorkDate == QDate(2026, 12, 7));
        QCOMPARE(e->textBox(1)->textCursor().selectedText(), u"さんぽ"_s);
    }
};

ORVANE_TEST_MAIN(SearchTest)
#include "tst_search.moc"
