#include "windows/calendar/frmCal.h"

#include "app/modFunc.h"
#include "platform/Clock.h"
#include "platform/Dates.h"
#include "platform/Error.h"
#include "platform/Services.h"

#include <QPalette>
#include <QTimer>

QString calendarTitle(const QDateTime& now, bool minimized) {
    if (minimized)
        return QStringLiteral("Velmoraカレンダー");
    return QStringLiteral("Velmoraカレンダー   ") +
           platform::dates::format(now, QStringLiteral("yy/mm/dd (aaa)"));
}

namespace {

void fillWith(QWidget& widget, const QColor& colour) {
    QPalette palette = widget.palette();
    palette.setColor(QPalette::Window, colour);
    widget.setPalette(palette);
    widget.setAutoFillBackground(true);
}

} // namespace

frmCal::frmCal(QWidget* parent) : QMainWindow(parent) {
    setObjectName(QStringLiteral("frmCal"));
    auto* client = new QWidget(this);
    setCentralWidget(client);
    fillWith(*this, QColor(192, 192, 192));
    fillWith(*client, QColor(192, 192, 192));

    Cal1 = new QWidget(client);
    Cal1->setObjectName(QStringLiteral("Cal1"));
    Cal1->setGeometry(8, 40, 391, 233);
    fillWith(*Cal1, QColor(128, 128, 128));

    resize(406, 277);
    move(0, 0);

    // The title is the clock from the start, not only after the first tick.
    Timer1_Timer();
    Timer1 = new QTimer(this);
    Timer1->setInterval(200);
    connect(Timer1, &QTimer::timeout, this,
            [this] { platform::guard([this] { Timer1_Timer(); }); });
    Timer1->start();
}

void frmCal::PenVis() {}

void frmCal::Timer1_Timer() {
    setWindowTitle(calendarTitle(platform::clock().now(), isMinimized()));
}

void frmCal::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    platform::guard([this] {
        // The splash goes once the calendar is on the screen.
        if (!splashClosed_) {
            splashClosed_ = true;
            if (QWidget* splash = app::modFunc().Splash.data())
                splash->close();
        }
    });
}
