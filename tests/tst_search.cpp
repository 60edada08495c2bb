// The journal search: folding, the index on disk and the service that keeps it up to date.
#include "app/modFunc.h"
#include "platform/Database.h"
#include "store/search/SearchIndex.h"
#include "store/search/SearchService.h"
#include "store/search/TextFold.h"
#include "support/JournalFile.h"
#include "support/TestEnv.h"

#include <QDir>
#include <QSignalSpy>
#include <QtTest>

using namespace Qt::StringLiterals;
using namespace testing;
using namespace store::search;

namespace {

// One row as the sqlite3 client would type it.
void put(const QString& journal, const QString& day, const QString& text,
         const QString& remark = {}, const QString& picture = {}) {
    QVERIFY(
        rawExecute(journal, u"insert into Mirel(Reg_dat,Mirel_txt,Memo_txt,Pic_txt) values("
                            u"'%1 00:00:00','%2','%3','%4')"_s.arg(day, text, remark, picture)));
}

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

} // namespace

class SearchTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void foldingIgnoresCaseWidthAndKana() {
        TestEnv env;
        // Each pair folds alike, whichever side is typed.
        const QList<std::pair<QString, QString>> same{
            {u"ＡＢＣ"_s, u"abc"_s},    {u"ｻﾝﾎﾟ"_s, u"サンポ"_s},    {u"さんぽ"_s, u"サンポ"_s},
            {u"２０２６"_s, u"2026"_s}, {u"ｶﾞｯｺｳ"_s, u"がっこう"_s}, {u"ＧＯ"_s, u"go"_s}};
        for (const auto& [a, b] : same)
            QCOMPARE(foldedText(a), foldedText(b));
        QVERIFY(foldedText(u"さんぽ"_s) != foldedText(u"さんぼ"_s));

        // A match maps back onto the characters the user wrote.
        const QString text = u"今日はｻﾝﾎﾟした"_s;
        const auto span = firstMatch(text, queryWords(u"さんぽ"_s));
        QVERIFY(span.has_value());
        QCOMPARE(text.mid(span->start, span->length), u"ｻﾝﾎﾟ"_s);

        QCOMPARE(queryWords(u" 散歩\u3000ＡＢＣ  "_s), QStringList({u"散歩"_s, u"abc"_s}));
        QVERIFY(queryWords(u" \u3000 "_s).isEmpty());
    }

    void indexFindsWordsOfAnyLength() {
        TestEnv env;
        const QString journal = createJournal(env);
        put(journal, u"2024-05-01"_s, u"雨の日に散歩した。"_s, u"晴れ"_s);
        put(journal, u"2025-06-02"_s, u"ｻﾝﾎﾟ ABC"_s, u"公園"_s, u"C:\\絵\\Hanami.bmp"_s);
        put(journal, u"2026-07-03"_s, u"a b 100% _x_ *\"引用\" NEAR AND OR (括弧) 🌸 雨"_s);
        SearchIndex index(indexPath(journal), journal);
        QVERIFY(index.refresh());

        QCOMPARE(days(index, u"雨"_s), QStringList({u"2026-07-03"_s, u"2024-05-01"_s}));
        QCOMPARE(days(index, u"散歩"_s), QStringList({u"2024-05-01"_s}));
        QCOMPARE(days(index, u"さんぽ"_s), QStringList({u"2025-06-02"_s}));
        QCOMPARE(days(index, u"ab"_s), QStringList({u"2025-06-02"_s}));
        QCOMPARE(days(index, u"ぽ"_s), QStringList({u"2025-06-02"_s}));
        QCOMPARE(days(index, u"ンポ"_s), QStringList({u"2025-06-02"_s}));
        QCOMPARE(days(index, u"Ｃ"_s), QStringList({u"2025-06-02"_s}));
        // Every word, in the text, the remark or the picture's name without its folder.
        QCOMPARE(days(index, u"公園 さんぽ hanami"_s), QStringList({u"2025-06-02"_s}));
        QCOMPARE(days(index, u"絵"_s), QStringList());
        QCOMPARE(days(index, u"雨 晴れ"_s), QStringList({u"2024-05-01"_s}));
        // Words never run across a blank.
        QCOMPARE(days(index, u"cab"_s), QStringList());
        // Signs and query words are characters to find, never syntax.
        for (const QString& query : {u"100%"_s, u"_x_"_s, u"*\"引用\""_s, u"NEAR"_s, u"and or"_s,
                                     u"(括弧)"_s, u"🌸"_s, u"\""_s, u"%"_s})
            QCOMPARE(days(index, query), QStringList({u"2026-07-03"_s}));
        // More words than the index is asked for: the rest are checked in the entries.
        QCOMPARE(days(index, u"n e a r o 1 b"_s), QStringList({u"2026-07-03"_s}));
        QCOMPARE(days(index, u"n e a r o 1 z"_s), QStringList());
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
    }

    void indexFollowsEveryChangeOfTheJournal() {
        TestEnv env;
        const QString journal = createJournal(env);
        put(journal, u"2026-01-01"_s, u"元日"_s);
        put(journal, u"2026-01-02"_s, u"初夢"_s);
        {
            SearchIndex index(indexPath(journal), journal);
            // The build reads in short transactions: between two, the program saves at once.
            QVERIFY(index.refresh([&](int, int) {
                return app::modFunc().JournalDb->execute(u"update Mirel set Memo_txt='x'"_s) == 2;
            }));
            // What the program itself saves and deletes.
            QVERIFY(rawExecute(journal, u"update Mirel set Mirel_txt='二日の雪' where "
                                        u"Reg_dat like '2026-01-02%'"_s));
            QVERIFY(rawExecute(journal, u"delete from Mirel where Reg_dat like '2026-01-01%'"_s));
            index.refreshDay(QDate(2026, 1, 2));
            index.refreshDay(QDate(2026, 1, 1));
            QCOMPARE(days(index, u"雪"_s), QStringList({u"2026-01-02"_s}));
            QCOMPARE(days(index, u"初夢"_s), QStringList());
            QCOMPARE(days(index, u"元日"_s), QStringList());
            // Another tool's rows in any form the program reads, found by the next comparison.
            QVERIFY(rawExecute(journal, u"insert into Mirel(Reg_dat,Mirel_txt) values"
                                        u"('2026/1/5','書き初め')"_s));
            QVERIFY(index.refresh());
            QCOMPARE(days(index, u"書き初め"_s), QStringList({u"2026-01-05"_s}));
            index.recordJournalState(platform::sqlite::fileState(journal));
        }
        // Reopened on an unchanged journal the index says so; any change of the file ends that.
        SearchIndex again(indexPath(journal), journal);
        QVERIFY(again.matchesJournalFile());
        put(journal, u"2026-01-06"_s, u"六日"_s);
        QVERIFY(!again.matchesJournalFile());
    }

    void serviceAnswersAndRebuildsADamagedIndex() {
        TestEnv env;
        const QString journal = createJournal(env);
        QVERIFY(rawExecute(journal, u"with recursive n(i) as (select 0 union all select i+1 "
                                    u"from n where i<1499) insert into Mirel(Reg_dat,Mirel_txt) "
                                    u"select date('2000-01-01','+'||i||' days')||' 00:00:00',"
                                    u"iif(i%2,'晴れて散歩','雨で読書') from n"_s));
        auto& service = store::search::service();
        QSignalSpy answers(&service, &SearchService::answered);
        QSignalSpy built(&service, &SearchService::built);
        QSignalSpy progress(&service, &SearchService::progress);
        service.prepare();
        // A save while the index is being built completes at once.
        app::modFunc().JournalDb->execute(
            u"update Mirel set Mirel_txt='雪だるま' where Reg_dat>='2000-01-01' and "
            u"Reg_dat<'2000-01-02'"_s);
        SearchService::entryChanged(QDate(2000, 1, 1));
        QVERIFY(built.wait(20000));
        QCOMPARE(built.front().front().toBool(), true);
        QVERIFY(!progress.isEmpty());
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
        ORVANE_VERIFY_ENV(env);
    }

    void unwritableCacheSearchesWithoutStoredIndex() {
        TestEnv env;
        const QString journal = createJournal(env);
        put(journal, u"2026-03-03"_s, u"ひな祭り"_s);
        // A file where the cache folder should be stops even root.
        const QString cache = env.root() + u"/blocked"_s;
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
};

ORVANE_TEST_MAIN(SearchTest)
#include "tst_search.moc"
