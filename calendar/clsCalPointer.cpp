// The calendar's pointer handling and its per-day tool tips and tags.
#include "calendar/clsCal.h"

#include "platform/Dialogs.h"
#include "platform/Error.h"
#include "platform/PictureBox.h"
#include "platform/Services.h"

#include <cmath>

void clsCal::Pic_MouseMove(Qt::MouseButtons, Qt::KeyboardModifiers, double x, double y) {
    if (CellWidth <= 0 || CellHeight <= 0) {
        MouseMoveDay = 0;
        return;
    }
    const int w = firstWeekday();
    const double col = std::floor(x / CellWidth);
    const double row = std::floor((y - HeadHeight) / CellHeight);
    // The placement of the days turned round: day 1 sits in row 0, column w - 1 (counted from
    // 0), or in row 1, column 0 when the month starts on a Monday.
    const double n = w == 1 ? row * 7 + col - 6 : row * 7 + col - w + 2;
    if (std::isfinite(n) && n >= 1 && n <= 31 && isDate(int(n))) {
        MouseMoveDay = int(n);
        pic().setToolTipText(TipTexts[std::size_t(MouseMoveDay)]);
    } else {
        // Off the days the tip stays as it was.
        MouseMoveDay = 0;
    }
}

void clsCal::Pic_MouseDown(Qt::MouseButton, Qt::KeyboardModifiers, double, double) {
    // The day found by the last move counts, not the press position.
    if (MouseMoveDay == 0)
        return;
    if (Day_ != 0)
        ClearDay();
    SetDay(MouseMoveDay);
}

void clsCal::setToolTipDay(int TDay) {
    if (TDay < 1 || TDay > 31) {
        platform::dialogs().message(
            QStringLiteral("ToolTipTextの日付は、1から31の数値を割り当ててください。"),
            platform::Buttons::Ok, platform::Icon::None, platform::programTitle());
        return;
    }
    TipDay = TDay;
}

QString clsCal::ToolTipText() const {
    return TipTexts[std::size_t(TipDay)];
}

void clsCal::setToolTipText(const QString& t) {
    TipTexts[std::size_t(TipDay)] = t;
}

QString clsCal::DayTag() const {
    return DayTags[std::size_t(TipDay)];
}

void clsCal::setDayTag(const QString& t) {
    DayTags[std::size_t(TipDay)] = t;
}
