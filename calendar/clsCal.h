#pragma once

#include <QColor>
#include <QDate>
#include <QList>
#include <QMetaObject>
#include <QObject>
#include <QPointer>
#include <QString>

#include <array>

namespace platform {
class PictureBox;
}

// The month calendar the program draws itself into a picture box: a displayed year and month, a
// selected day, steps by day, month and year, a grid of seven weekday columns (Monday first) and
// six week rows, selection with the pointer, and a tool-tip text and a tag per day.
//
// The host connects to the signals ChgDate, NewYear and NewMonth. They are raised synchronously
// (connect directly; a same-thread automatic connection is direct), carry no arguments, and a
// handler may read the properties and call back into the control.
//
// Colours are QColor; black counts as "not set" when start() chooses its defaults.
//
// Every operation that draws needs the box given to start(); before that they raise error 91.
// Steps from a day the month lacks, and steps beyond the years 100 to 9999, raise error 13 and
// change nothing.
class clsCal : public QObject {
    Q_OBJECT

public:
    explicit clsCal(QObject* parent = nullptr);

    // Day of the month under the pointer after the last pointer move; 0 = none. The host may
    // read and assign it.
    int MouseMoveDay = 0;

    // Attaches the box, handles its pointer and resize events from now on, and shows the month
    // of today with day 1 highlighted; Day then becomes today's day.
    void start(platform::PictureBox* tmpPic);
    // Redraws everything and highlights Day.
    void ReWrite();
    // Highlights that day's cell (without removing an earlier highlight) and makes it Day.
    void SetDay(int sDate);

    void PreviousDay();
    void PreviousMonth();
    void PreviousYear();
    void NextDay();
    void NextMonth();
    void NextYear();

    int Year() const { return Year_; }
    // Accepted for 1900 to 2098 when different from the shown year; otherwise ignored.
    void setYear(int v);
    int Month() const { return Month_; }
    // Accepted for 1 to 12 when different from the shown month; otherwise ignored.
    void setMonth(int v);
    int Day() const { return Day_; }
    // Accepted for 1 to 31, also beyond the month's length; otherwise ignored.
    void setDay(int v);

    // The selected date as "y/m/d" without leading zeros; "0/0/0" before start.
    QString Value() const;
    // Moves to the date a "y/m/d" text names; a text that is no date is ignored.
    void setValue(const QString& t);
    // Whether Value names a day the calendar has.
    bool ExistDate() const;

    // The box's outer size in pixels. Setting it recomputes the grid; nothing is redrawn until
    // ReWrite.
    int Height() const;
    void setHeight(int v);
    int Width() const;
    void setWidth(int v);

    // Top-left pixel of a day's cell interior in the displayed month; the day is not checked.
    int DayLeft(int sDate);
    int DayTop(int sDate);
    // Whether that day's cell is the highlighted (inverted) one.
    bool DayHighlighted(int sDate);
    // Size of a cell interior.
    int DayWidth() const { return CellWidth - 2; }
    int DayHeight() const { return CellHeight - 2; }

    // Prints all day numbers in a fixed small layout over the cells.
    void MakDayChr();
    // Redraws one day's cell, wiping marks drawn over it; highlights it again when selected.
    void DayWrite(int TDay);

    // Setting one of these after start redraws the month.
    void setDayFontSize(int v);
    int DayFontSize() const { return DayFontSize_; }
    void setDayBackColor(const QColor& c);
    QColor DayBackColor() const { return DayBackColor_; }
    void setDayForeColor(const QColor& c);
    QColor DayForeColor() const { return DayForeColor_; }

    // The cursor day (1 to 31) for ToolTipText and DayTag; other values show a message and keep
    // the cursor.
    void setToolTipDay(int TDay);
    QString ToolTipText() const;
    void setToolTipText(const QString& t);
    QString DayTag() const;
    void setDayTag(const QString& t);

    // Read access for tests and the benchmark.
    struct Geometry {
        int CellWidth = 0;
        int CellHeight = 0;
        int HeadHeight = 0;
    };
    Geometry geometry() const { return {CellWidth, CellHeight, HeadHeight}; }
    // Column (1 to 7) and row (0 to 5) of the highlighted cell; column 0 while a month drawn
    // anew has none yet.
    int selectedColumn() const { return SelCol; }
    int selectedRow() const { return SelRow; }
    // How many times the whole month was drawn from scratch.
    int fullRedrawCount() const { return fullRedraws_; }
    platform::PictureBox* box() const { return Pic; }

Q_SIGNALS:
    void ChgDate();
    void NewYear();
    void NewMonth();

private:
    // Handlers of the box's events.
    void Pic_MouseMove(Qt::MouseButtons button, Qt::KeyboardModifiers shift, double x, double y);
    void Pic_MouseDown(Qt::MouseButton button, Qt::KeyboardModifiers shift, double x, double y);
    void Pic_Resize();

    void computeGeometry();
    void MonthWrite();
    void emptyDayTables();
    void stepDays(int days);
    // Selects a date and raises the events of a day move: a full redraw only when the month
    // changes.
    void goToDay(const QDate& next);
    void stepMonths(int months);
    void stepYears(int years);
    void moveTo(const QDate& date, bool& yearChanged, bool& monthChanged);

    void MakFrame();
    void MakDays(int target);
    QColor WeekColor(int column) const;
    void DayPos(int day);
    void ClearDay();
    void invertCell(int left, int top);

    // Monday = 1 ... Sunday = 7 for the first of the displayed month.
    int firstWeekday() const;
    bool isDate(int day) const;
    // The attached box; error 91 before start.
    platform::PictureBox& pic() const;
    void redrawIfStarted();

    int Year_ = 0;
    int Month_ = 0;
    int Day_ = 0;
    int CellWidth = 0;
    int CellHeight = 0;
    int HeadHeight = 0;
    int DayFontSize_ = 0;
    QColor DayBackColor_{0, 0, 0};
    QColor DayForeColor_{0, 0, 0};
    int PosCol = 0;
    int PosRow = 0;
    int PosLeft = 0;
    int PosTop = 0;
    int SelCol = 0;
    int SelRow = 0;
    int TipDay = 0;
    std::array<QString, 32> TipTexts;
    std::array<QString, 32> DayTags;
    int ShownYear = 0;
    int ShownMonth = 0;
    std::array<QString, 7> WeekHeads;
    QPointer<platform::PictureBox> Pic;

    QList<QMetaObject::Connection> picConnections_;
    int fullRedraws_ = 0;
};
