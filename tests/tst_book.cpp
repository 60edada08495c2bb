// The 絵日記 pages: squares, 禁則, 縦書き placements and the PDF they make.
#include "platform/PrivateFiles.h"
#include "support/Testing.h"
#include "windows/book/BookGeometry.h"
#include "windows/book/BookLayout.h"
#include "windows/book/BookPdf.h"
#include "windows/book/RangeBox.h"
#include "windows/book/frmBook.h"

#include <sys/stat.h>

using namespace windows::book;
using Kind = Cell::Kind;

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

// The pages of a PDF file and the text pdftotext reads from them, blanks removed.
std::pair<int, QString> pdfPagesAndText(const QString& path) {
    const QString info = run(u"pdfinfo"_s, {path});
    const auto pages = QRegularExpression(u"Pages:\\s+(\\d+)"_s).match(info);
    QString text = run(u"pdftotext"_s, {path, u"-"_s});
    text.remove(QRegularExpression(u"\\s"_s));
    return {pages.hasMatch() ? pages.captured(1).toInt() : -1, text};
}

} // namespace

class BookTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // The grids of the README: A4 横書き 20 × 12 then 20 × 30, A5 縦書き 10 × 20 then 10 × 40,
    // B5 横書き 20 × 11.
    void pageCounts() {
        QCOMPARE(across(QString()).size(), 1);
        QCOMPARE(across(u"あ"_s.repeated(240)).size(), 1);
        QCOMPARE(across(u"あ"_s.repeated(241)).size(), 2);
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
    }

    void kinsoku() {
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
    }

    void vertical() {
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
        const QRectF first = geometry.square(page[0]);
        const QRectF second = geometry.square(page[7]);
        QCOMPARE(second.right(), first.left());
        QCOMPARE(page.last().kind, Kind::Hanging);
        QCOMPARE(geometry.square(page.last()).topLeft(),
                 geometry.square(page[page.size() - 2]).bottomLeft());
    }

    void clustersAndPairs() {
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
        const mode_t before = ::umask(022);
        platform::keepFilesPrivate();
        const auto restore = qScopeGuard([before] { ::umask(before); });
        QTemporaryDir dir;
        // The picture is looked for in the picture folder by its file name.
        QImage picture(640, 480, QImage::Format_RGB32);
        picture.fill(Qt::darkCyan);
        QVERIFY(QDir(dir.path()).mkdir(u"Graphic"_s));
        QVERIFY(picture.save(dir.filePath(u"Graphic/p250503.png"_s)));
        const QString first = u"今日は晴れ"_s.repeated(4) + u"。"_s + u"公園でabc遊んだ！\n夜"_s;
        const QString second = u"雨。"_s;
        const QList<BookDay> days{
            {QDate(2025, 5, 3), u"公園"_s, first, u"C:\\絵\\p250503.png"_s},
            {QDate(2025, 5, 4), u"雨"_s, second, u"/nowhere/p250504.png"_s},
        };
        const QString path = dir.filePath(u"book.pdf"_s);
        QVERIFY(writeBookPdf(path, days, {}, dir.filePath(u"Graphic"_s)));
        // Written for the user: the user's umask, not the program's private one.
        QCOMPARE(QFile::permissions(path), QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser |
                                               QFile::WriteUser | QFile::ReadGroup |
                                               QFile::ReadOther);

        QString text = run(u"pdftotext"_s, {path, u"-"_s});
        text.remove(QRegularExpression(u"\\s"_s));
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
        QVERIFY(QDir(dir.path()).mkdir(u"closed"_s));
        try {
            writeBookPdf(dir.filePath(u"missing/book.pdf"_s), days, {}, QString());
            QFAIL("no error");
        } catch (const platform::Error& e) {
            QCOMPARE(e.number(), 75);
        }
        // A cancelled PDF leaves nothing.
        QVERIFY(!writeBookPdf(dir.filePath(u"closed/book.pdf"_s), days, {}, QString(),
                              [](int) { return false; }));
        QVERIFY(QDir(dir.filePath(u"closed"_s))
                    .isEmpty(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot));
    }

    // The print window from both menus: its day and ranges, the choices it remembers, the
    // preview's count and size, and the same pages on the printer and in the PDF file.
    void printWindow() {
        testing::TestEnv env;
        const QString journal = testing::createJournal(env);
        testing::putEntry(journal, u"2025-05-03"_s, u"あ"_s.repeated(241), u"長い日"_s);
        testing::putEntry(journal, u"2025-05-20"_s, u"短い日の文"_s, u"短い"_s);
        testing::putEntry(journal, u"2025-06-01"_s, u"六月の文"_s);
        frmCal& calendar = windows::showCalendar();
        calendar.oCal1->setValue(u"2025/5/3"_s);
        calendar.opPrint->trigger();
        frmBook* window = windows::findBookPrinter();
        QVERIFY(window);
        QCOMPARE(window->windowTitle(), u"絵日記の印刷"_s);
        QVERIFY(window->range->option[RangeBox::ThisDay]->isChecked());
        QVERIFY(window->horizontalOption->isChecked() && window->paperOption[0]->isChecked());
        QTRY_COMPARE(window->pageCountLabel->text(), u"2 ページ"_s);
        // A4 at 50 %: 210 mm at 48 dots per inch.
        QTRY_COMPARE(window->pageImage->pixmap().width(), qRound(210 * 48 / 25.4));
        window->range->option[RangeBox::ThisMonth]->setChecked(true);
        QTRY_COMPARE(window->pageCountLabel->text(), u"3 ページ"_s);
        window->paperOption[2]->setChecked(true);
        QTRY_COMPARE(window->pageImage->pixmap().width(), qRound(148 * 48 / 25.4));
        window->verticalOption->setChecked(true);
        const QSettings stored(env.settingsFile(), QSettings::IniFormat);
        QCOMPARE(stored.value(u"Book/Direction"_s).toString(), u"Vertical"_s);
        QCOMPARE(stored.value(u"Book/Paper"_s).toString(), u"A5"_s);

        window->range->option[RangeBox::Period]->setChecked(true);
        window->range->fromBox->setText(u"2025/7/1"_s);
        window->range->toBox->setText(u"7/31"_s);
        env.dialogs.answerMessage(platform::Answer::Ok);
        QVERIFY(!window->pdfButton_Click());
        QCOMPARE(env.dialogs.messageTexts(), QStringList{u"印刷する日記がありません。"_s});

        window->range->option[RangeBox::ThisMonth]->setChecked(true);
        window->horizontalOption->setChecked(true);
        window->paperOption[0]->setChecked(true);
        const QString pdf = env.root() + u"/book"_s;
        env.dialogs.answerFile(pdf);
        QVERIFY(window->pdfButton_Click());
        const platform::FileRequest asked = env.dialogs.calls().back().file;
        QVERIFY(asked.save && asked.fileName.endsWith(u"/orvane_202505.pdf"_s));
        QTRY_VERIFY(!window->running());
        const QString printed = env.root() + u"/printed.pdf"_s;
        env.dialogs.answerPrinter(printed);
        QVERIFY(window->printButton_Click());
        QTRY_VERIFY(!window->running());
        for (const QString& path : {pdf + u".pdf"_s, printed}) {
            const auto [pages, text] = pdfPagesAndText(path);
            QCOMPARE(pages, 3);
            QVERIFY2(text.contains(u"短い日の文"_s) && !text.contains(u"六月"_s), qPrintable(text));
        }
        QVERIFY(run(u"pdfinfo"_s, {printed}).contains(u"(A4)"_s));
        window->verticalOption->setChecked(true);
        window->paperOption[1]->setChecked(true);
        window->close();

        // From the editor: its day is この日; the choices stay.
        app::modFunc().WorkDate = QDate(2025, 6, 1);
        frmMirel& editor = windows::showEditor();
        QCOMPARE(editor.optOpt->actions().last(), editor.opPrint);
        editor.opPrint->trigger();
        window = windows::findBookPrinter();
        QVERIFY(window && window->range->day() == QDate(2025, 6, 1));
        QVERIFY(window->verticalOption->isChecked() && window->paperOption[1]->isChecked());
        QTRY_COMPARE(window->pageCountLabel->text(), u"1 ページ"_s);
        testing::deleteAllWindows();
        ORVANE_VERIFY_ENV(env);
    }
};

ORVANE_TEST_MAIN(BookTest)
#include "tst_book.moc"
