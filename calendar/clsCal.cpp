// The calendar's state: start, the date properties, the steps and the order of its events.
#include "calendar/clsCal.h"

#include "platform/Clock.h"
#include "platform/Dates.h"
#include "platform/Error.h"
#include "platform/PictureBox.h"
#include "platform/Services.h"

#include <cmath>

namespace dates = platform::dates;

namespace {

// Nearest integer, halves to the even one (22.5 gives 22, 23.5 gives 24), whatever rounding
// mode the floating-point unit happens to be in.
int roundHalfEven(double v) {
    const double low = std::floor(v);
    const double rest = v - low;
    if (rest > 0.5)
        return int(low) + 1;
    if (rest < 0.5)
        return int(low);
    return std::fmod(low, 2.0) == 0.0 ? int(low) : int(low) + 1;
}

bool isUnset(const QColor& c) {
    return c.red() == 0 && c.green() == 0 && c.blue() == 0;
}

QColor normalized(const QColor& c) {
    return c.isValid() ? c.toRgb() : QColor(0, 0, 0);
}

} // namespace

clsCal::clsCal(QObject* parent) : QObject(parent) {}

platform::PictureBox& clsCal::pic() const {
    if (!Pic)
        throw platform::Error(91, QStringLiteral("オブジェクト変数または With ブロック変数が設定さ"
                                                 "れていません。"));
    return *Pic;
}

int clsCal::firstWeekday() const {
    const auto first = dates::tryDate(Year_, Month_, 1);
    if (!first)
        throw platform::typeMismatch();
    return dates::weekdayMondayFirst(*first);
}

bool clsCal::isDate(int day) const {
    return dates::tryDate(Year_, Month_, day).has_value();
}

void clsCal::start(platform::PictureBox* tmpPic) {
    if (!tmpPic)
        throw platform::Error(91, QStringLiteral("オブジェクト変数または With ブロック変数が設定さ"
                                                 "れていません。"));
    for (const auto& c : std::as_const(picConnections_))
        disconnect(c);
    picConnections_.clear();
    Pic = tmpPic;
    // The box calls these from its event handlers; nothing may escape into the event loop.
    picConnections_ << connect(
        Pic, &platform::PictureBox::buttonDown, this,
        [this](Qt::MouseButton b, Qt::KeyboardModifiers m, double x, double y) {
            platform::guard([&] { Pic_MouseDown(b, m, x, y); });
        });
    picConnections_ << connect(
        Pic, &platform::PictureBox::pointerMove, this,
        [this](Qt::MouseButtons b, Qt::KeyboardModifiers m, double x, double y) {
            platform::guard([&] { Pic_MouseMove(b, m, x, y); });
        });
    picConnections_ << connect(Pic, &platform::PictureBox::resized, this,
                               [this] { platform::guard([&] { Pic_Resize(); }); });

    WeekHeads = {QStringLiteral("(月)"), QStringLiteral("(火)"), QStringLiteral("(水)"),
                 QStringLiteral("(木)"), QStringLiteral("(金)"), QStringLiteral("(土)"),
                 QStringLiteral("(日)")};
    computeGeometry();
    if (DayFontSize_ == 0)
        DayFontSize_ = int(std::floor(CellWidth / 3.5));
    if (isUnset(DayBackColor_))
        DayBackColor_ = QColor(128, 255, 128);

    const QDate today = platform::clock().today();
    Year_ = today.year();
    Month_ = today.month();
    MonthWrite();
    // Only the field: the highlight stays on day 1 until the host's first ReWrite.
    Day_ = today.day();
}

void clsCal::computeGeometry() {
    const double width = pic().outerWidth();
    const double height = pic().outerHeight();
    CellWidth = roundHalfEven(width / 7);
    HeadHeight = roundHalfEven(height / 10);
    CellHeight = roundHalfEven((height - HeadHeight) / 6);
}

void clsCal::Pic_Resize() {
    // Each assignment raises the resize event again, which lands here once more.
    if (pic().outerWidth() < 200)
        pic().setOuterWidth(200);
    if (pic().outerHeight() < 150)
        pic().setOuterHeight(150);
    computeGeometry();
}

void clsCal::emptyDayTables() {
    TipTexts.fill(QString());
    DayTags.fill(QString());
}

void clsCal::MonthWrite() {
    // Emptied before the first event, so what a handler stores there stays.
    emptyDayTables();
    MakFrame();
    MakDays(0);
    // The month is drawn without a highlight until SetDay below: the handlers of the events
    // before it must not take the old month's highlighted place for a cell of this one (a pen
    // mark drawn there would be inverted in a cell that is not).
    SelCol = 0;
    Q_EMIT ChgDate();
    if (ShownYear != Year_) {
        Q_EMIT NewYear();
        ShownYear = Year_;
    }
    if (ShownMonth != Month_) {
        Q_EMIT NewMonth();
        ShownMonth = Month_;
    }
    if (Day_ == 0)
        Day_ = 1;
    while (Day_ > 1 && !isDate(Day_))
        --Day_;
    SetDay(Day_);
}

void clsCal::setYear(int v) {
    if (v == Year_ || v < 1900 || v > 2098)
        return;
    pic();
    Year_ = v;
    MonthWrite();
}

void clsCal::setMonth(int v) {
    if (v == Month_ || v < 1 || v > 12)
        return;
    pic();
    Month_ = v;
    MonthWrite();
}

void clsCal::setDay(int v) {
    if (v < 1 || v > 31)
        return;
    pic();
    if (Day_ != 0)
        ClearDay();
    Day_ = v;
    SetDay(v);
}

QString clsCal::Value() const {
    return dates::ymdText(Year_, Month_, Day_);
}

bool clsCal::ExistDate() const {
    return dates::parseStrict(Value()).has_value();
}

void clsCal::moveTo(const QDate& date, bool& yearChanged, bool& monthChanged) {
    yearChanged = date.year() != Year_;
    monthChanged = date.month() != Month_;
    Year_ = date.year();
    Month_ = date.month();
    Day_ = date.day();
}

void clsCal::setValue(const QString& t) {
    const auto date = dates::parseStrict(t);
    if (!date)
        return;
    pic();
    goToDay(*date);
}

void clsCal::stepDays(int days) {
    pic();
    // Computed before anything changes: a day the month lacks fails here with error 13.
    const QDate next = dates::addDays(dates::makeDate(Year_, Month_, Day_ == 0 ? 1 : Day_), days);
    goToDay(next);
}

void clsCal::goToDay(const QDate& next) {
    bool yearChanged = false;
    bool monthChanged = false;
    moveTo(next, yearChanged, monthChanged);
    if (yearChanged || monthChanged) {
        emptyDayTables();
        ReWrite();
    } else {
        ClearDay();
        SetDay(Day_);
    }
    Q_EMIT ChgDate();
    if (monthChanged)
        Q_EMIT NewMonth();
    if (yearChanged)
        Q_EMIT NewYear();
}

void clsCal::stepMonths(int months) {
    pic();
    const QDate next =
        dates::addMonths(dates::makeDate(Year_, Month_, Day_ == 0 ? 1 : Day_), months);
    bool yearChanged = false;
    bool monthChanged = false;
    moveTo(next, yearChanged, monthChanged);
    emptyDayTables();
    ReWrite();
    Q_EMIT NewMonth();
    if (yearChanged)
        Q_EMIT NewYear();
}

void clsCal::stepYears(int years) {
    pic();
    const QDate next = dates::addYears(dates::makeDate(Year_, Month_, Day_ == 0 ? 1 : Day_), years);
    bool yearChanged = false;
    bool monthChanged = false;
    moveTo(next, yearChanged, monthChanged);
    emptyDayTables();
    ReWrite();
    Q_EMIT NewYear();
}

void clsCal::PreviousDay() {
    stepDays(-1);
}
void clsCal::NextDay() {
    stepDays(1);
}
void clsCal::PreviousMonth() {
    stepMonths(-1);
}
void clsCal::NextMonth() {
    stepMonths(1);
}
void clsCal::PreviousYear() {
    stepYears(-1);
}
void clsCal::NextYear() {
    stepYears(1);
}

int clsCal::Height() const {
    return pic().outerHeight();
}
void clsCal::setHeight(int v) {
    pic().setOuterHeight(v);
}
int clsCal::Width() const {
    return pic().outerWidth();
}
void clsCal::setWidth(int v) {
    pic().setOuterWidth(v);
}

void clsCal::redrawIfStarted() {
    if (CellWidth != 0)
        ReWrite();
}

void clsCal::setDayFontSize(int v) {
    DayFontSize_ = v;
    redrawIfStarted();
}

void clsCal::setDayBackColor(const QColor& c) {
    DayBackColor_ = normalized(c);
    redrawIfStarted();
}

void clsCal::setDayForeColor(const QColor& c) {
    DayForeColor_ = normalized(c);
    redrawIfStarted();
}
