#pragma once

#include <QDateTime>
#include <QMainWindow>

class QTimer;

// The title of the calendar window at a moment: "Velmoraカレンダー   yy/mm/dd (aaa)", or plain
// "Velmoraカレンダー" while the window is minimized. Other windows find the calendar by it.
QString calendarTitle(const QDateTime& now, bool minimized = false);

// The program's main window: the month calendar with its clock title.
class frmCal : public QMainWindow {
    Q_OBJECT
public:
    explicit frmCal(QWidget* parent = nullptr);

    // Draws the marks of the days with entries (filled in with the calendar).
    void PenVis();

    // One tick of the clock: rewrites the title.
    void Timer1_Timer();

    // The area the month calendar is drawn into.
    QWidget* Cal1 = nullptr;
    QTimer* Timer1 = nullptr;

protected:
    void showEvent(QShowEvent* event) override;

private:
    bool splashClosed_ = false;
};
