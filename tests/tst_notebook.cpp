// The year notebook: the year's list, its window, opening a day in the editor and printing.
#include "platform/Printer.h"
#include "support/Testing.h"

using namespace testing;

namespace {

// Takes what the notebook hands to the printer.
struct RecordingPrinter : platform::Printer {
    QStringList calls;
    void setFont(const QString& family, double points, bool bold) override {
        calls << u"font %1 %2%3"_s.arg(family).arg(points).arg(bold ? u" bold"_s : QString());
    }
    void printLine(const QString& text) override { calls << text; }
    void endDoc() override { calls << u"end"_s; }
};

frmBar& openOn(const QDate& day) {
    app::modFunc().WorkDate = day;
    return windows::showNotebook();
}

// The list as "title: date remark, ...".
QString listed(const frmBar& w) {
    QStringList rows;
    for (int row = 0; row < w.Grid1->rowCount(); ++row)
        rows << w.Grid1->item(row, 0)->text() + u' ' + w.Grid1->item(row, 1)->text();
    return w.windowTitle() + u": "_s + rows.join(u", "_s);
}

// A double-click as the desktop delivers it, a click first, on a row (or the header at -1).
void doubleClick(frmBar& w, int row) {
    QWidget* target = row < 0 ? w.Grid1->horizontalHeader()->viewport() : w.Grid1->viewport();
    const QPoint at = w.Grid1->visualRect(w.Grid1->model()->index(row, 1)).center();
    QTest::mouseClick(target, Qt::LeftButton, Qt::NoModifier, row < 0 ? QPoint(20, 5) : at);
    QTest::mouseDClick(target, Qt::LeftButton, Qt::NoModifier, row < 0 ? QPoint(20, 5) : at);
}

} // namespace

class NotebookTest : public CalendarTest {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() {
        platform::installFontSubstitutions(); // as start-up does
        // A print system that cannot be reached: the desktop names no default printer.
        qputenv("CUPS_SERVER", "/nonexistent/cups.sock");
    }

    void yearListAndPrinting() {
        addEntry(QDate(1998, 7, 15), u"散歩"_s);
        addEntry(QDate(1998, 7, 5), QString());
        addEntry(QDate(1997, 12, 31), u"大晦日"_s);
        frmBar& w = openOn(QDate(1998, 8, 1));
        const QString first = listed(w);
        QCOMPARE(first, u"手帳  1998年度: 98/7/05(日) , 98/7/15(水) 散歩"_s);
        QCOMPARE(w.size(), QSize(637, 499)); // designed 9555 x 7485 twips
        // The window's and the buttons' colours.
        QCOMPARE(w.grab().toImage().pixelColor(w.width() - 2, 200), QColor(192, 192, 255));
        QCOMPARE(w.Command1[0]->grab().toImage().pixelColor(4, 5), QColor(192, 255, 255));
        // The date column stands out in light yellow (row 0 holds the current cell).
        const QRect date = w.Grid1->visualRect(w.Grid1->model()->index(1, 0));
        QCOMPARE(w.Grid1->viewport()->grab().toImage().pixelColor(date.topLeft() + QPoint(3, 3)),
                 QColor(255, 255, 128));

        // 印刷 hands the list as shown to the printer, and changes nothing.
        RecordingPrinter printer;
        platform::setPrinter(&printer);
        const auto restore = qScopeGuard([] { platform::setPrinter(nullptr); });
        env->dialogs.answerMessage(Answer::Ok);
        w.Command1[2]->click();
        QCOMPARE(printer.calls,
                 (QStringList{u"font ＭＳ Ｐ明朝 14 bold"_s,
                              u"          手帳"_s + QString(25, u' ') + u"2026年12月06日(日)\n"_s,
                              u"font ＭＳ Ｐ明朝 11 bold"_s, u"[1998年07月05日(日)]  "_s,
                              u"[1998年07月15日(水)]  散歩"_s, u"end"_s}));
        QCOMPARE(lastMessage(*env), u"ORVANE|Ok|None|印刷データを出力しました。"_s);
        QCOMPARE(listed(w) + QString::number(w.noteYear), first + u"1998"_s);
        // The desktop names no printer: that is told, and nothing else (the script allows no
        // second message).
        platform::setPrinter(nullptr);
        env->dialogs.answerMessage(Answer::Ok);
        w.Command1[2]->click();
        QCOMPARE(lastMessage(*env), u"ORVANE|Ok|None|プリンタが見つかりません。(484)"_s);
    }

    void placeAndClosing() {
        // The calendar's 手帳(&B) opens the notebook on WorkDate's year, one at a time.
        frmCal& calendar = shownCalendar();
        calendar.optOpt[0]->trigger();
        QPointer<frmBar> w = windows::findNotebook();
        QVERIFY(w && w->windowTitle() == u"手帳  2026年度"_s && calendar.isVisible());
        calendar.optOpt[0]->trigger();
        QCOMPARE(windows::findNotebook(), w.data());
        // 戻る keeps the place in twips for the next opening in this run, and shows the
        // calendar, which was closed meanwhile.
        w->move(40, 60);
        w->resize(500, 300);
        calendar.close();
        w->Command1[3]->click();
        QVERIFY(!windows::findNotebook() && windows::findCalendar() != nullptr);
        QCOMPARE(app::modFunc().NotebookLayout,
                 (std::array<std::int32_t, 4>{900, 600, 7500, 4500}));
        w = &windows::showNotebook();
        QCOMPARE(QRect(w->pos(), w->size()), QRect(40, 60, 500, 300));
        // The close box does the same.
        w->move(10, 20);
        w->close();
        QCOMPARE(app::modFunc().NotebookLayout[0], 300);
    }

    void doubleClickOnNoRowOpensNothing() {
        addEntry(QDate(1925, 3, 1), u"雛祭りの前"_s);
        QPointer<frmBar> w = &openOn(QDate(1925, 12, 31));
        // The header, and the empty list of another year.
        doubleClick(*w, -1);
        w->Command1[1]->click();
        doubleClick(*w, 0);
        QVERIFY(w && w->isVisible() && windows::findEditor() == nullptr);
    }

    void dateColumnStaysWhenScrolledSideways() {
        addEntry(QDate(1998, 7, 5), u"雨"_s);
        addEntry(QDate(1998, 7, 15), u"散歩"_s);
        frmBar& w = openOn(QDate(1998, 8, 1));
        QTableWidget& grid = *w.Grid1;
        grid.selectRow(1);
        // The selected row's date cell in the grid's own pixels, its lines left out.
        const QRect date = grid.visualRect(grid.model()->index(1, 0))
                               .translated(grid.viewport()->pos())
                               .adjusted(0, 0, -1, -1);
        const QRect column(0, 0, date.right() + 1, grid.viewport()->geometry().bottom());
        const QImage before = grid.grab().toImage();
        QImage plain(date.size(), before.format());
        plain.fill(QColor(255, 255, 128));
        QVERIFY(before.copy(date) != plain); // the date is written there
        // Scrolled to the remark's end, the date column and its header stay as they were, and
        // the selected row's date keeps its yellow.
        QScrollBar* sideways = grid.horizontalScrollBar();
        sideways->setValue(sideways->maximum());
        QVERIFY(sideways->value() > column.width());
        const QImage after = grid.grab().toImage();
        QCOMPARE(after.pixelColor(date.topLeft() + QPoint(2, 2)), QColor(255, 255, 128));
        QCOMPARE(after.copy(column), before.copy(column));

        // A double-click on another row's date there opens that row's day in the editor and
        // closes the notebook, the calendar staying shut; its first click leaves the remark
        // where it was. (With the editor open and changed: the random walk.)
        const QPoint at = date.center() - QPoint(0, date.height() + 1);
        QWidget* under = grid.childAt(at);
        QTest::mouseClick(under, Qt::LeftButton, Qt::NoModifier, under->mapFrom(&grid, at));
        QCOMPARE(sideways->value(), sideways->maximum());
        QTest::mouseDClick(under, Qt::LeftButton, Qt::NoModifier, under->mapFrom(&grid, at));
        frmMirel* e = windows::findEditor();
        QVERIFY(e && !windows::findNotebook() && !windows::findCalendar());
        QCOMPARE(e->dateBox()->text(), u"1998/07/05 (日)"_s);
    }

    void printingToPaper() {
        // A year long enough for a second page, printed to a PDF file and read back.
        for (int day = 0; day < 80; ++day)
            addEntry(QDate(1925, 1, 1).addDays(day), u"日記%1"_s.arg(day + 1));
        const QString pdf = env->root() + u"/list.pdf"_s;
        platform::QtPrinter printer(pdf);
        platform::setPrinter(&printer);
        const auto restore = qScopeGuard([] { platform::setPrinter(nullptr); });
        env->dialogs.answerMessage(Answer::Ok);
        openOn(QDate(1925, 6, 1)).Command1[2]->click();
        // -layout keeps the empty line below the heading, not the runs of blanks.
        QProcess pdftotext;
        pdftotext.start(u"pdftotext"_s, {u"-layout"_s, pdf, u"-"_s});
        QVERIFY(pdftotext.waitForFinished());
        const QStringList pages = QString::fromUtf8(pdftotext.readAllStandardOutput()).split(u'\f');
        QCOMPARE(pages.size(), 3); // two pages, and nothing after the last page break
        const QStringList lines = (pages[0] + pages[1]).split(u'\n');
        QCOMPARE(lines[0].simplified() + u'|' + lines[1] + u'|' + lines[2],
                 u"手帳 2026年12月06日(日)||[1925年01月01日(木)] 日記1"_s);
        // Every entry once over both pages, the second page starting with the next one.
        QCOMPARE(lines.filter(u"[1925年"_s).size(), 80);
    }
};

ORVANE_TEST_MAIN(NotebookTest)
#include "tst_notebook.moc"
