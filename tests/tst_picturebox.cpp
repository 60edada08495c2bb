#include "platform/PictureBox.h"
#include "support/TestEnv.h"

#include <QApplication>
#include <QFontMetrics>
#include <QMouseEvent>
#include <QtTest>

#include <memory>

using platform::PictureBox;
using platform::PictureFont;
using platform::RasterOp;

namespace {

const QColor Grey(128, 128, 128);
const QColor Red(255, 0, 0);

// The smallest rectangle holding every pixel that is not the background colour.
QRect inkBounds(const PictureBox& box, const QColor& background) {
    QRect ink;
    for (int y = 0; y < box.outerHeight(); ++y)
        for (int x = 0; x < box.outerWidth(); ++x)
            if (box.pixel(x, y) != background)
                ink = ink.united(QRect(x, y, 1, 1));
    return ink;
}

// Every colour other than the background that occurs in the image.
QSet<QRgb> inkColours(const PictureBox& box, const QColor& background) {
    QSet<QRgb> colours;
    for (int y = 0; y < box.outerHeight(); ++y)
        for (int x = 0; x < box.outerWidth(); ++x)
            if (box.pixel(x, y) != background)
                colours.insert(box.pixel(x, y).rgb());
    return colours;
}

void sendMove(PictureBox& box, QPointF at) {
    QMouseEvent move(QEvent::MouseMove, at, box.mapToGlobal(at), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QApplication::sendEvent(&box, &move);
}

} // namespace

class PictureBoxTest : public QObject {
    Q_OBJECT

    std::unique_ptr<testing::TestEnv> env;

    std::unique_ptr<PictureBox> makeBox(int width, int height) {
        auto box = std::make_unique<PictureBox>();
        box->setBackColor(Grey);
        box->setOuterSize(width, height);
        box->clear();
        return box;
    }

private Q_SLOTS:
    void init() { env = std::make_unique<testing::TestEnv>(); }
    void cleanup() {
        ORVANE_VERIFY_ENV(*env);
        env.reset();
    }

    void linesAndRectanglesIncludeBothEnds() {
        auto box = makeBox(40, 30);
        QCOMPARE(box->image().format(), QImage::Format_RGB32);
        QCOMPARE(box->image().size(), QSize(40, 30));
        QCOMPARE(box->clearCount(), 1);
        QCOMPARE(box->pixel(39, 29), Grey);

        box->line(2, 3, 10, 3, Red);
        QCOMPARE(box->pixel(1, 3), Grey);
        for (int x = 2; x <= 10; ++x)
            QCOMPARE(box->pixel(x, 3), Red);
        QCOMPARE(box->pixel(11, 3), Grey);

        // Drawn backwards and vertically: still every pixel from end to end.
        box->line(20, 12, 20, 5, Qt::white);
        QCOMPARE(box->pixel(20, 4), Grey);
        for (int y = 5; y <= 12; ++y)
            QCOMPARE(box->pixel(20, y), QColor(Qt::white));
        QCOMPARE(box->pixel(20, 13), Grey);

        box->line(0, 20, 4, 24, Qt::black);
        for (int i = 0; i <= 4; ++i)
            QCOMPARE(box->pixel(i, 20 + i), QColor(Qt::black));
        QCOMPARE(box->pixel(5, 25), Grey);

        // Lines running off the image are cut, not wrapped or refused.
        box->line(-5, 28, 100, 28, Red);
        QCOMPARE(box->pixel(0, 28), Red);
        QCOMPARE(box->pixel(39, 28), Red);
        QCOMPARE(box->pixel(39, 27), Grey);

        // A filled rectangle between corners given in any order, both corners inclusive.
        box->fillRect(30, 10, 25, 6, QColor(255, 255, 0));
        QCOMPARE(box->pixel(25, 6), QColor(255, 255, 0));
        QCOMPARE(box->pixel(30, 10), QColor(255, 255, 0));
        QCOMPARE(box->pixel(24, 6), Grey);
        QCOMPARE(box->pixel(31, 10), Grey);
        QCOMPARE(box->pixel(30, 11), Grey);

        // Clearing paints the background over everything and is counted.
        box->setBackColor(QColor(1, 2, 3));
        QCOMPARE(box->pixel(0, 0), Grey); // a new colour alone changes nothing drawn
        box->clear();
        QCOMPARE(box->clearCount(), 2);
        QCOMPARE(inkBounds(*box, QColor(1, 2, 3)), QRect());
        QVERIFY(!box->pixel(40, 0).isValid());
    }

    void inversionComplementsEveryPixel() {
        auto box = makeBox(20, 20);
        box->fillRect(0, 0, 9, 19, QColor(255, 255, 0));
        box->line(3, 0, 3, 19, QColor(12, 200, 77));
        const QImage before = box->image().copy();

        box->invert(2, 1, 5, 4); // x 2..6, y 1..4
        QCOMPARE(box->invertCount(), 1);
        QCOMPARE(box->pixel(2, 1), QColor(0, 0, 255));
        QCOMPARE(box->pixel(3, 2), QColor(243, 55, 178));
        QCOMPARE(box->pixel(6, 4), QColor(0, 0, 255));
        QCOMPARE(box->pixel(7, 4), QColor(255, 255, 0));
        QCOMPARE(box->pixel(6, 5), QColor(255, 255, 0));
        QCOMPARE(box->pixel(1, 1), QColor(255, 255, 0));

        box->invert(2, 1, 5, 4);
        QCOMPARE(box->image(), before);

        // Partly outside: the part inside is inverted, nothing breaks.
        box->invert(15, 15, 50, 50);
        QCOMPARE(box->pixel(19, 19), QColor(127, 127, 127));
        QCOMPARE(box->pixel(14, 19), Grey);
        QCOMPARE(box->invertCount(), 3);
    }

    void blockTransferRasterOps() {
        // Every pair of the channel values 0x00, 0x0f, 0x5a, 0xa5, 0xf0, 0xff.
        const QList<int> values{0x00, 0x0f, 0x5a, 0xa5, 0xf0, 0xff};
        const int n = int(values.size());
        QImage source(n, n, QImage::Format_RGB32);
        for (int y = 0; y < n; ++y)
            for (int x = 0; x < n; ++x)
                source.setPixel(x, y, qRgb(values[x], values[y], values[(x + y) % n]));
        auto destImage = [&](int y, int x) {
            return qRgb(values[y], values[(x + 2) % n], values[x]);
        };

        for (RasterOp op : {RasterOp::SrcCopy, RasterOp::SrcErase, RasterOp::SrcInvert}) {
            auto box = makeBox(n + 4, n + 4);
            for (int y = 0; y < n; ++y)
                for (int x = 0; x < n; ++x)
                    box->fillRect(x + 2, y + 1, x + 2, y + 1, QColor(destImage(y, x)));
            box->blit(2, 1, n, n, source, 0, 0, op);
            for (int y = 0; y < n; ++y) {
                for (int x = 0; x < n; ++x) {
                    const QRgb s = source.pixel(x, y) & 0xffffff;
                    const QRgb d = destImage(y, x) & 0xffffff;
                    QRgb expected = s;
                    if (op == RasterOp::SrcErase)
                        expected = s & ~d & 0xffffff;
                    else if (op == RasterOp::SrcInvert)
                        expected = s ^ d;
                    QCOMPARE(box->pixel(x + 2, y + 1).rgb() & 0xffffff, expected);
                }
            }
            QCOMPARE(box->pixel(1, 1), Grey);
            QCOMPARE(box->pixel(2, 0), Grey);
        }
    }

    void maskAndPictureLeaveTheBackgroundAround() {
        // A mark drawn as the mask with SRCERASE and the picture with SRCINVERT shows the picture
        // where the mask is black and leaves the old pixels where it is white.
        auto mask = makeBox(3, 1);
        mask->fillRect(0, 0, 2, 0, Qt::white);
        mask->fillRect(1, 0, 1, 0, Qt::black);
        auto pen = makeBox(3, 1);
        pen->fillRect(0, 0, 2, 0, Qt::white);
        pen->fillRect(1, 0, 1, 0, QColor(0, 128, 0));

        auto target = makeBox(10, 4);
        target->fillRect(0, 0, 9, 3, QColor(255, 255, 0));
        target->fillRect(5, 0, 9, 3, QColor(30, 60, 90));
        target->blit(4, 2, 3, 1, *mask, 0, 0, RasterOp::SrcErase);
        target->blit(4, 2, 3, 1, *pen, 0, 0, RasterOp::SrcInvert);
        QCOMPARE(target->pixel(4, 2), QColor(255, 255, 0));
        QCOMPARE(target->pixel(5, 2), QColor(0, 128, 0));
        QCOMPARE(target->pixel(6, 2), QColor(30, 60, 90));

        // A transfer hanging over the edges copies what both sides have.
        target->blit(8, -1, 3, 3, *pen, 0, 0, RasterOp::SrcCopy);
        QCOMPARE(target->pixel(8, 0), QColor(30, 60, 90));
        target->blit(8, 0, 3, 1, *pen, 0, 0, RasterOp::SrcCopy);
        QCOMPARE(target->pixel(8, 0), QColor(Qt::white));
        QCOMPARE(target->pixel(9, 0), QColor(0, 128, 0));
    }

    void textSitsBelowAndRightOfItsPosition() {
        QFont::insertSubstitution(QStringLiteral("Times New Roman"),
                                  QStringLiteral("Liberation Serif"));
        const PictureFont font{QStringLiteral("Times New Roman"), 15, true};
        auto box = makeBox(80, 50);
        box->text(10, 8, QStringLiteral("H"), font, Qt::blue);
        const QRect ink = inkBounds(*box, Grey);
        QVERIFY(!ink.isEmpty());
        // Only the exact text colour: no smoothing at the edges.
        QCOMPARE(inkColours(*box, Grey), QSet<QRgb>{QColor(Qt::blue).rgb()});
        // The position is the top-left corner of the line box: a capital stands on the baseline,
        // one ascent below the position, and starts at or right of the position.
        const int ascent =
            QFontMetrics(QFont(QStringLiteral("Liberation Serif"), 15), &box->image()).ascent();
        QVERIFY2(ascent >= 18 && ascent <= 22, qPrintable(QString::number(ascent)));
        QCOMPARE(ink.bottom(), 8 + ascent - 1);
        QVERIFY(ink.top() > 8);
        QVERIFY(ink.left() >= 10 && ink.left() <= 12);

        // Moving the position moves the text by exactly as much.
        box->clear();
        box->text(17, 11, QStringLiteral("H"), font, Qt::blue);
        QCOMPARE(inkBounds(*box, Grey), ink.translated(7, 3));

        // Point sizes map to pixels at 96 dots per inch whatever the screen says.
        QCOMPARE(box->image().dotsPerMeterX(), 3780);
        QCOMPARE(box->image().dotsPerMeterY(), 3780);
        QVERIFY(box->textWidth(QStringLiteral(" 15"), font) > box->textWidth("15", font));
    }

    void resizingIsImmediateAndKeepsTheDrawing() {
        auto box = makeBox(30, 20);
        QVERIFY(!box->isVisible());
        box->fillRect(0, 0, 29, 19, Red);
        QList<QSize> seen;
        connect(box.get(), &PictureBox::resized, this,
                [&] { seen << QSize(box->outerWidth(), box->outerHeight()); });

        box->setOuterSize(40, 10);
        QCOMPARE(seen, QList<QSize>{QSize(40, 10)});
        QCOMPARE(box->image().size(), QSize(40, 10));
        QCOMPARE(box->pixel(29, 9), Red);
        QCOMPARE(box->pixel(30, 9), Grey);

        box->setOuterWidth(40); // no change, no event
        QCOMPARE(seen.size(), 1);
        box->setOuterHeight(25);
        QCOMPARE(seen.last(), QSize(40, 25));
        QCOMPARE(box->pixel(0, 9), Red);
        QCOMPARE(box->pixel(0, 10), Grey); // cut off by the shrink, refilled by the growth

        // An owner that enforces a minimum inside the handler gets the nested event at once.
        connect(box.get(), &PictureBox::resized, this, [&] {
            if (box->outerWidth() < 35)
                box->setOuterWidth(35);
        });
        seen.clear();
        box->setOuterWidth(20);
        QCOMPARE(box->outerWidth(), 35);
        QCOMPARE(box->image().width(), 35);
        QCOMPARE(seen, (QList<QSize>{QSize(20, 25), QSize(35, 25)}));

        // Showing the box later raises nothing more: the size was already delivered.
        seen.clear();
        box->show();
        QVERIFY(QTest::qWaitForWindowExposed(box.get()));
        QCOMPARE(seen.size(), 0);
        const int refreshes = box->refreshCount();
        box->refresh();
        QCOMPARE(box->refreshCount(), refreshes + 1);
    }

    void pressClickAndDoubleClickOrder() {
        auto box = makeBox(60, 40);
        box->show();
        QVERIFY(QTest::qWaitForWindowExposed(box.get()));
        QStringList events;
        connect(
            box.get(), &PictureBox::buttonDown, this,
            [&](Qt::MouseButton b, Qt::KeyboardModifiers m, double x, double y) {
                events << QStringLiteral("down %1 %2 %3,%4").arg(int(b)).arg(int(m)).arg(x).arg(y);
            });
        connect(box.get(), &PictureBox::pointerMove, this,
                [&](Qt::MouseButtons, Qt::KeyboardModifiers, double x, double y) {
                    events << QStringLiteral("move %1,%2").arg(x).arg(y);
                });
        connect(box.get(), &PictureBox::clicked, this, [&] { events << QStringLiteral("click"); });
        connect(box.get(), &PictureBox::doubleClicked, this,
                [&] { events << QStringLiteral("dblclick"); });

        sendMove(*box, QPointF(12.5, 7.25));
        QCOMPARE(events, QStringList{"move 12.5,7.25"});

        // A double-click as Qt delivers it: press, release, double-click press, release.
        events.clear();
        QTest::mouseClick(box.get(), Qt::LeftButton, Qt::ShiftModifier, QPoint(7, 9));
        QTest::mouseDClick(box.get(), Qt::LeftButton, Qt::NoModifier, QPoint(7, 9));
        QTest::mouseRelease(box.get(), Qt::LeftButton, Qt::NoModifier, QPoint(7, 9));
        QCOMPARE(events, (QStringList{QStringLiteral("down %1 %2 7,9")
                                          .arg(int(Qt::LeftButton))
                                          .arg(int(Qt::ShiftModifier)),
                                      "click", "dblclick"}));

        // The right button selects but neither clicks nor double-clicks.
        events.clear();
        QTest::mouseClick(box.get(), Qt::RightButton, Qt::NoModifier, QPoint(3, 4));
        QCOMPARE(events, QStringList{QStringLiteral("down %1 0 3,4").arg(int(Qt::RightButton))});

        // A press released outside the box is no click; a double-click that follows it is an
        // ordinary press, so no double-click ever comes without a click before it.
        events.clear();
        QTest::mousePress(box.get(), Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
        QTest::mouseRelease(box.get(), Qt::LeftButton, Qt::NoModifier, QPoint(90, 5));
        QTest::mouseDClick(box.get(), Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
        QTest::mouseRelease(box.get(), Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
        const QString down = QStringLiteral("down %1 0 5,5").arg(int(Qt::LeftButton));
        QCOMPARE(events, (QStringList{down, down, "click"}));
    }

    void ownToolTip() {
        auto box = makeBox(10, 10);
        QCOMPARE(box->toolTipText(), QString());
        box->setToolTipText(QStringLiteral("運動会"));
        QCOMPARE(box->toolTipText(), QStringLiteral("運動会"));
        QCOMPARE(box->toolTip(), QStringLiteral("運動会"));
    }
};

ORVANE_TEST_MAIN(PictureBoxTest)
#include "tst_picturebox.moc"
