// The calendar on a screen with two device pixels per pixel, as on a desktop scaled to 200 %.
#include "calendar/clsCal.h"
#include "platform/PictureBox.h"
#include "support/Testing.h"
#include "windows/calendar/PenImages.h"

#include <algorithm>

using platform::PictureBox;
using platform::RasterOp;

namespace {

// The colours of the device pixels listed as "x,y x,y ..." as letters: W white, S light grey,
// K black, B blue, Y yellow, N the box's grey; ? for any other.
QString colours(const QImage& shot, const QString& at) {
    static const QList<QRgb> known = {0xffffffff, 0xffc0c0c0, 0xff000000,
                                      0xff0000ff, 0xffffff00, 0xff808080};
    QString s;
    for (const QString& p : at.split(u' ')) {
        const QRgb c = shot.pixel(p.section(u',', 0, 0).toInt(), p.section(u',', 1).toInt());
        s += QLatin1Char("?WSKBYN"[known.indexOf(c) + 1]);
    }
    return s;
}

// Whether some 2 x 2 block of device pixels at even positions holds more than one colour: a
// picture drawn at half the resolution and scaled up never has one.
bool finerThanBlocks(const QImage& shot, const QRect& area) {
    for (int y = area.top() & ~1; y < area.bottom(); y += 2)
        for (int x = area.left() & ~1; x < area.right(); x += 2) {
            const QRgb c = shot.pixel(x, y);
            if (shot.pixel(x + 1, y) != c || shot.pixel(x, y + 1) != c ||
                shot.pixel(x + 1, y + 1) != c)
                return true;
        }
    return false;
}

} // namespace

class HiDpiTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void calendarAtTwiceTheResolution() {
        testing::TestEnv env;
        env.clock.set(QDateTime(QDate(1998, 6, 20), QTime(9, 30)));
        platform::installFontSubstitutions();
        // The calendar window's colours in a 420 x 300 box: cells 60 x 45 below a 30 pixel
        // band. June 1998 starts on a Monday, so row 0 is empty; the 20th is selected.
        PictureBox box;
        box.setBackColor(QColor(128, 128, 128));
        box.setOuterSize(420, 300);
        clsCal cal;
        cal.setDayFontSize(15);
        cal.setDayBackColor(QColor(255, 255, 0));
        cal.setDayForeColor(QColor(0, 0, 255));
        cal.start(&box);
        cal.ReWrite();

        // What the screen shows, in device pixels: pixel (x, y) is the block from (2x, 2y).
        const QImage shot = box.grab().toImage();
        QCOMPARE(shot.size(), QSize(840, 600));
        // Column 10: heading band, the line at y 30 (grey 29, black 30, white 31), empty row 0.
        QCOMPARE(colours(shot, u"20,57 20,58 21,59 20,60 21,61 20,62 21,63 20,64"_s), "WSSKKWWN");
        // Row 50 across the line at x 60 in the empty row: grey 59, black 60, white 61.
        QCOMPARE(
            colours(shot, u"117,100 118,100 119,101 120,100 121,101 122,100 123,101 124,100"_s),
            "NSSKKWWN");
        // Day 2 (x 60..120, y 75..120): white bevel at y 76 and x 61, grey at x 119 and y 119,
        // yellow from 62 and 77 to 118.
        QCOMPARE(colours(shot,
                         u"180,151 180,152 181,153 180,154 122,200 123,201 124,200 "
                         u"237,200 238,200 239,201 240,200 180,237 180,238 181,239 180,240"_s),
                 "KWWYWWYYSSKYSSK");
        // The 20th's interior (301..358, 166..208) inverted: its white bevel black, yellow blue;
        // the grey bevel at x 359 left as it is.
        QCOMPARE(
            colours(shot,
                    u"599,400 601,401 602,400 603,401 604,400 716,416 717,417 718,380 719,381"_s),
            "SKKKBBBSS");

        // Headings and numbers drawn at the screen's resolution: their edges cut through the
        // 2 x 2 blocks. Day 2's number, in 15 points (20 pixels), stands about 13 pixels high:
        // 26 device pixels.
        QVERIFY(finerThanBlocks(shot, QRect(0, 0, 840, 56)));
        const QRect day2(124, 154, 113, 83);
        QVERIFY(finerThanBlocks(shot, day2));
        int top = day2.bottom(), bottom = day2.top();
        for (int y = day2.top(); y <= day2.bottom(); ++y)
            for (int x = day2.left(); x <= day2.right(); ++x)
                if (shot.pixel(x, y) == 0xff0000ff) {
                    top = std::min(top, y);
                    bottom = std::max(bottom, y);
                }
        QVERIFY2(bottom - top >= 23 && bottom - top <= 29,
                 qPrintable(QString::number(bottom - top)));

        // The pen mark scaled without smoothing: only the cell's yellow and the pen's own
        // colours, never a blend of them.
        PictureBox pen, mask;
        pen.setOuterSize(11, 11);
        mask.setOuterSize(11, 11);
        pen.blit(0, 0, 11, 11, windows::calendar::penPicture(), 0, 0, RasterOp::SrcCopy);
        mask.blit(0, 0, 11, 11, windows::calendar::penMask(), 0, 0, RasterOp::SrcCopy);
        box.blit(63, 78, 11, 11, mask, 0, 0, RasterOp::SrcErase);
        box.blit(63, 78, 11, 11, pen, 0, 0, RasterOp::SrcInvert);
        const QList<QRgb> penColours = {0xffffff00, 0xff00ff00, 0xff008000,
                                        0xff000000, 0xff808000, 0xffc0c0c0};
        const QImage marked = box.grab().toImage().copy(126, 156, 22, 22);
        for (int y = 0; y < 22; ++y)
            for (int x = 0; x < 22; ++x)
                QVERIFY2(penColours.contains(marked.pixel(x, y)),
                         qPrintable(u"%1,%2"_s.arg(x).arg(y)));
        QCOMPARE(marked.pixel(0, 21), 0xff000000); // the tip
    }
};

ORVANE_TEST_MAIN_AFTER(HiDpiTest, qputenv("QT_SCALE_FACTOR", "2"))
#include "tst_hidpi.moc"
