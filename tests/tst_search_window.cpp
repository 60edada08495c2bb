// The search window: opening it from the menus, searching as the query is typed, the list of
// hits and opening a hit in the editor with its match selected.
#include "platform/Database.h"
#include "store/backup/Backups.h"
#include "store/search/SearchService.h"
#include "support/CalendarFixture.h"
#include "windows/WindowLookup.h"
#include "windows/editor/frmMirel.h"
#include "windows/search/HitModel.h"
#include "windows/search/frmFind.h"

#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableView>
#include <QtTest>

#include <atomic>
#include <cstdlib>
#include <new>

using namespace Qt::StringLiterals;
using namespace testing;
using store::search::Hit;

namespace {

// Types a query and lets the pause after typing run out; the number of the answer asked for.
quint64 ask(frmFind& w, const QString& query) {
    w.queryBox->setText(query);
    w.searchTimer_Timer();
    return w.askedAnswer().value_or(0);
}

void answer(quint64 number, int count, const QVector<Hit>& first,
            const QStringList& words = {u"サンポ"_s}) {
    Q_EMIT store::search::service().answered(number, words, count, first);
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

// The memory of a journal connection just closed goes to the next one of its size, as the
// system's allocator often does: the search must not take a journal opened anew for the one
// before by its address.
std::atomic<void*> recycled{nullptr};

} // namespace

void* operator new(std::size_t size) {
    if (void* block = size == sizeof(platform::db::Database) ? recycled.exchange(nullptr) : nullptr)
        return block;
    if (void* block = std::malloc(size))
        return block;
    throw std::bad_alloc();
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    try {
        return operator new(size);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}
void operator delete(void* block) noexcept {
    std::free(block);
}
void operator delete(void* block, std::size_t size) noexcept {
    std::free(size == sizeof(platform::db::Database) ? recycled.exchange(block) : block);
}

namespace {

const Hit walk{QDate(2026, 12, 7), u"公園"_s, u"今日はさんぽした"_s, 3, 3};
const Hit older{QDate(1998, 7, 5), QString(), u"犬とさんぽ"_s, 2, 3};

} // namespace

class SearchWindowTest : public CalendarTest {
    Q_OBJECT
private Q_SLOTS:
    void menusOpenOneWindow() {
        frmCal& cal = shownCalendar();
        cal.opFind->trigger();
        QPointer<frmFind> w = windows::findFinder();
        QVERIFY(w && w->focusWidget() == w->queryBox);
        QCOMPARE(w->windowTitle(), u"日記の検索"_s);

        cal.optFile[0]->trigger();
        frmMirel* e = windows::findEditor();
        QVERIFY(e != nullptr);
        // One search window at a time, from either menu.
        e->opFind->trigger();
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
        Q_EMIT store::search::service().fetched(first + 100, 2, {walk});
        Q_EMIT store::search::service().fetched(first, 2, {older});
        Q_EMIT store::search::service().fetched(first, 2, {walk});
        QCOMPARE(w.hits->rowCount(), 3);
        QCOMPARE(w.hits->index(2, 2).data().toString(), u"犬とさんぽ"_s);

        // The answer to an older query comes late: it is dropped.
        const quint64 second = ask(w, u"さんぽ 公園"_s);
        answer(second, 1, {walk});
        answer(first, 2, {walk, older});
        QCOMPARE(listed(w), u"1件, 2026/12/07 (月)|公園|今日はさんぽした"_s);
        answer(ask(w, u"zzz"_s), 0, {});
        QCOMPARE(listed(w), u"見つかりません"_s);
        // Blanks alone ask nothing and empty the list; an answer still on its way stays out.
        answer(ask(w, u"さんぽ"_s), 1, {walk});
        const quint64 dropped = *w.askedAnswer();
        QCOMPARE(ask(w, u" \u3000 "_s), 0u);
        answer(dropped, 1, {walk});
        QCOMPARE(listed(w), QString());

        // The index build shows its progress, and a cancel says so.
        Q_EMIT store::search::service().progress(30, 120);
        QVERIFY(!w.buildProgress->isHidden() && !w.cancelButton->isHidden());
        QCOMPARE(w.buildProgress->value() * 1000 + w.buildProgress->maximum(), 30120);
        w.cancelButton->click();
        Q_EMIT store::search::service().built(false);
        QVERIFY(w.buildProgress->isHidden() && w.cancelButton->isHidden());
        QCOMPARE(w.noticeLabel->text(), u"索引の作成を中止しました。"_s);
    }

    void openingAHitSelectsTheMatch() {
        addEntry(QDate(2026, 12, 7), u"公園"_s, u"朝ごはん\n今日はさんぽした"_s);
        frmMirel* e = &windows::showEditor(); // on 2026/12/06
        QTest::keyClicks(e->Text1[1], u"walk"_s);
        frmFind& w = windows::showFinder();
        answer(ask(w, u"ｻﾝﾎﾟ"_s), 1, {walk});
        // Return on a hit: the editor saves its day first, then shows the hit's.
        w.hitList->setCurrentIndex(w.hits->index(0, 0));
        QTest::keyClick(w.hitList, Qt::Key_Return);
        QCOMPARE(
            rawRows(journal, u"select Mirel_txt from Mirel where Reg_dat like '2026-12-06%'"_s),
            QList<QStringList>{{u"walk"_s}});
        QCOMPARE(e->dateBox()->text(), u"2026/12/07 (月)"_s);
        QCOMPARE(e->textBox(1)->textCursor().selectedText(), u"さんぽ"_s);
        QCOMPARE(e->textBox(1)->textCursor().selectionStart(), 8);
        QVERIFY(w.isVisible());

        // With no editor open, a double-click opens one on the day, the match selected.
        e->dEnd[1]->trigger();
        runDeferredDeletes();
        app::modFunc().WorkDate = QDate(2026, 1, 1);
        const QPoint at = w.hitList->visualRect(w.hits->index(0, 1)).center();
        QTest::mouseClick(w.hitList->viewport(), Qt::LeftButton, Qt::NoModifier, at);
        QTest::mouseDClick(w.hitList->viewport(), Qt::LeftButton, Qt::NoModifier, at);
        e = windows::findEditor();
        QVERIFY(e && app::modFunc().WorkDate == QDate(2026, 12, 7));
        QCOMPARE(e->textBox(1)->textCursor().selectedText(), u"さんぽ"_s);
    }

    void searchFollowsEveryJournalChange() {
        auto& m = app::modFunc();
        auto& service = store::search::service();
        QSignalSpy answers(&service, &store::search::SearchService::answered);
        // The days the search finds for 雪, newest first.
        const auto found = [&] {
            const quint64 number = service.search(u"雪"_s);
            while (answers.isEmpty() || answers.back().front().toULongLong() != number)
                if (!answers.wait(20000))
                    return u"no answer"_s;
            QStringList days;
            for (const Hit& hit : answers.back().at(3).value<QVector<Hit>>())
                days << hit.day.toString(u"M/d"_s);
            return days.join(u' ');
        };
        addEntry(QDate(2026, 12, 1), u""_s, u"雪の日"_s);
        QCOMPARE(found(), u"12/1"_s);
        // Saved in the editor, backed up, then deleted from the calendar.
        frmCal& cal = shownCalendar();
        cal.oCal1->setValue(u"2026/12/2"_s);
        cal.Cal1_DblClick();
        frmMirel& e = *windows::findEditor();
        e.textBox(1)->insertPlainText(u"雪だるま"_s);
        QVERIFY(e.devProc());
        QCOMPARE(found(), u"12/2 12/1"_s);
        store::backup::backupNow(*m.JournalDb, m.gPath);
        env->clock.advanceMs(60000);
        env->dialogs.answerMessage(platform::Answer::Yes);
        cal.optFile[1]->trigger();
        QCOMPARE(found(), u"12/1"_s);
        env->clock.advanceMs(60000);
        store::backup::backupNow(*m.JournalDb, m.gPath);
        // Restored to the backup before the delete (the one after it first), compacted, and a
        // new journal made.
        const auto backups = store::backup::listBackups(journal);
        for (const std::size_t newestFirst : {0, 1}) {
            env->clock.advanceMs(60000);
            store::backup::restoreJournal(backups[newestFirst]);
            QCOMPARE(found(), newestFirst ? u"12/2 12/1"_s : u"12/1"_s);
        }
        e.optComp->trigger();
        QCOMPARE(found(), u"12/2 12/1"_s);
        env->dialogs.answerFile(env->root() + u"/new.mdb"_s);
        env->dialogs.answerMessage(platform::Answer::Ok);
        e.optPath[1]->trigger();
        QCOMPARE(found(), QString());
    }
};

ORVANE_TEST_MAIN(SearchWindowTest)
#include "tst_search_window.moc"
