#include "platform/PictureBox.h"
#include "platform/System.h"
#include "support/TestEnv.h"

#include <QApplication>
#include <QFontMetrics>
#include <QMouseEvent>
#include <QtTest>

#include <memory>

using platform::PictureBox;
using platform::RasterOp;

namespace {

const QColor Grey(128, 128, 128), Red(255, 0, 0), Yellow(255, 255, 0);

// The smallest rectangle holding every pixel that is not grey; empty when any of them has
// another colour than the ink.
QRect inkBounds(const PictureBox& box, const QColor& ink) {
    QRect bounds;
    for (int y = 0; y < box.outerHeight(); ++y)
        for (int x = 0; x < box.outerWidth(); ++x)
            if (box.pixel(x, y) != Grey) {
                if (box.pixel(x, y) != ink)
                    return {};
                bounds |= QRect(x, y, 1, 1);
            }
    return bounds;
}

} // namespace

class PictureBoxTest : public QObject {
    Q_OBJECT

    std::unique_ptr<testing::TestEnv> env;
    std::unique_ptr<PictureBox> box; // 40 x 30, cleared to grey

private Q_SLOTS:
    void init() {
        env = std::make_unique<testing::TestEnv>();
        box = std::make_unique<PictureBox>();
        box->setBackColor(Grey);
        box->setOuterSize(40, 30);
        box->clear();
    }
    void cleanup() {
        box.reset();
        ORVANE_VERIFY_ENV(*env);
        env.reset();
    }

    void drawingPrimitives() {
        // Lines include both ends in any direction and are cut at the edges; a filled rectangle
        // takes its corners in any order, both included.
        box->line(2, 3, 10, 3, Red);
        box->line(20, 12, 20, 5, Red);
        box->line(0, 20, 4, 24, Red);
        box->line(-5, 28, 100, 28, Red);
        box->fillRect(30, 10, 25, 6, Yellow);
        QImage expected(40, 30, QImage::Format_RGB32);
        expected.fill(Grey);
        for (const QRect& r :
             {QRect(2, 3, 9, 1), QRect(20, 5, 1, 8), QRect(0, 28, 40, 1), QRect(25, 6, 6, 5)})
            for (int y = r.top(); y <= r.bottom(); ++y)
                for (int x = r.left(); x <= r.right(); ++x)
                    expected.setPixelColor(x, y, r.width() == 6 ? Yellow : Red);
        for (int i = 0; i <= 4; ++i)
            expected.setPixelColor(i, 20 + i, Red);
        QCOMPARE(box->image(), expected);

        // Inversion complements every pixel of the rectangle, also one partly outside.
        box->invert(2, 1, 5, 4);
        box->invert(15, 15, 50, 50);
        for (const QRect& r : {QRect(2, 1, 5, 4), QRect(15, 15, 25, 15)})
            for (int y = r.top(); y <= r.bottom(); ++y)
                for (int x = r.left(); x <= r.right(); ++x)
                    expected.setPixel(x, y, expected.pixel(x, y) ^ 0xffffff);
        QCOMPARE(box->image(), expected);
        QCOMPARE(box->invertCount(), 2);

        // Every pair of the channel values 0x00, 0x0f, 0x5a, 0xa5, 0xf0, 0xff.
        const int v[] = {0x00, 0x0f, 0x5a, 0xa5, 0xf0, 0xff};
        QImage source(6, 6, QImage::Format_RGB32), dest(6, 6, QImage::Format_RGB32);
        for (int y = 0; y < 6; ++y)
            for (int x = 0; x < 6; ++x) {
                source.setPixel(x, y, qRgb(v[x], v[y], v[(x + y) % 6]));
                dest.setPixel(x, y, qRgb(v[y], v[(x + 2) % 6], v[x]));
            }
        for (RasterOp op : {RasterOp::SrcCopy, RasterOp::SrcErase, RasterOp::SrcInvert}) {
            box->blit(2, 1, 6, 6, dest, 0, 0, RasterOp::SrcCopy);
            box->blit(2, 1, 6, 6, source, 0, 0, op);
            for (int y = 0; y < 6; ++y)
                for (int x = 0; x < 6; ++x) {
                    const QRgb s = source.pixel(x, y) & 0xffffff, d = dest.pixel(x, y) & 0xffffff;
                    const QRgb expected = op == RasterOp::SrcCopy    ? s
                                          : op == RasterOp::SrcErase ? s & ~d & 0xffffff
                                                                     : s ^ d;
                    QCOMPARE(box->pixel(x + 2, y + 1).rgb() & 0xffffff, expected);
                }
            QCOMPARE(box->pixel(1, 1), Grey);
            QCOMPARE(box->pixel(2, 0), Grey);
        }

        // Hanging over the edges: only what both sides have is combined.
        box->blit(-1, -1, 3, 3, source, 0, 0, RasterOp::SrcCopy);
        box->blit(37, 27, 6, 6, source, 0, 0, RasterOp::SrcCopy);
        QCOMPARE(box->pixel(0, 0).rgb(), source.pixel(1, 1));
        QCOMPARE(box->pixel(39, 29).rgb(), source.pixel(2, 2));

        // A new background colour changes nothing drawn until the next clear.
        const QImage drawn = box->image().copy();
        box->setBackColor(QColor(1, 2, 3));
        QCOMPARE(box->image(), drawn);
        box->clear();
        QCOMPARE(box->clearCount(), 2);
        QCOMPARE(box->pixel(39, 29), QColor(1, 2, 3));
        QVERIFY(!box->pixel(40, 0).isValid());
    }

    void textSitsBelowAndRightOfItsPosition() {
        platform::installFontSubstitutions();
        const platform::PictureFont font{QStringLiteral("Times New Roman"), 15, true};
        box->setOuterSize(80, 50);
        box->text(10, 8, QStringLiteral("H"), font, Qt::blue);
        // Only the exact text colour, no smoothing at the edges. The position is the top-left
        // corner of the line box: a capital stands on the baseline one ascent below it.
        const QRect ink = inkBounds(*box, Qt::blue);
        QVERIFY(!ink.isEmpty());
        const int ascent =
            QFontMetrics(QFont(QStringLiteral("Liberation Serif"), 15), &box->image()).ascent();
        QVERIFY2(ascent >= 18 && ascent <= 22, qPrintable(QString::number(ascent)));
        QCOMPARE(ink.bottom(), 8 + ascent - 1);
        QVERIFY(ink.top() > 8);
        QVERIFY(ink.left() >= 10 && ink.left() <= 12);
        // Moving the position moves the text by exactly as much.
        box->clear();
        box->text(17, 11, QStringLiteral("H"), font, Qt::blue);
        QCOMPARE(inkBounds(*box, Qt::blue), ink.translated(7, 3));
        // Point sizes map to pixels at 96 dots per inch whatever the screen says.
        QCOMPARE(box->image().dotsPerMeterX(), 3780);
    }

    void resizeAndPointerEvents() {
        QVERIFY(!box->isVisible());
        box->fillRect(0, 0, 39, 29, Red);
        QList<QSize> seen;
        connect(box.get(), &PictureBox::resized, this,
                [&] { seen << QSize(box->outerWidth(), box->outerHeight()); });
        box->setOuterSize(50, 10);
        box->setOuterWidth(50); // no change, no event
        box->setOuterHeight(25);
        QCOMPARE(seen, (QList<QSize>{QSize(50, 10), QSize(50, 25)}));
        QCOMPARE(box->image().size(), QSize(50, 25));
        // Cut off by the shrink, refilled with the background by the growth.
        QCOMPARE(box->pixel(39, 9), Red);
        QCOMPARE(box->pixel(40, 9), Grey);
        QCOMPARE(box->pixel(0, 10), Grey);

        // Showing the box later raises nothing more: the size was already delivered.
        seen.clear();
        box->show();
        QVERIFY(QTest::qWaitForWindowExposed(box.get()));
        QVERIFY(seen.isEmpty());

        // Pointer events in the order the owner relies on.
        QStringList events;
        connect(box.get(), &PictureBox::buttonDown, this,
                [&](Qt::MouseButton b, Qt::KeyboardModifiers m, double x, double y) {
                    events << QStringLiteral("%1%2 %3,%4")
                                  .arg(b == Qt::LeftButton ? "left" : "right")
                                  .arg(m == Qt::ShiftModifier ? "+shift" : "")
                                  .arg(x)
                                  .arg(y);
                });
        connect(box.get(), &PictureBox::pointerMove, this,
                [&](Qt::MouseButtons, Qt::KeyboardModifiers, double x, double y) {
                    events << QStringLiteral("move %1,%2").arg(x).arg(y);
                });
        connect(box.get(), &PictureBox::clicked, this, [&] { events << "click"; });
        connect(box.get(), &PictureBox::doubleClicked, this, [&] { events << "dblclick"; });
        QMouseEvent move(QEvent::MouseMove, QPointF(12.5, 7.25),
                         box->mapToGlobal(QPointF(12.5, 7.25)), Qt::NoButton, Qt::NoButton,
                         Qt::NoModifier);
        QApplication::sendEvent(box.get(), &move);
        // A double-click as Qt delivers it: press, release, double-click press, release.
        QTest::mouseClick(box.get(), Qt::LeftButton, Qt::ShiftModifier, QPoint(7, 9));
        QTest::mouseDClick(box.get(), Qt::LeftButton, Qt::NoModifier, QPoint(7, 9));
        QTest::mouseRelease(box.get(), Qt::LeftButton, Qt::NoModifier, QPoint(7, 9));
        // The right button presses but neither clicks nor double-clicks.
        QTest::mouseClick(box.get(), Qt::RightButton, Qt::NoModifier, QPoint(3, 4));
        // A press released outside the box is no click; a double-click that follows it is an
        // ordinary press, so no double-click ever comes without a click before it.
        QTest::mousePress(box.get(), Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
        QTest::mouseRelease(box.get(), Qt::LeftButton, Qt::NoModifier, QPoint(90, 5));
        QTest::mouseDClick(box.get(), Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
        QTest::mouseRelease(box.get(), Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
        QCOMPARE(events, (QStringList{"move 12.5,7.25", "left+shift 7,9", "click", "dblclick",
                                      "right 3,4", "left 5,5", "left 5,5", "click"}));

        // The box's own tool tip is the widget's, which screen readers and the desktop show.
        box->setToolTipText(QStringLiteral("運動会"));
        QCOMPARE(box->toolTip(), QStringLiteral("運動会"));
    }
};

ORVANE_TEST_MAIN(PictureBoxTest)
#include "tst_picturebox.moc"
