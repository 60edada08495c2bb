// The calendar's drawing: heading band, engraved grid, bevelled day cells, the highlight.
#include "calendar/clsCal.h"

#include "platform/PictureBox.h"

#include <QString>

#include <algorithm>
#include <limits>

using platform::PictureFont;

namespace {

const QColor White(255, 255, 255);
const QColor LightGrey(192, 192, 192);
const QColor Black(0, 0, 0);
const QColor Blue(0, 0, 255);
const QColor Red(255, 0, 0);

QString headingFont() {
    return QStringLiteral("ＭＳ Ｐ明朝");
}
QString numberFont() {
    return QStringLiteral("Times New Roman");
}

// A day number as the numeric print form writes it: a blank for the sign, then the digits.
QString printed(int n) {
    return QLatin1Char(' ') + QString::number(n);
}
int digits(int n) {
    return int(QString::number(n).size());
}

int toInt(qint64 v) {
    return int(
        std::clamp<qint64>(v, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

} // namespace

QColor clsCal::WeekColor(int column) const {
    if (column == 6)
        return Blue;
    if (column == 7)
        return Red;
    return DayForeColor_;
}

void clsCal::DayPos(int day) {
    const int w = firstWeekday();
    // Days are 16-bit numbers; anything beyond gives a far-away cell, never an overflow.
    const qint64 s = qint64(std::clamp(day, -32768, 32767)) + w - 1;
    const qint64 c = s % 7;
    const qint64 r = (s - c) / 7;
    qint64 column = c;
    qint64 row = r;
    if (c == 0) {
        column = 7;
        row = r - 1;
    }
    if (w == 1)
        ++row;
    PosCol = toInt(column);
    PosRow = toInt(row);
    PosLeft = toInt((column - 1) * CellWidth);
    PosTop = toInt(row * CellHeight + HeadHeight);
}

int clsCal::DayLeft(int sDate) {
    pic();
    DayPos(sDate);
    return PosLeft + 1;
}

int clsCal::DayTop(int sDate) {
    pic();
    DayPos(sDate);
    return PosTop + 1;
}

bool clsCal::DayHighlighted(int sDate) {
    pic();
    DayPos(sDate);
    return PosCol == SelCol && PosRow == SelRow;
}

void clsCal::MakFrame() {
    auto& box = pic();
    ++fullRedraws_;
    const int width = box.outerWidth();
    const int height = box.outerHeight();
    box.clear();
    box.fillRect(0, 0, width, HeadHeight, White);

    const PictureFont heading{headingFont(), double(CellWidth / 5), true};
    for (int i = 0; i < 7; ++i)
        box.text(CellWidth / 3 + i * CellWidth, 4, WeekHeads[std::size_t(i)], heading,
                 WeekColor(i + 1));

    // Shadow and light edges first, the black lines over them: grey, black, white side by side.
    for (int i = 0; i <= 7; ++i) {
        const int x = i * CellWidth;
        box.line(x - 1, HeadHeight, x - 1, height, LightGrey);
        box.line(x + 1, HeadHeight, x + 1, height, White);
    }
    for (int r = 0; r <= 6; ++r) {
        const int y = r * CellHeight + HeadHeight;
        box.line(0, y - 1, width, y - 1, LightGrey);
        box.line(0, y + 1, width, y + 1, White);
    }
    for (int i = 0; i <= 7; ++i)
        box.line(i * CellWidth, HeadHeight, i * CellWidth, height, Black);
    for (int r = 0; r <= 6; ++r) {
        const int y = r * CellHeight + HeadHeight;
        box.line(0, y, width, y, Black);
    }
}

void clsCal::MakDays(int target) {
    auto& box = pic();
    int w = firstWeekday();
    // Bold stays on from the headings, as it did on the old box.
    const PictureFont number{numberFont(), double(DayFontSize_), true};
    // A month starting on Monday leaves the first row empty.
    if (w == 1)
        w = 8;
    int n = 0;
    for (int a = 1; a <= 6; ++a) {
        for (int i = 1; i <= 7; ++i) {
            if (a == 1 && i < w)
                continue;
            ++n;
            if (target != 0 && n != target)
                continue;
            if (!isDate(n))
                return;
            const int x0 = (i - 1) * CellWidth;
            const int x1 = i * CellWidth;
            const int y0 = (a - 1) * CellHeight + HeadHeight;
            const int y1 = a * CellHeight + HeadHeight;
            box.line(x0 + 1, y0 + 1, x1 - 1, y0 + 1, White);
            box.line(x0 + 1, y0 + 1, x0 + 1, y1 - 1, White);
            box.line(x1 - 1, y0 + 1, x1 - 1, y1 - 1, LightGrey);
            box.line(x0 + 1, y1 - 1, x1 - 1, y1 - 1, LightGrey);
            box.fillRect(x0 + 2, y0 + 2, x1 - 2, y1 - 2, DayBackColor_);
            // The vertical offset follows the cell width, not its height.
            box.text(CellWidth / 2 + x0 - 7 * digits(n), CellWidth / 9 + y0, printed(n), number,
                     WeekColor(i));
        }
    }
}

void clsCal::MakDayChr() {
    auto& box = pic();
    int w = firstWeekday();
    const PictureFont number{numberFont(), 14, true};
    if (w == 1)
        w = 8;
    int n = 0;
    for (int a = 1; a <= 6; ++a) {
        for (int j = 1; j <= 7; ++j) {
            if (a == 1 && j < w)
                continue;
            ++n;
            if (!isDate(n))
                return;
            box.text((j - 1) * CellWidth + 30 - 7 * digits(n),
                     (a - 1) * CellHeight + HeadHeight + 8, printed(n), number, WeekColor(j));
        }
    }
}

void clsCal::invertCell(int left, int top) {
    pic().invert(left, top, CellWidth - 2, CellHeight - 2);
}

void clsCal::SetDay(int sDate) {
    auto& box = pic();
    DayPos(sDate);
    SelCol = PosCol;
    SelRow = PosRow;
    Day_ = sDate;
    invertCell(PosLeft + 1, PosTop + 1);
    box.refresh();
    Q_EMIT ChgDate();
}

void clsCal::ClearDay() {
    // No refresh of its own: a SetDay always follows and shows both changes at once. A month
    // just drawn has no highlight to take away.
    if (SelCol == 0)
        return;
    invertCell((SelCol - 1) * CellWidth + 1, SelRow * CellHeight + HeadHeight + 1);
}

void clsCal::DayWrite(int TDay) {
    pic();
    if (!isDate(TDay))
        return;
    MakDays(TDay);
    if (TDay == Day_)
        SetDay(TDay);
}

void clsCal::ReWrite() {
    MakFrame();
    MakDays(0);
    SetDay(Day_);
}
