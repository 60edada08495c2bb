// The 絵日記 pages (squares, 禁則, 縦書き placements and the PDF they make) and the journal
// written out as HTML and Markdown: exactly as written, every link found, and an export that
// stops, meets a folder of the user's or runs during a save.
#include "platform/PrivateFiles.h"
#include "store/EntrySql.h"
#include "store/export/Export.h"
#include "support/Testing.h"
#include "windows/book/BookGeometry.h"
#include "windows/book/BookLayout.h"
#include "windows/book/BookPdf.h"
#include "windows/book/RangeBox.h"
#include "windows/book/frmBook.h"
#include "windows/book/frmExport.h"

#include <sys/stat.h>

using namespace windows::book;
using Kind = Cell::Kind;
namespace ex = store::exporting;

namespace {

QList<Page> across(const QString& text) {
    return layoutText(text, Direction::Horizontal, Paper::A4);
}

// "row,column,text" of each cell of the first page, with "h" for hanging cells.
QStringList cellsOf(const Page& page) {
    QStringList out;
    for (const Cell& c : page)
        out << u"%1,%2,%3%4"_s.arg(c.row).arg(c.column).arg(c.text).arg(
            c.kind == Kind::Hanging ? u"h"_s : QString());
    return out;
}

QString run(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.start(program, arguments);
    process.waitForFinished();
    return QString::fromUtf8(process.readAllStandardOutput());
}

void addEntry(const QDate& day, const QString& text, const QString& memo = {},
              const QString& picture = {}) {
    const QDateTime moment(day, QTime());
    app::modFunc().JournalDb->execute(
        store::sql::insertEntry(), {moment, text, memo, picture, false, moment, moment, u"PC01"_s});
}

ex::Request requestFor(const QString& destination, ex::Format format,
                       ex::Range range = ex::Range::all()) {
    const auto& m = app::modFunc();
    return {m.mdbPath, m.gPath, destination, range, format, false};
}

QStringList entriesOf(const QString& folder) {
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
}

} // namespace

// Each test in a world of its own with an empty journal open (testing::CalendarTest).
class BookTest : public testing::CalendarTest {
    Q_OBJECT

private Q_SLOTS:
    // The squares: the grids of the README (A4 横書き 20 × 12 then 20 × 30, A5 縦書き 10 × 20
    // then 10 × 40, B5 横書き 20 × 11), 禁則, 縦書き placements, clusters and pairs.
    void squares() {
        QCOMPARE(across(QString()).size(), 1);
        // (The first page's 20 × 12: the 20 squares of a row below, the 12 rows here.)
        QCOMPARE(across(u"あ"_s.repeated(840)).size(), 2);
        QCOMPARE(across(u"あ"_s.repeated(841)).size(), 3);
        // A line break starts a row: 12 short lines fill the first page, a 13th goes on.
        QCOMPARE(across(u"あ\n"_s.repeated(12)).size(), 1);
        QCOMPARE(across(u"あ\n"_s.repeated(12) + u"い"_s).size(), 2);
        QCOMPARE(across(u"あ"_s.repeated(841)).last().front().row, 0);
        QCOMPARE(layoutText(u"あ"_s.repeated(200), Direction::Vertical, Paper::A5).size(), 1);
        QCOMPARE(layoutText(u"あ"_s.repeated(600), Direction::Vertical, Paper::A5).size(), 2);
        QCOMPARE(layoutText(u"あ"_s.repeated(601), Direction::Vertical, Paper::A5).size(), 3);
        QCOMPARE(layoutText(u"あ"_s.repeated(221), Direction::Horizontal, Paper::B5).size(), 2);

        const QString row = u"あ"_s.repeated(19);
        // Closing marks hang beside the last square, two at most; a third starts the next row.
        QCOMPARE(cellsOf(across(row + u"い。」）"_s).front()).mid(19),
                 (QStringList{u"0,19,い"_s, u"0,20,。h"_s, u"0,21,」h"_s, u"1,0,）"_s}));
        // The character before ー, a small kana or ！ comes down with it.
        for (const QString& follower : {u"ー"_s, u"ゃ"_s, u"！"_s})
            QCOMPARE(cellsOf(across(row + u"い"_s + follower).front()).mid(18),
                     (QStringList{u"0,18,あ"_s, u"1,0,い"_s, u"1,1,"_s + follower}));
        // An opening bracket leaves the last square empty and starts the next row.
        QCOMPARE(cellsOf(across(row + u"「う"_s).front()).mid(18),
                 (QStringList{u"0,18,あ"_s, u"1,0,「"_s, u"1,1,う"_s}));

        const Page page = layoutText(u"。ー「ゃあab\n"_s + u"い"_s.repeated(12) + u"、"_s,
                                     Direction::Vertical, Paper::A4)
                              .front();
        QList<Kind> kinds;
        for (const Cell& c : page.mid(0, 7))
            kinds << c.kind;
        QCOMPARE(kinds, (QList<Kind>{Kind::OffsetPunct, Kind::Rotated, Kind::Rotated,
                                     Kind::OffsetSmall, Kind::Normal, Kind::Normal, Kind::Normal}));
        // Half-width letters stand one to a square.
        QCOMPARE(cellsOf(page).mid(5, 2), (QStringList{u"0,5,a"_s, u"0,6,b"_s}));
        // Rows go from right to left; a hanging mark sits below the row's last square.
        const PageGeometry geometry(Paper::A4, Direction::Vertical, true);
        QCOMPARE(geometry.square(page[7]).right(), geometry.square(page[0]).left());
        QCOMPARE(page.last().kind, Kind::Hanging);
        QCOMPARE(geometry.square(page.last()).topLeft(),
                 geometry.square(page[page.size() - 2]).bottomLeft());

        // A family emoji, a kanji with its variation selector and a red heart: one square each.
        const QString family = u"👨‍👩‍👧"_s;
        const QString variant = u"葛"_s + QString::fromUcs4(U"\U000E0100");
        QCOMPARE(cellsOf(across(family + variant + u"❤️"_s).front()),
                 (QStringList{u"0,0,"_s + family, u"0,1,"_s + variant, u"0,2,❤️"_s}));
        // Half-width letters and digits two to a square in 横書き; other marks alone.
        QCOMPARE(cellsOf(across(u"abc1.xyz"_s).front()),
                 (QStringList{u"0,0,ab"_s, u"0,1,c1"_s, u"0,2,."_s, u"0,3,xy"_s, u"0,4,z"_s}));
    }

    void pdf() {
        const QString dir = env->root();
        // The picture is looked for in the picture folder by its file name.
        QImage picture(640, 480, QImage::Format_RGB32);
        picture.fill(Qt::darkCyan);
        QVERIFY(QDir(dir).mkdir(u"Graphic"_s));
        QVERIFY(picture.save(dir + u"/Graphic/p250503.png"_s));
        const QString first = u"今日は晴れ"_s.repeated(4) + u"。"_s + u"公園でabc遊んだ！\n夜"_s;
        const QString second = u"雨。"_s;
        const QList<BookDay> days{
            {QDate(2025, 5, 3), u"公園"_s, first, u"C:\\絵\\p250503.png"_s},
            {QDate(2025, 5, 4), u"雨"_s, second, u"/nowhere/p250504.png"_s},
        };
        const QString path = dir + u"/book.pdf"_s;
        QVERIFY(writeBookPdf(path, days, {}, dir + u"/Graphic"_s));
        // (Written for the user, with the user's umask, as the export: htmlExactAndComplete.)

        const QString text =
            run(u"pdftotext"_s, {path, u"-"_s}).remove(QRegularExpression(u"\\s"_s));
        const qsizetype at = text.indexOf(u"2025年5月3日(土)公園"_s + QString(first).remove(u'\n'));
        QVERIFY2(at >= 0, qPrintable(text));
        QVERIFY(text.indexOf(u"2025年5月4日(日)雨"_s + second, at) > at);
        // One picture, at its own size; the second day's frame stays empty.
        const QStringList images = run(u"pdfimages"_s, {u"-list"_s, path}).split(u'\n').mid(2);
        QCOMPARE(images.filter(u"image"_s).size(), 1);
        // A drawing stays lossless ("image" is Flate, not "jpeg").
        const QStringList fields = images[0].split(u' ', Qt::SkipEmptyParts);
        QCOMPARE(fields.mid(3, 2) << fields[8], (QStringList{u"640"_s, u"480"_s, u"image"_s}));

        // A folder that cannot be written: the standard error, and no file left behind.
        QVERIFY(QDir(dir).mkdir(u"closed"_s));
        QVERIFY(testing::failure([&] {
                    writeBookPdf(dir + u"/missing/book.pdf"_s, days, {}, QString());
                }).endsWith(u"(75)"_s));
        // A cancelled PDF leaves nothing.
        QVERIFY(!writeBookPdf(dir + u"/closed/book.pdf"_s, days, {}, QString(),
                              [](int) { return false; }));
        QCOMPARE(entriesOf(dir + u"/closed"_s), QStringList());
    }

    // The print window from both menus: its day and ranges, the choices it remembers, the
    // preview's count and size, and the same pages on the printer and in the PDF file.
    void printWindow() {
        testing::putEntry(journal, u"2025-05-03"_s, u"あ"_s.repeated(241), u"長い日"_s);
        testing::putEntry(journal, u"2025-05-20"_s, u"短い日の文"_s, u"短い"_s);
        testing::putEntry(journal, u"2025-06-01"_s, u"六月の文"_s);
        frmCal& calendar = windows::showCalendar();
        calendar.oCal1->setValue(u"2025/5/3"_s);
        calendar.opPrint->trigger();
        frmBook* window = windows::findBookPrinter();
        QCOMPARE(window->windowTitle(), u"絵日記の印刷"_s);
        QVERIFY(window->range->option[RangeBox::ThisDay]->isChecked());
        QVERIFY(window->horizontalOption->isChecked() && window->paperOption[0]->isChecked());
        QTRY_COMPARE(window->pageCountLabel->text(), u"2 ページ"_s);
        window->range->option[RangeBox::ThisMonth]->setChecked(true);
        QTRY_COMPARE(window->pageCountLabel->text(), u"3 ページ"_s);
        // A5 at 50 %: 148 mm at 48 dots per inch.
        window->paperOption[2]->setChecked(true);
        QTRY_COMPARE(window->pageImage->pixmap().width(), qRound(148 * 48 / 25.4));
        window->verticalOption->setChecked(true);
        const QSettings stored(env->settingsFile(), QSettings::IniFormat);
        QCOMPARE(stored.value(u"Book/Direction"_s).toString(), u"Vertical"_s);
        QCOMPARE(stored.value(u"Book/Paper"_s).toString(), u"A5"_s);

        window->range->option[RangeBox::Period]->setChecked(true);
        window->range->fromBox->setText(u"2025/7/1"_s);
        window->range->toBox->setText(u"7/31"_s);
        env->dialogs.answerMessage(platform::Answer::Ok);
        QVERIFY(!window->pdfButton_Click());
        QCOMPARE(env->dialogs.messageTexts(), QStringList{u"印刷する日記がありません。"_s});

        window->range->option[RangeBox::ThisMonth]->setChecked(true);
        window->horizontalOption->setChecked(true);
        window->paperOption[0]->setChecked(true);
        const QString pdf = env->root() + u"/book"_s;
        env->dialogs.answerFile(pdf);
        QVERIFY(window->pdfButton_Click());
        const platform::FileRequest asked = env->dialogs.calls().back().file;
        QVERIFY(asked.save && asked.fileName.endsWith(u"/orvane_202505.pdf"_s));
        QTRY_VERIFY(!window->running());
        const QString printed = env->root() + u"/printed.pdf"_s;
        env->dialogs.answerPrinter(printed);
        QVERIFY(window->printButton_Click());
        QTRY_VERIFY(!window->running());
        // The month's pages alone, no June day among them (what they hold: the random walk).
        for (const QString& path : {pdf + u".pdf"_s, printed})
            QVERIFY(run(u"pdfinfo"_s, {path}).contains(QRegularExpression(u"Pages:\\s+3\n"_s)));
        QVERIFY(run(u"pdfinfo"_s, {printed}).contains(u"(A4)"_s));
        window->verticalOption->setChecked(true);
        window->paperOption[1]->setChecked(true);
        window->close();

        // From the editor: its day is この日; the choices stay.
        app::modFunc().WorkDate = QDate(2025, 6, 1);
        frmMirel& editor = windows::showEditor();
        editor.opPrint->trigger();
        window = windows::findBookPrinter();
        QVERIFY(window && window->range->day() == QDate(2025, 6, 1));
        QVERIFY(window->verticalOption->isChecked() && window->paperOption[1]->isChecked());
        QTRY_COMPARE(window->pageCountLabel->text(), u"1 ページ"_s);
    }

    // Marks, blanks and emoji come out as written; every link and picture is a written file.
    void htmlExactAndComplete() {
        // The folder's name for a day and a period (the month's and the year's: the print
        // window's PDF and the export window below).
        QCOMPARE(ex::folderName(journal, ex::Range::day(QDate(2025, 5, 3))), u"orvane_20250503"_s);
        QCOMPARE(ex::folderName(journal, ex::Range::period(QDate(2025, 3, 31), QDate(2025, 1, 1))),
                 u"orvane_20250101-20250331"_s);
        QCOMPARE(ex::folderName(u"/x/日記.db"_s, ex::Range::all()), u"日記.db_all"_s);
        const QString marks = u"<script>alert(\"x\")</script> & 'q'\n　二行目"_s;
        QImage drawing(7, 5, QImage::Format_RGB32);
        drawing.fill(QColor(10, 200, 30));
        QVERIFY(drawing.save(app::modFunc().gPath + u"/p250503.bmp"_s));
        // Stored on another computer: found in the picture folder by its name.
        addEntry(QDate(2025, 5, 3), marks, u"\"a\" & <b>"_s, u"C:\\絵\\p250503.bmp"_s);
        addEntry(QDate(2025, 6, 1), u"x"_s, {}, u"/nowhere/gone.bmp"_s);
        QString longText;
        while (longText.size() < 100000)
            longText += u"絵日記😀　a\n"_s;
        addEntry(QDate(2026, 1, 2), longText);

        const QString out = env->root() + u"/out"_s;
        QVERIFY(QDir().mkpath(out));
        const auto report = ex::exportJournal(requestFor(out, ex::Format::Html), {});
        QVERIFY(report);
        // (Its folder's name: above; inside the chosen folder: markdownReadsAsWritten.)
        QCOMPARE(report->days, 3);
        QCOMPARE(report->pictures, 1);
        QCOMPARE(report->missingPictures.size(), 1);
        QVERIFY(report->missingPictures[0].contains(u"2025/06/01  /nowhere/gone.bmp"_s));

        const QString page = QString::fromUtf8(testing::readFile(report->folder + u"/2025.html"_s));
        QVERIFY(page.contains(u"&lt;script&gt;alert(&quot;x&quot;)&lt;/script&gt; &amp; &#39;q&#39;"
                              "\n　二行目</div>"_s));
        QVERIFY(page.contains(u">&quot;a&quot; &amp; &lt;b&gt;</p>"_s));
        QVERIFY(!page.contains(u"<script"_s) && !page.contains(u"http"_s));
        QVERIFY(QString::fromUtf8(testing::readFile(report->folder + u"/2026.html"_s))
                    .contains(u"<div class=\"text\">"_s + longText + u"</div>"_s));
        QCOMPARE(QImage(report->folder + u"/pictures/2025-05-03.png"_s)
                     .convertToFormat(QImage::Format_RGB32),
                 drawing);

        // Every href and src names a written file, and every #fragment an id in it.
        const QRegularExpression link(u"(?:href|src)=\"([^\"#]*)(?:#([^\"]*))?\""_s);
        int links = 0;
        for (const QString& name : {u"index.html"_s, u"2025.html"_s, u"2026.html"_s}) {
            const QString html =
                QString::fromUtf8(testing::readFile(report->folder + u"/"_s + name));
            for (const auto& match : link.globalMatch(html)) {
                ++links;
                const QString target = report->folder + u"/"_s + match.captured(1);
                QVERIFY2(QFileInfo(target).isFile(), qPrintable(name + u": "_s + target));
                if (!match.captured(2).isEmpty())
                    QVERIFY(testing::readFile(target).contains(
                        u"id=\"%1\""_s.arg(match.captured(2)).toUtf8()));
            }
        }
        QCOMPARE(links, 2 + 3 + 2 + 1); // index: 2 years, 3 months; the pages: back; a picture
        // Written for the user: the user's umask, not the program's private one (rw-r--r-- and
        // rwxr-xr-x, the owner's bits twice in Qt's flags).
        QCOMPARE(QFile::permissions(report->folder + u"/index.html"_s),
                 QFileDevice::Permissions(0x6644));
        QCOMPARE(QFile::permissions(report->folder + u"/pictures"_s),
                 QFileDevice::Permissions(0x7755));
    }

    // A CommonMark reader shows the day's heading, remark, picture and text as written: no mark
    // read as formatting, each line break a line break.
    void markdownReadsAsWritten() {
        const QString text =
            u"# 見出し\n> 引用\n- 項目\n+ 足す\n1. 一\n2) 二\n    字下げ\n\t===\n---\n"
            "*強調* _下線_ `コード` [リンク](x) <b>\"&amp;\"</b> \\ |表|\n\n"
            "　😀全角の空白\n"_s;
        QVERIFY(QImage(3, 3, QImage::Format_RGB32).save(app::modFunc().gPath + u"/p.png"_s));
        addEntry(QDate(2025, 5, 3), text, u"<i>一言</i>"_s, app::modFunc().gPath + u"/p.png"_s);
        QVERIFY(ex::exportJournal(requestFor(env->root(), ex::Format::Markdown), {}));
        // (cmark: install-deps.sh.)
        QCOMPARE(
            run(u"cmark"_s, {env->root() + u"/orvane_all/2025.md"_s}),
            u"<h1>2025年</h1>\n<h2>2025年5月3日 (土)</h2>\n<p>&lt;i&gt;一言&lt;/i&gt;</p>\n"
            "<p><img src=\"pictures/2025-05-03.png\" alt=\"2025年5月3日 (土)の絵\" /></p>\n<p>"_s +
                text.chopped(1).toHtmlEscaped().replace(u"\n"_s, u"<br />\n"_s) + u"</p>\n"_s);
    }

    // Stopped halfway, an export leaves nothing; a folder of the user's is replaced only when
    // the user says so, an earlier export without asking.
    void nothingLeftOrLost() {
        addEntry(QDate(2025, 5, 3), u"a"_s);
        addEntry(QDate(2025, 7, 1), u"b"_s);
        const QString out = env->root() + u"/out"_s;
        QVERIFY(QDir().mkpath(out));
        const auto stopped = ex::exportJournal(requestFor(out, ex::Format::Markdown),
                                               [](qint64 done, qint64) { return done < 1; });
        QVERIFY(!stopped);
        QCOMPARE(entriesOf(out), QStringList());

        const QString mine = testing::writeFile(out + u"/orvane_2025/mine.txt"_s, "mine");
        // From the calendar's file menu, 日記を検索, 絵日記を印刷, 日記を書き出す and 終了 in turn,
        // on its highlighted day.
        frmCal& calendar = windows::showCalendar();
        calendar.oCal1->setValue(u"2025/5/3"_s);
        const auto items = calendar.oFile->actions();
        QCOMPARE(items.mid(items.indexOf(calendar.opFind), 4),
                 (QList<QAction*>{calendar.opFind, calendar.opPrint, calendar.opExport,
                                  calendar.optFile[2]}));
        calendar.opExport->trigger();
        frmExport& window = *windows::findExporter();
        env->dialogs.answerFile(out);
        window.browseButton_Click();
        QVERIFY(env->dialogs.calls().back().file.folder);
        window.range->option[RangeBox::Period]->setChecked(true);
        for (const QString& from : {u"2025/13/1"_s, u"25.6.2"_s}) {
            window.range->fromBox->setText(from);
            window.range->toBox->setText(u"2025年6月30日"_s);
            env->dialogs.answerMessage(platform::Answer::Ok);
            QVERIFY(!window.exportButton_Click());
        }
        QCOMPARE(env->dialogs.messageTexts(), (QStringList{u"正しい日付を入力してください。"_s,
                                                           u"書き出す日記がありません。"_s}));
        window.range->option[RangeBox::ThisYear]->setChecked(true);
        env->dialogs.answerMessage(platform::Answer::No);
        QVERIFY(!window.exportButton_Click());
        QCOMPARE(env->dialogs.messageTexts().value(2),
                 out + u"/orvane_2025\nは既にあります。このフォルダを置き換えますか？"_s);
        QCOMPARE(testing::readFile(mine), QByteArray("mine"));
        QVERIFY(QDir(out + u"/orvane_2025"_s).removeRecursively());
        for (int run = 0; run < 2; ++run) { // the second replaces the first without a question
            QVERIFY(window.exportButton_Click());
            QTRY_VERIFY(!window.running());
            QCOMPARE(window.reportLabel->text(),
                     u"書き出しました。\n"_s + out + u"/orvane_2025\n日記 2日、絵 0枚"_s);
        }
        QCOMPARE(entriesOf(out), QStringList{u"orvane_2025"_s});

        // 終了 while an export runs: it stops and leaves nothing, not even its hidden folder.
        QImage big(2000, 1500, QImage::Format_RGB32);
        big.fill(Qt::darkGreen);
        const QString picture = app::modFunc().gPath + u"/big.bmp"_s;
        QVERIFY(big.save(picture));
        for (int day = 0; day < 100; ++day)
            addEntry(QDate(2024, 1, 1).addDays(day), u"x"_s, {}, picture);
        QVERIFY(QDir(out).removeRecursively() && QDir().mkpath(out));
        window.range->option[RangeBox::Everything]->setChecked(true);
        QVERIFY(window.exportButton_Click());
        QTRY_VERIFY(!entriesOf(out).isEmpty());
        windows::stopBackgroundWork();
        QVERIFY(!windows::findExporter());
        QCOMPARE(entriesOf(out), QStringList());
    }

    // The export reads a month at a time: a save made while it runs commits at once.
    void saveDuringExport() {
        for (int month = 1; month <= 3; ++month)
            addEntry(QDate(2025, month, 1), u"old"_s);
        QStringList events;
        const auto report = ex::exportJournal(
            requestFor(env->root(), ex::Format::Html), [&](qint64 done, qint64 total) {
                if (done == 1) {
                    events << u"export running"_s;
                    QElapsedTimer saving;
                    saving.start();
                    app::modFunc().JournalDb->execute(
                        u"update Mirel set mirel_txt='new' where reg_dat>='2025-03'"_s);
                    events << (saving.elapsed() < 1000 ? u"saved at once"_s : u"saved late"_s);
                }
                if (done == total)
                    events << u"export ends"_s;
                return true;
            });
        QVERIFY(report);
        QCOMPARE(events, (QStringList{u"export running"_s, u"saved at once"_s, u"export ends"_s}));
        QVERIFY(testing::dayText(app::modFunc().mdbPath, u"2025-03-01"_s) == u"new"_s);
    }
};

// Private files, as the program makes them, for a user whose own files are 0644.
ORVANE_TEST_MAIN_AFTER(BookTest, ::umask(022); platform::keepFilesPrivate())
#include "tst_book.moc"
