// The pen marks of the days that have an entry in the shown month.
#include "windows/calendar/frmCal.h"

#include "app/modFunc.h"
#include "calendar/clsCal.h"
#include "platform/Dialogs.h"
#include "platform/Error.h"
#include "platform/PictureBox.h"
#include "platform/Services.h"
#include "store/Journal.h"
#include "store/JournalKeys.h"
#include "windows/calendar/MonthMarks.h"

#include <QDateTime>

void frmCal::PenVis() {
    auto& m = app::modFunc();
    // No journal open (the program is ending, or the journal is being reopened): nothing is
    // marked, so the marks come with the next call once it is back.
    if (!m.JournalDb) {
        m.MarkedMonth = 0;
        return;
    }
    const std::int32_t key = windows::calendar::monthKey(oCal1->Year(), oCal1->Month());
    // The marks of this month are on the drawing already: the several events of one step, and
    // moves between days of the month, cost nothing.
    if (key == m.MarkedMonth)
        return;
    m.MarkedMonth = key;

    try {
        openMonthEntries();
        auto& rows = *m.JournalRs;
        while (!rows.eof()) {
            const int day = rows.field(QStringLiteral("reg_dat")).toDateTime().date().day();
            // A row whose date cannot be read has no cell to mark.
            if (day >= 1 && day <= 31) {
                drawMark(day);
                oCal1->setToolTipDay(day);
                // An empty remark (or none) still marks and tags the day.
                oCal1->setToolTipText(rows.field(QStringLiteral("memo_txt")).toString());
                oCal1->setDayTag(QStringLiteral("on"));
            }
            rows.moveNext();
        }
        Cal1->refresh();
    } catch (const platform::Error& e) {
        // The month stays marked, so the same failure is not shown again at every step.
        platform::dialogs().message(e.message(), platform::Buttons::Ok, platform::Icon::Critical,
                                    QStringLiteral("ファイルの読込みエラー"));
    }
}

void frmCal::markAnew() {
    for (int day = 1; day <= 31; ++day) {
        oCal1->setToolTipDay(day);
        oCal1->setToolTipText(QString());
        oCal1->setDayTag(QString());
    }
    app::modFunc().MarkedMonth = 0;
    oCal1->ReWrite(); // its date event draws the marks
    PenVis();
}

void frmCal::openMonthEntries() {
    store::openEntriesBetween(*app::modFunc().JournalDb,
                              store::monthKeys(oCal1->Year(), oCal1->Month()));
}

void frmCal::drawMark(int day) {
    const int x = oCal1->DayLeft(day) + 1;
    const int y = oCal1->DayTop(day) + 1;
    const int width = Pen1->outerWidth();
    const int height = Pen1->outerHeight();
    // The highlighted cell is the inverted image of the cell: the pen goes into the cell as it
    // looks unselected and is inverted with it, so it shows its own colours again once the
    // highlight moves on.
    const bool highlighted = oCal1->DayHighlighted(day);
    if (highlighted)
        Cal1->invert(x, y, width, height);
    // The mask clears the pen's shape out of the cell and inverts the rest; the pen then puts
    // its colours into the cleared shape and turns the rest back into the cell as it was.
    Cal1->blit(x, y, width, height, *PenMask, 0, 0, platform::RasterOp::SrcErase);
    Cal1->blit(x, y, width, height, *Pen1, 0, 0, platform::RasterOp::SrcInvert);
    if (highlighted)
        Cal1->invert(x, y, width, height);
}
