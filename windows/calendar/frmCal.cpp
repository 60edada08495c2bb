// The calendar window: creation, layout, clock title, the calendar's events and the selectors.
#include "windows/calendar/frmCal.h"

#include "app/modFunc.h"
#include "calendar/clsCal.h"
#include "platform/Clock.h"
#include "platform/Dates.h"
#include "platform/Error.h"
#include "platform/PictureBox.h"
#include "platform/Services.h"
#include "platform/System.h"
#include "windows/calendar/PenImages.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QEvent>
#include <QEventLoop>
#include <QLabel>
#include <QMenuBar>
#include <QPalette>
#include <QTimer>

#include <QWindowStateChangeEvent>
#include <utility>

#include <algorithm>

QString calendarTitle(const QDateTime& now, bool minimized) {
    if (minimized)
        return QStringLiteral("Velmoraカレンダー");
    return QStringLiteral("Velmoraカレンダー   ") +
           platform::dates::format(now, QStringLiteral("yy/mm/dd (aaa)"));
}

namespace {

constexpr int ClientWidth = 406;
constexpr int ClientHeight = 277;
// The calendar sits at (8, 40) and keeps 6 pixels free at the right and at the bottom.
constexpr int CalLeft = 8;
constexpr int CalTop = 40;
constexpr int RightMargin = CalLeft + 6;
constexpr int BottomMargin = CalTop + 6;

void fillWith(QWidget& widget, const QColor& colour) {
    QPalette palette = widget.palette();
    palette.setColor(QPalette::Window, colour);
    widget.setPalette(palette);
    widget.setAutoFillBackground(true);
}

QFont selectorFont() {
    return platform::namedFont(QStringLiteral("Times New Roman"), 11.25, true);
}

QFont labelFont() {
    return platform::namedFont(QStringLiteral("ＭＳ Ｐ明朝"), 14.25, true);
}

// A hidden 11 x 11 box holding one of the pen images.
platform::PictureBox* penBox(QWidget* parent, const QString& name, const QImage& image) {
    auto* box = new platform::PictureBox(parent);
    box->setObjectName(name);
    box->hide();
    box->setOuterSize(image.width(), image.height());
    box->blit(0, 0, image.width(), image.height(), image, 0, 0, platform::RasterOp::SrcCopy);
    return box;
}

} // namespace

frmCal::frmCal(QWidget* parent) : QMainWindow(parent) {
    setObjectName(QStringLiteral("frmCal"));
    // Closing releases the window and the calendar with it; start-up and the other windows
    // create it anew when they need it.
    setAttribute(Qt::WA_DeleteOnClose);

    makeControls();
    makeMenus();
    resize(ClientWidth, ClientHeight + menuBar()->heightForWidth(ClientWidth));

    // Let the splash finish painting before the calendar is drawn; no input yet, so no handler
    // runs into a window that is half made.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);

    oCal1 = std::make_unique<clsCal>();
    oCal1->setDayFontSize(15);
    oCal1->setDayBackColor(QColor(255, 255, 0));
    oCal1->setDayForeColor(QColor(0, 0, 255));
    connectCalendar();
    // Shows today's month; its events set the selectors but draw no marks yet.
    oCal1->start(Cal1);

    move(0, 0);

    // The title is the clock from the start, not only after the first tick.
    Timer1_Timer();
    Timer1 = new QTimer(this);
    Timer1->setInterval(200);
    connect(Timer1, &QTimer::timeout, this,
            [this] { platform::guard([this] { Timer1_Timer(); }); });
    Timer1->start();
}

frmCal::~frmCal() {
    // The calendar goes first, while the box it draws into still exists.
    oCal1.reset();
}

void frmCal::makeControls() {
    auto* client = new QWidget(this);
    client->setObjectName(QStringLiteral("client"));
    setCentralWidget(client);
    fillWith(*this, QColor(192, 192, 192));
    fillWith(*client, QColor(192, 192, 192));
    // The layout follows the client area, which is what lies below the menu bar.
    client->installEventFilter(this);

    const std::array<QString, 2> captions{QStringLiteral("年"), QStringLiteral("月")};
    const std::array<int, 2> comboLeft{16, 112};
    const std::array<int, 2> comboWidth{73, 57};
    const std::array<int, 2> labelLeft{88, 168};
    for (int i = 0; i < 2; ++i) {
        auto* combo = new QComboBox(client);
        combo->setObjectName(QStringLiteral("Combo1_%1").arg(i));
        combo->setFont(selectorFont());
        combo->setGeometry(comboLeft[std::size_t(i)], 8, comboWidth[std::size_t(i)],
                           combo->sizeHint().height());
        Combo1[std::size_t(i)] = combo;

        auto* label = new QLabel(captions[std::size_t(i)], client);
        label->setObjectName(QStringLiteral("Label1_%1").arg(i));
        label->setFont(labelFont());
        label->setGeometry(labelLeft[std::size_t(i)], 11, 21, 19);
        label->setBuddy(combo);
        Label1[std::size_t(i)] = label;
    }
    for (int year = 1900; year <= 2099; ++year)
        Combo1[0]->addItem(QString::number(year));
    for (int month = 1; month <= 12; ++month)
        Combo1[1]->addItem(QString::number(month));
    for (int i = 0; i < 2; ++i) {
        // No selection until the calendar names its month.
        Combo1[std::size_t(i)]->setCurrentIndex(-1);
        // Only a choice of the user: the selection the calendar's events make is handled
        // where it is made.
        connect(Combo1[std::size_t(i)], &QComboBox::activated, this,
                [this, i] { platform::guard([this, i] { Combo1_Click(i); }); });
    }

    Cal1 = new platform::PictureBox(client);
    Cal1->setObjectName(QStringLiteral("Cal1"));
    Cal1->setBackColor(QColor(128, 128, 128));
    Cal1->move(CalLeft, CalTop);
    Cal1->setOuterSize(391, 233);
    Cal1->clear();
    connect(Cal1, &platform::PictureBox::clicked, this, [this] {
        clickSaveFailed_ = false;
        platform::guard([this] { Cal1_Click(); });
    });
    // The click of the same double-click has already shown why the editor could not save; a
    // second attempt would only show the same message again.
    connect(Cal1, &platform::PictureBox::doubleClicked, this, [this] {
        if (std::exchange(clickSaveFailed_, false))
            return;
        platform::guard([this] { Cal1_DblClick(); });
    });

    Pen1 = penBox(client, QStringLiteral("Pen1"), windows::calendar::penPicture());
    PenMask = penBox(client, QStringLiteral("PenMask"), windows::calendar::penMask());
}

void frmCal::connectCalendar() {
    // The calendar raises these inside its own operations; each runs to its end here, so an
    // error in one leaves the calendar's operation free to finish.
    connect(oCal1.get(), &clsCal::ChgDate, this,
            [this] { platform::guard([this] { oCal1_ChgDate(); }); });
    connect(oCal1.get(), &clsCal::NewYear, this,
            [this] { platform::guard([this] { oCal1_NewYear(); }); });
    connect(oCal1.get(), &clsCal::NewMonth, this,
            [this] { platform::guard([this] { oCal1_NewMonth(); }); });
}

void frmCal::Timer1_Timer() {
    setWindowTitle(calendarTitle(platform::clock().now(), isMinimized()));
}

void frmCal::Form_Resize() {
    if (isMinimized())
        return;
    const QWidget* client = centralWidget();
    // Too small a client area gives a negative size; the calendar then keeps its smallest.
    oCal1->setWidth(std::max(0, client->width() - RightMargin));
    oCal1->setHeight(std::max(0, client->height() - BottomMargin));
    oCal1->ReWrite();
    // The redraw wiped the marks.
    app::modFunc().MarkedMonth = 0;
    PenVis();
    laidOut_ = true;
}

bool frmCal::eventFilter(QObject* watched, QEvent* event) {
    // On another screen the pixel ratio may differ: a calendar already laid out is drawn anew.
    const bool otherScreen = laidOut_ && event->type() == QEvent::ScreenChangeInternal;
    if (watched == centralWidget() && (event->type() == QEvent::Resize || otherScreen))
        platform::guard([this] { Form_Resize(); });
    return QMainWindow::eventFilter(watched, event);
}

void frmCal::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    if (event->type() != QEvent::WindowStateChange)
        return;
    // Coming back from an icon brings no resize of its own, but the calendar was not laid out
    // while minimized.
    const auto* change = static_cast<QWindowStateChangeEvent*>(event);
    if ((change->oldState() & Qt::WindowMinimized) && !isMinimized())
        platform::guard([this] { Form_Resize(); });
}

void frmCal::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    platform::guard([this] {
        // The splash goes once the calendar is on the screen.
        if (!splashClosed_) {
            splashClosed_ = true;
            if (QWidget* splash = app::modFunc().Splash.data())
                splash->close();
            // The keyboard belongs to the calendar from the start, also on a desktop without a
            // window manager to hand it over.
            activateWindow();
        }
    });
}

void frmCal::oCal1_ChgDate() {
    if (laidOut_)
        PenVis();
}

void frmCal::oCal1_NewYear() {
    if (laidOut_)
        PenVis();
    selectInSelector(0, oCal1->Year());
}

void frmCal::oCal1_NewMonth() {
    if (laidOut_)
        PenVis();
    selectInSelector(1, oCal1->Month());
}

bool frmCal::showInSelector(int Index, int value) {
    QComboBox* combo = Combo1[std::size_t(Index)];
    // A year outside the list leaves the selector empty rather than showing a wrong year.
    const int item = combo->findText(QString::number(value));
    if (item == combo->currentIndex())
        return false;
    combo->setCurrentIndex(item);
    return true;
}

void frmCal::selectInSelector(int Index, int value) {
    if (showInSelector(Index, value) && Combo1[std::size_t(Index)]->currentIndex() >= 0)
        Combo1_Click(Index);
}

void frmCal::Combo1_Click(int Index) {
    const int value = Combo1[std::size_t(Index)]->currentText().toInt();
    if (Index == 0)
        oCal1->setYear(value);
    else
        oCal1->setMonth(value);
    // The calendar refuses some years (2099); the selector then goes back to the shown one.
    showInSelector(Index, Index == 0 ? oCal1->Year() : oCal1->Month());
}

void frmCal::takeWorkDate() {
    // Moving the day is choosing it: an open editor first saves the day it shows, then follows.
    handDay(false);
}
