// A seeded random walk of what a user does with the real windows, checked after every step
// against a plain model: which day holds which text, remark and picture in which journal, and
// what each open window shows. ORVANE_WALK=seed:steps replays one walk.
#include "store/JournalLock.h"
#include "store/Unlock.h"
#include "support/Testing.h"
#include "windows/book/RangeBox.h"
#include "windows/book/frmBook.h"
#include "windows/book/frmExport.h"
#include "windows/crypto/frmLock.h"

#include <chrono>
#include <map>
#include <random>
#include <set>

using namespace testing;

namespace {

struct Entry {
    QString text, remark, picture;
    bool operator==(const Entry&) const = default;
};
using Days = std::map<QDate, Entry>;

// What a user does and how often it is drawn: up to Lock what the calendar offers, from Type
// what needs the editor open, from NotebookYear what needs the notebook open.
struct Action {
    const char* name;
    int weight;
};
// clang-format off
enum Kind {
    Click, DoubleClick, Key, Today, GoTo, Selector, Delete, Search, Notebook, Restore, Clock,
    Restart, Print, Export, Lock, Type, DeleteKey, Paste, MiddlePaste, Save, Return, ReturnUnsaved,
    DayButton, Attach, Detach, Draw, EditorNotebook, OtherJournal, NewJournal, Compact,
    EditorPrint, NotebookYear, NotebookRow, NotebookBack
};
constexpr Action Actions[] = {
    {"click", 8}, {"double-click", 4}, {"key", 10}, {"今日", 2}, {"go to", 3}, {"selector", 3},
    {"選択を削除", 3}, {"search", 4}, {"手帳", 2}, {"restore", 4}, {"clock", 4}, {"restart", 1},
    {"絵日記を印刷", 2}, {"日記を書き出す", 2}, {"暗号化/パスフレーズ/解除", 2}, {"type", 14},
    {"Delete", 4}, {"paste", 3}, {"middle paste", 3}, {"保存", 4}, {"保存して戻る", 2},
    {"保存せず戻る/close box", 2}, {"day button", 4}, {"attach", 2}, {"detach", 1},
    {"draw", 1}, {"手帳 from editor", 1}, {"MDBﾊﾟｽ other", 2}, {"MDBﾊﾟｽ new", 1},
    {"MDBの最適化", 2}, {"絵日記を印刷 from editor", 1}, {"notebook year", 1},
    {"notebook row", 1}, {"notebook 戻る", 1}};
// clang-format on

// a and b (below 1000) choose within what the windows offer at that moment (a day, a word, a
// row).
struct Step {
    Kind kind;
    unsigned a, b;
};

// Words a user writes: the kanji, every second word, are what the search looks for.
const QStringList Words{u"ab"_s, u"雪"_s, u"x"_s, u"花"_s, u"It's"_s, u"月"_s, u"q\"z"_s, u"星"_s};

const RangeBox::Option Ranges[] = {RangeBox::ThisDay, RangeBox::ThisMonth, RangeBox::ThisYear,
                                   RangeBox::Everything};
// The passphrases the walk encrypts with, and the one a file opens with.
const QString Passphrases[] = {u"歩く人の合言葉です"_s, u"もう一つの合言葉"_s};
QString passphraseOf(const QString& path) {
    return cipherLayer(path, Passphrases[0]) ? Passphrases[0] : Passphrases[1];
}

// Waits until a print or export running in the background has ended.
template <typename W> bool ended(W& window) {
    const bool done = QTest::qWaitFor([&] { return !window.running(); }, 30000);
    QCoreApplication::processEvents();
    return done;
}

QString withoutBlanks(QString text) {
    return text.remove(QRegularExpression(u"\\s"_s));
}

class Walk {
public:
    Walk() {
        // The paint program, found on PATH at start-up, leaves the picture as it got it.
        writeFile(env_.root() + u"/bin/mtpaint"_s, "#!/bin/sh\n", true);
        qputenv("PATH", QFile::encodeName(env_.root()) + "/bin:/usr/bin:/bin");
        for (int i = 0; i < 3; ++i) {
            QImage image(4 + i, 3, QImage::Format_RGB32);
            image.fill(QColor(60 * i, 100, 200));
            image.save(pictures_.emplace_back(env_.root() + u"/pic%1.bmp"_s.arg(i)));
        }
        env_.dialogs.answerMessage(Answer::Ok); // no journal yet: make one
        start();
        const QString other = env_.root() + u"/other.mdb"_s;
        QFile::copy(model_.open, other);
        putEntry(other, u"2026-12-01"_s, u"他の日記 雪"_s, u"他"_s);
        model_.journals[other][QDate(2026, 12, 1)] = {u"他の日記 雪"_s, u"他"_s, {}};
        stored_ = model_.open;
    }
    ~Walk() { stop(); }

    // Draws and runs count steps; returns, when the journals or the windows differed from the
    // model, after which step, the last twenty steps that led there and what differed.
    QString run(std::mt19937& rng, int count) {
        QStringList trail;
        for (int i = 1; i <= count; ++i) {
            const Step s = draw(rng);
            trail << u"%1(%2,%3)"_s.arg(QString::fromUtf8(Actions[s.kind].name)).arg(s.a).arg(s.b);
            perform(s);
            if (const QString why = check(); !why.isEmpty())
                return u"after step %1 (the last: %2)\n%3"_s.arg(i).arg(
                    trail.mid(trail.size() - 20).join(u", "_s), why);
        }
        return {};
    }

private:
    struct Editor {
        QDate day;
        Entry shown;
        bool changed = false;
    };
    struct {
        std::map<QString, Days> journals;
        QString open, mdbPath;
        QDate workDate;
        std::optional<Editor> editor;
        // The calendar's month (its first day), and its pens, tool tips and tags as the marking
        // rules leave them.
        QDate month;
        std::set<int> pens, tags;
        std::map<int, QString> tips;
        // The notebook's year and its rows as last listed.
        std::optional<std::pair<int, QStringList>> notebook;
    } model_;

    Days& journal() { return model_.journals[model_.open]; }
    static frmCal& cal() { return *windows::findCalendar(); }
    static frmMirel& editor() { return *windows::findEditor(); }
    static frmBar& notebook() { return *windows::findNotebook(); }
    // One of the first n ranges chosen; the open journal's days in it once the open editor saved
    // its entry.
    Days chosen(RangeBox& box, unsigned a, unsigned n) {
        box.option[Ranges[a % n]]->setChecked(true);
        const auto range = *box.chosen(true);
        save();
        Days days;
        for (const auto& [day, entry] : journal())
            if (day >= range.firstDay() && day <= range.lastDay())
                days[day] = entry;
        return days;
    }

    // 絵日記の印刷 on its day: a range, then PDFに保存 or 印刷 (to a file through the printer's own
    // engine); the pages hold the range's days, in order, each after its date, as the model has
    // them once the open editor saved its entry.
    void print(const Step& s) {
        frmBook& w = *windows::findBookPrinter();
        const Days days = chosen(*w.range, s.a, 3);
        const QString pdf = env_.root() + u"/printed.pdf"_s;
        QFile::remove(pdf);
        if (days.empty())
            env_.dialogs.answerMessage(Answer::Ok); // 印刷する日記がありません。
        else if (s.b % 2)
            env_.dialogs.answerPrinter(pdf);
        else
            env_.dialogs.answerFile(pdf);
        if (s.b % 2 ? w.printButton_Click() : w.pdfButton_Click()) {
            if (!ended(w))
                said_ = u"printing did not end"_s;
            QProcess text;
            text.start(u"pdftotext"_s, {u"-raw"_s, pdf, u"-"_s}); // in the order drawn
            text.waitForFinished();
            const QString printed = withoutBlanks(QString::fromUtf8(text.readAllStandardOutput()));
            qsizetype at = 0;
            for (const auto& [day, entry] : days) {
                const QString page = u"%1(%2)"_s.arg(day.toString(u"yyyy年M月d日"_s),
                                                     u"月火水木金土日"_s[day.dayOfWeek() - 1]);
                if (at = printed.indexOf(page, at);
                    at < 0 || printed.indexOf(withoutBlanks(entry.text), at) < 0) {
                    said_ = u"the pages lack %1 [%2]: %3"_s.arg(page, entry.text, printed);
                    break;
                }
            }
        } else if (!days.empty()) {
            said_ = u"nothing printed"_s;
        }
        closed(w);
    }

    bool offered(Kind kind) const {
        return kind < Type || (kind < NotebookYear ? bool(model_.editor) : bool(model_.notebook));
    }
    Step draw(std::mt19937& rng) const {
        int total = 0;
        for (int k = 0; k < int(std::size(Actions)); ++k)
            total += offered(Kind(k)) ? Actions[k].weight : 0;
        int pick = int(rng() % unsigned(total)), k = 0;
        while (!offered(Kind(k)) || (pick -= Actions[k].weight) >= 0)
            ++k;
        return {Kind(k), unsigned(rng() % 1000), unsigned(rng() % 1000)};
    }

    // ---- the rules the model follows ----

    // The calendar marks its month afresh: every day with an entry gets its pen, tool tip and
    // tag; nothing is taken away.
    void markMonth() {
        for (const auto& [day, entry] : journal()) {
            if (QDate(day.year(), day.month(), 1) == model_.month) {
                model_.pens.insert(day.day());
                model_.tags.insert(day.day());
                model_.tips[day.day()] = entry.remark;
            }
        }
    }
    // The calendar moved: its month drawn anew when it is another one, or when the journal is.
    void followCalendar(bool anew = false) {
        const QDate month(cal().oCal1->Year(), cal().oCal1->Month(), 1);
        if (anew || month != model_.month) {
            model_.month = month;
            model_.pens.clear();
            model_.tags.clear();
            model_.tips.clear();
            markMonth();
        }
    }
    void load(const QDate& day) {
        const auto found = journal().find(day);
        model_.editor = Editor{day, found != journal().end() ? found->second : Entry{}};
    }
    // The editor's save: a changed entry written; devProc then marks the calendar again.
    void save(bool devProc = true) {
        if (model_.editor && model_.editor->changed)
            journal()[model_.editor->day] = model_.editor->shown;
        if (devProc && model_.editor)
            markMonth();
    }
    // A day chosen: an open editor saves its own first and shows the new one.
    void handOver(const QDate& day, bool openEditor = false) {
        save();
        if (model_.editor || openEditor)
            load(day);
        model_.workDate = day;
    }
    void listNotebook(int year) {
        QStringList rows;
        for (const auto& [day, entry] : journal())
            if (day.year() == year)
                rows << day.toString(Qt::ISODate) + u' ' + entry.remark;
        model_.notebook = {year, rows};
    }
    // Another journal open, or this one restored: the calendar and the editor show it at once,
    // the notebook only after a restore.
    void journalReplaced(bool relist) {
        followCalendar(true);
        if (model_.editor)
            load(model_.editor->day);
        if (model_.notebook && relist)
            listNotebook(model_.notebook->first);
    }

    // ---- the program started and ended ----

    void start() {
        app::resetModFunc();
        app::modFunc().Kdf = QuickKdf;
        if (!stored_.isEmpty() && store::encryptedHeader(stored_))
            env_.dialogs.answerInput(passphraseOf(stored_)); // 日記を開く
        app::Main();
        QVERIFY(QTest::qWaitForWindowExposed(&cal()));
        // The start-up backup, copied at once instead of after two seconds.
        auto& m = app::modFunc();
        m.Backup.reset();
        store::backup::backupAfterStart(std::chrono::milliseconds(0));
        if (m.Backup)
            m.Backup->wait();
        model_.open = model_.mdbPath = m.mdbPath;
        model_.workDate = env_.clock.today();
        model_.editor.reset();
        model_.notebook.reset();
        followCalendar(true);
    }
    void stop() {
        if (windows::findCalendar())
            cal().optFile[2]->trigger(); // 終了: nothing is saved
        deleteAllWindows();
        app::modFunc().Search.reset();
        app::modFunc().Backup.reset();
        platform::releaseInstanceLock();
    }

    // ---- the user ----

    static QPlainTextEdit* box(unsigned b) { return editor().textBox(1 + int(b % 2)); }
    QString& shown(unsigned b) {
        model_.editor->changed = true;
        return b % 2 ? model_.editor->shown.remark : model_.editor->shown.text;
    }
    static QString word(unsigned a) { return Words[int(a % unsigned(Words.size()))]; }
    // Closes a window as its own button does, and lets it go.
    template <typename W> static void closed(W& window) {
        window.close();
        runDeferredDeletes();
    }

    void perform(const Step& s) {
        auto& dialogs = env_.dialogs;
        const QDate today = env_.clock.today();
        switch (s.kind) {
        case Click:
        case DoubleClick: {
            const int day = int(s.a % unsigned(model_.month.daysInMonth()));
            press(cal(), day + 1, s.kind == DoubleClick);
            // The double click's first click already chose the day the editor opens on.
            handOver(model_.month.addDays(day), s.kind == DoubleClick);
            return;
        }
        case Key:
            // F3 to F8, to the calendar as the window the user works in.
            QApplication::setActiveWindow(&cal());
            QTest::keyClick(&cal(), Qt::Key(Qt::Key_F3 + int(s.a % 6)));
            followCalendar();
            handOver(QDate::fromString(cal().oCal1->Value(), u"yyyy/M/d"_s));
            return;
        case Today:
            cal().oToday->trigger();
            followCalendar();
            handOver(today);
            return;
        case GoTo: {
            QDate day = today.addDays(int(s.a % 900) - 450);
            if (day.month() == 2 && day.day() == 29)
                day = day.addDays(-1); // "2/29" alone would be this year's, which may have none
            const QString texts[] = {day.toString(u"yyyy/MM/dd"_s), day.toString(u"M/d"_s),
                                     u"まちがい"_s};
            dialogs.answerInput(texts[s.b % 3]);
            if (s.b % 3 == 2)
                dialogs.answerMessage(Answer::Ok); // 正しい日付を入力してください。
            cal().optOpt[1]->trigger();
            followCalendar();
            if (s.b % 3 == 0)
                handOver(day);
            return;
        }
        case Selector:
            choose(cal().Combo1[s.b % 2],
                   QString::number(s.b % 2 ? int(s.a % 12) + 1 : today.year() + int(s.a % 3) - 1));
            followCalendar();
            return;
        case Delete: {
            // Asked only on a day whose tag says it has an entry; the entry of WorkDate goes.
            const bool tagged = model_.tags.count(cal().oCal1->Day()) > 0, yes = s.a % 3 != 0;
            if (tagged)
                dialogs.answerMessage(yes ? Answer::Yes : Answer::No);
            cal().optFile[1]->trigger();
            if (!tagged || !yes)
                return;
            const QDate day = model_.workDate;
            journal().erase(day);
            if (model_.editor)
                load(day);
            if (QDate(day.year(), day.month(), 1) == model_.month) {
                model_.pens.erase(day.day());
                model_.tips[day.day()].clear();
            }
            return;
        }
        case Search: {
            cal().opFind->trigger();
            frmFind& w = *windows::findFinder();
            const QString kanji = Words[int(1 + 2 * (s.a % 4))];
            w.queryBox->setText(kanji);
            w.searchTimer_Timer();
            (void)QTest::qWaitFor([&] { return !w.countLabel->text().isEmpty(); }, 20000);
            std::vector<QDate> hits; // newest first
            for (auto day = journal().rbegin(); day != journal().rend(); ++day)
                if ((day->second.text + day->second.remark).contains(kanji))
                    hits.push_back(day->first);
            const QString count = hits.empty() ? u"見つかりません"_s : u"%1件"_s.arg(hits.size());
            if (w.countLabel->text() != count)
                said_ = u"search for %1: %2, not %3"_s.arg(kanji, w.countLabel->text(), count);
            if (!hits.empty() && s.b % 2) {
                const std::size_t row = s.b / 2 % std::min<std::size_t>(hits.size(), 50);
                w.hitList_Activated(int(row));
                handOver(hits[row], true);
            }
            closed(w);
            return;
        }
        case Notebook:
            cal().optOpt[0]->trigger();
            if (!model_.notebook)
                listNotebook(model_.workDate.year());
            return;
        case Restore: {
            cal().opRestore->trigger();
            frmRestore& w = *windows::findRestore();
            if (w.backups().empty())
                return closed(w);
            const std::size_t row = s.a % w.backups().size();
            const Days chosen = rows(w.backups()[row].path);
            before_ = backups();
            w.backupList->selectRow(int(row));
            dialogs.answerMessage(Answer::Yes);
            if (store::backup::needsPassphrase(w.backups()[row])) // バックアップを開く
                dialogs.answerInput(passphraseOf(w.backups()[row].path));
            dialogs.answerMessage(Answer::Ok); // 復元しました。
            w.restoreSelected();
            closed(w);
            // The editor saves first, the state then is backed up, then replaced.
            save();
            madeOf_ = journal();
            journal() = chosen;
            journalReplaced(true);
            return;
        }
        case Clock: // on by 7 minutes, 3 hours, 26 hours or 5 days, or back by an hour
            env_.clock.advanceMs(60'000LL * std::array{7, 180, 1560, 7200, -60}[s.a % 5]);
            cal().Timer1_Timer(); // the title follows within a tick
            return;
        case Restart:
            stop();
            start();
            if (model_.open != stored_)
                said_ = u"started on "_s + model_.open;
            return;
        case Type:
            QTest::keyClick(box(s.b), Qt::Key_End, Qt::ControlModifier); // where the text goes
            if (word(s.a).front().unicode() < 128) {
                QTest::keyClicks(box(s.b), word(s.a));
            } else { // Japanese comes as an input method commits it
                QInputMethodEvent commit;
                commit.setCommitString(word(s.a));
                QApplication::sendEvent(box(s.b), &commit);
            }
            shown(s.b) += word(s.a);
            return;
        case DeleteKey:
            QTest::keyClick(box(s.b), Qt::Key_Home, Qt::ControlModifier);
            QTest::keyClick(box(s.b), Qt::Key_Delete);
            if (!(s.b % 2 ? model_.editor->shown.remark : model_.editor->shown.text).isEmpty())
                shown(s.b).remove(0, 1);
            return;
        case Paste: {
            QGuiApplication::clipboard()->setText(word(s.a));
            QTest::keyClick(box(s.b), Qt::Key_End, Qt::ControlModifier); // where the text goes
            const std::unique_ptr<QMenu> menu(box(s.b)->createStandardContextMenu());
            menu->findChild<QAction*>(u"edit-paste"_s)->trigger();
            shown(s.b) += word(s.a);
            return;
        }
        case MiddlePaste:
            // Clicked at the top left of the box, before its first character.
            QGuiApplication::clipboard()->setText(word(s.a), QClipboard::Selection);
            QTest::keyClick(box(s.b), Qt::Key_Home, Qt::ControlModifier);
            QTest::mouseClick(box(s.b)->viewport(), Qt::MiddleButton, {}, QPoint(2, 4));
            shown(s.b).prepend(word(s.a));
            return;
        case Save:
            editor().savTxt->trigger();
            save(false); // 保存 leaves the calendar's marks as they are
            return;
        case Return:
            (s.a % 2 ? editor().dEnd[0]->trigger() : editor().Command1[0]->click());
            save();
            [[fallthrough]];
        case ReturnUnsaved:
            if (s.kind == ReturnUnsaved) // neither saves
                s.a % 2 ? editor().dEnd[1]->trigger() : void(editor().close());
            runDeferredDeletes();
            model_.editor.reset();
            stored_ = model_.mdbPath; // the settings are saved on the way out
            return;
        case DayButton: // 前日 or 翌日
            editor().Command1[2 + s.a % 2]->click();
            handOver(model_.workDate.addDays(s.a % 2 ? 1 : -1));
            return;
        case Attach:
            dialogs.answerFile(pictures_[int(s.a % 3)]);
            editor().Command1[1]->click();
            model_.editor->shown.picture = pictures_[int(s.a % 3)];
            model_.editor->changed = true;
            return;
        case Detach:
            dialogs.answerFile(std::nullopt);
            if (!model_.editor->shown.picture.isEmpty()) {
                dialogs.answerMessage(Answer::Yes); // 画像を削除しますか？
                model_.editor->shown.picture.clear();
                model_.editor->changed = true;
            }
            editor().Command1[1]->click();
            return;
        case Draw: {
            QTest::mouseDClick(editor().Picture1, Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
            // Without a picture, a new drawing in the picture folder named by the day.
            QString& picture = model_.editor->shown.picture;
            const QFileInfo drawn(editor().picFile);
            if (picture.isEmpty() && drawn.path() == app::modFunc().gPath &&
                drawn.fileName().startsWith(model_.editor->day.toString(u"yyMMdd"_s)))
                picture = editor().picFile;
            model_.editor->changed = true;
            return;
        }
        case EditorNotebook:
            editor().opNote->trigger();
            runDeferredDeletes();
            save(false);
            model_.editor.reset();
            if (!model_.notebook)
                listNotebook(model_.workDate.year());
            return;
        case OtherJournal: {
            // Another existing journal, opened only at the next start.
            QStringList others;
            for (const auto& [path, days] : model_.journals)
                if (path != model_.mdbPath)
                    others << path;
            model_.mdbPath = others[int(s.a % unsigned(others.size()))];
            dialogs.answerFile(model_.mdbPath);
            editor().optPath[1]->trigger();
            return;
        }
        case NewJournal: {
            const QString path = env_.root() + u"/journal%1.mdb"_s.arg(model_.journals.size());
            dialogs.answerFile(path);
            dialogs.answerMessage(Answer::Ok); // 新規にデータベースを作成します。
            editor().optPath[1]->trigger();
            save();
            model_.journals[path];
            model_.open = model_.mdbPath = path;
            journalReplaced(false);
            return;
        }
        case Compact:
            before_ = backups();
            editor().optComp->trigger();
            madeOf_ = journal();
            return;
        case NotebookYear:
            notebook().Command1[s.a % 2]->click();
            listNotebook(model_.notebook->first + (s.a % 2 ? 1 : -1));
            return;
        case NotebookRow: {
            frmBar& w = notebook();
            if (w.Grid1->rowCount() == 0)
                return;
            const int row = int(s.a % unsigned(w.Grid1->rowCount()));
            const QDate day = w.rowDate(row);
            w.Grid1->setCurrentCell(row, 1);
            w.Grid1_DblClick();
            runDeferredDeletes();
            model_.notebook.reset();
            handOver(day, true);
            return;
        }
        case NotebookBack:
            notebook().Command1[3]->click();
            runDeferredDeletes();
            model_.notebook.reset();
            return;
        case Print:
            cal().opPrint->trigger();
            return print(s);
        case EditorPrint:
            editor().opPrint->trigger();
            save(false); // as 保存
            return print(s);
        case Export: {
            // この日, この月, この年 of the highlighted day, or 全部, into one folder.
            cal().opExport->trigger();
            frmExport& w = *windows::findExporter();
            (s.b % 2 ? w.markdownOption : w.htmlOption)->setChecked(true);
            w.destinationBox->setText(env_.root());
            const auto days = chosen(*w.range, s.a, 4).size();
            if (days == 0)
                dialogs.answerMessage(Answer::Ok); // 書き出す日記がありません。
            if (w.exportButton_Click() != (days > 0) || !ended(w) ||
                (days > 0 && !w.reportLabel->text().contains(u"日記 %1日"_s.arg(days))))
                said_ = u"export of %1 days: %2"_s.arg(days).arg(w.reportLabel->text());
            closed(w);
            return;
        }
        case Lock: {
            // Encrypting a plain journal; changing the passphrase of an encrypted one or
            // decrypting it. The content stays; the editor's entry is saved first.
            using Mode = frmLock::Mode;
            const Mode mode = store::journalEncrypted() ? (s.a % 2 ? Mode::Change : Mode::Decrypt)
                                                        : Mode::Encrypt;
            cal().oOpt->aboutToShow();
            QAction* item =
                std::array{cal().opEncrypt, cal().opChangeKey, cal().opDecrypt}[int(mode)];
            if (!item->isVisible())
                said_ = u"the menu lacks "_s + item->text();
            item->trigger();
            frmLock& w = windows::showLock(mode);
            for (QLineEdit* box : {w.txtNew, w.txtAgain, w.txtCurrent})
                if (box != nullptr)
                    box->setText(box == w.txtCurrent ? passphraseOf(model_.open)
                                                     : Passphrases[s.b % 2]);
            if (mode == Mode::Encrypt && store::plainBackupCount() > 0)
                dialogs.answerMessage(Answer::No); // the plain backups stay
            dialogs.answerMessage(Answer::Ok);
            save();
            if (!w.run() ||
                store::encryptedHeader(model_.open).has_value() == (mode == Mode::Decrypt))
                said_ = u"%1 did not take effect"_s.arg(w.windowTitle());
            runDeferredDeletes();
            return;
        }
        }
    }

    // ---- what the disk and the windows hold ----

    static Days rows(const QString& path) {
        Days days;
        const auto layer = cipherLayer(path, passphraseOf(path));
        for (const QStringList& row :
             rawRows(path, u"select Reg_dat, Mirel_txt, Memo_txt, Pic_txt from Mirel order by 1"_s,
                     layer ? layer->name() : nullptr))
            days[QDate::fromString(row[0].left(10), Qt::ISODate)] = {row[1], row[2], row[3]};
        return days;
    }
    static QString show(const Days& days) {
        QStringList out;
        for (const auto& [day, e] : days)
            out << u"%1 [%2|%3|%4]"_s.arg(day.toString(Qt::ISODate), e.text, e.remark, e.picture);
        return out.join(u"; "_s);
    }
    QStringList backups() const {
        QStringList paths;
        for (const auto& backup : store::backup::listBackups(model_.open))
            paths << backup.path;
        return paths;
    }

    QString check() {
        QStringList wrong;
        const auto expect = [&](bool holds, const QString& what) {
            if (!holds)
                wrong << what;
        };
        // Taken before it is tested: the order in which arguments are worked out is not fixed.
        const QString said = std::exchange(said_, QString());
        expect(said.isEmpty(), said);
        expect(env_.dialogs.problems().isEmpty(), env_.dialogs.problems().join(u" / "_s));
        env_.dialogs.reset();
        for (const auto& [path, days] : model_.journals) {
            const Days disk = rows(path);
            expect(disk == days,
                   u"%1 holds {%2}, the model {%3}"_s.arg(path, show(disk), show(days)));
        }
        const auto& m = app::modFunc();
        expect(m.JournalDb->path() == model_.open && m.mdbPath == model_.mdbPath,
               u"open: %1, mdbPath: %2"_s.arg(m.JournalDb->path(), m.mdbPath));
        if (madeOf_) { // the one backup the step made holds the journal as it was
            QStringList made = backups();
            made.removeIf([this](const QString& path) { return before_.contains(path); });
            expect(made.size() == 1 && rows(made.front()) == *madeOf_,
                   u"backups made: "_s + made.join(u' '));
            madeOf_.reset();
        }
        expect(m.WorkDate == model_.workDate, u"WorkDate "_s + m.WorkDate.toString(Qt::ISODate));
        frmCal& w = cal();
        for (int d = 1; d <= model_.month.daysInMonth(); ++d) {
            expect(hasPen(w, d) == model_.pens.count(d) && tipOf(w, d) == model_.tips[d] &&
                       tagOf(w, d).isEmpty() != model_.tags.count(d),
                   u"day %1: pen %2, tip '%3', tag '%4'"_s.arg(d)
                       .arg(hasPen(w, d))
                       .arg(tipOf(w, d), tagOf(w, d)));
        }
        frmMirel* e = windows::findEditor();
        expect(bool(e) == model_.editor.has_value(), u"editor open: %1"_s.arg(bool(e)));
        if (e && model_.editor) {
            // Its date box begins with the day.
            const QDate day = QDate::fromString(e->dateBox()->text().left(10), u"yyyy/MM/dd"_s);
            const QString is = show({{day, {e->boxText(1), e->boxText(2), e->picFile}}}) +
                               u" changed %1"_s.arg(e->txtChg);
            const QString ought = show({{model_.editor->day, model_.editor->shown}}) +
                                  u" changed %1"_s.arg(model_.editor->changed);
            expect(is == ought, u"editor "_s + is + u", model "_s + ought);
        }
        frmBar* n = windows::findNotebook();
        expect(bool(n) == model_.notebook.has_value(), u"notebook open: %1"_s.arg(bool(n)));
        if (n && model_.notebook) {
            QStringList listed;
            for (int row = 0; row < n->Grid1->rowCount(); ++row)
                listed << n->rowDate(row).toString(Qt::ISODate) + u' ' +
                              n->Grid1->item(row, 1)->text();
            expect(n->noteYear == model_.notebook->first && listed == model_.notebook->second,
                   u"notebook %1: %2"_s.arg(n->noteYear).arg(listed.join(u", "_s)));
        }
        return wrong.join(u'\n');
    }

    TestEnv env_;
    std::vector<QString> pictures_;
    QString stored_; // the journal the settings name for the next start
    QString said_;   // what a step found wrong on its way
    // What the backup made by the last step must hold, and the backups there were before it.
    std::optional<Days> madeOf_;
    QStringList before_;
};

} // namespace

class WalkTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void randomWalk() {
        // A new seed and 2000 steps unless ORVANE_WALK names them.
        const QStringList given =
            qEnvironmentVariable("ORVANE_WALK", QString::number(std::random_device{}()))
                .split(u':');
        const quint64 seed = given[0].toULongLong();
        const int count = given.value(1, u"2000"_s).toInt();
        std::mt19937 rng{static_cast<unsigned>(seed)};
        if (const QString wrong = Walk().run(rng, count); !wrong.isEmpty())
            QFAIL(
                qPrintable(u"the walk with seed %1 differed from the model "_s.arg(seed) + wrong));
        std::printf("model steps: %d, seed: %llu\n", count, static_cast<unsigned long long>(seed));
        std::fflush(stdout);
    }
};

ORVANE_TEST_MAIN(WalkTest)
#include "tst_walk.moc"
