#include "platform/PictureBox.h"
#include "platform/System.h"
#include "support/TestEnv.h" // ORVANE_TEST_MAIN

#include <QBitmap>
#include <QFontMetrics>
#include <QRegion>
#include <QtTest>

using namespace Qt::StringLiterals;
using platform::PictureBox;
using platform::RasterOp;

namespace {

const QColor Grey(128, 128, 128);

// The smallest rectangle holding every pixel that is not grey; empty when any of them has
// another colour than the ink.
QRect inkBounds(const PictureBox& box, const QColor& ink) {
    const QImage& image = box.image();
    if (image.createMaskFromColor(Grey.rgb(), Qt::MaskOutColor) !=
        image.createMaskFromColor(ink.rgb()))
        return {};
    return QRegion(QBitmap::fromImage(image.createMaskFromColor(Grey.rgb()))).boundingRect();
}

} // namespace

class PictureBoxTest : public QObject {
    Q_OBJECT

    std::unique_ptr<PictureBox> box; // 80 x 50, cleared to grey

private Q_SLOTS:
    void init() {
        box = std::make_unique<PictureBox>();
        box->setBackColor(Grey);
        box->setOuterSize(80, 50);
        box->clear();
    }
    void cleanup() { box.reset(); }

    void blockTransfers() {
        // Source 0x33 against destination 0x55 meets every pair of bits: the source, the source
        // AND NOT the destination, the source XOR the destination; nothing outside the block.
        QImage source(6, 6, QImage::Format_RGB32);
        source.fill(qRgb(0x33, 0x55, 0x33));
        const std::pair<RasterOp, QRgb> ops[] = {{RasterOp::SrcCopy, qRgb(0x33, 0x55, 0x33)},
                                                 {RasterOp::SrcErase, qRgb(0x22, 0x44, 0x22)},
                                                 {RasterOp::SrcInvert, qRgb(0x66, 0x66, 0x66)}};
        for (const auto& [op, result] : ops) {
            box->fillRect(0, 0, 79, 49, QColor(0x55, 0x33, 0x55));
            box->blit(2, 1, 6, 6, source, 0, 0, op);
            QCOMPARE(QList<QRgb>({box->pixel(7, 6).rgb(), box->pixel(8, 6).rgb()}),
                     QList<QRgb>({result, qRgb(0x55, 0x33, 0x55)}));
        }
        // Hanging over the edges, from inside the source: only what both sides have counts.
        source.setPixel(3, 3, qRgb(1, 2, 3));
        box->blit(77, 47, 6, 6, source, 1, 1, RasterOp::SrcCopy);
        QCOMPARE(box->pixel(79, 49), QColor(1, 2, 3));
    }

    void linesRectanglesAndText() {
        // Lines include both ends, in either direction; a filled rectangle takes its corners in
        // any order, both included.
        box->line(10, 3, 2, 3, Qt::red);
        QCOMPARE(inkBounds(*box, Qt::red), QRect(2, 3, 9, 1));
        box->clear();
        box->fillRect(30, 10, 25, 6, Qt::yellow);
        QCOMPARE(inkBounds(*box, Qt::yellow), QRect(25, 6, 6, 5));
        box->clear();

        platform::installFontSubstitutions();
        const platform::PictureFont font{u"Times New Roman"_s, 15, true};
        box->text(10, 8, u"H"_s, font, Qt::blue);
        // Only the exact text colour, no smoothing at the edges. The position is the top-left
        // corner of the line box: a capital stands on the baseline one ascent below it, and
        // point sizes map to pixels at 96 dots per inch whatever the screen says.
        const QRect ink = inkBounds(*box, Qt::blue);
        const int ascent = QFontMetrics(QFont(u"Liberation Serif"_s, 15), &box->image()).ascent();
        QVERIFY2(ascent >= 18 && ascent <= 22, qPrintable(QString::number(ascent)));
        QVERIFY(!ink.isEmpty() && ink.top() > 8 && ink.left() >= 10 && ink.left() <= 12);
        QCOMPARE(ink.bottom(), 8 + ascent - 1);
        // Moving the position moves the text by exactly as much.
        box->clear();
        box->text(17, 11, u"H"_s, font, Qt::blue);
        QCOMPARE(inkBounds(*box, Qt::blue), ink.translated(7, 3));
    }

    void pressesClicksAndDoubleClicks() {
        QStringList events;
        connect(box.get(), &PictureBox::buttonDown, this,
                [&](Qt::MouseButton b) { events << u"down%1"_s.arg(int(b)); });
        connect(box.get(), &PictureBox::clicked, this, [&] { events << u"click"_s; });
        connect(box.get(), &PictureBox::doubleClicked, this, [&] { events << u"dblclick"_s; });
        // A double-click as Qt delivers it: press, release, double-click press, release.
        QTest::mouseClick(box.get(), Qt::LeftButton, {}, QPoint(7, 9));
        QTest::mouseDClick(box.get(), Qt::LeftButton, {}, QPoint(7, 9));
        QTest::mouseRelease(box.get(), Qt::LeftButton, {}, QPoint(7, 9));
        // The right button presses but neither clicks nor double-clicks.
        QTest::mouseClick(box.get(), Qt::RightButton, {}, QPoint(3, 4));
        // A press released outside the box is no click; a double-click that follows it is an
        // ordinary press, so no double-click ever comes without a click before it.
        QTest::mousePress(box.get(), Qt::LeftButton, {}, QPoint(5, 5));
        QTest::mouseRelease(box.get(), Qt::LeftButton, {}, QPoint(90, 5));
        QTest::mouseDClick(box.get(), Qt::LeftButton, {}, QPoint(5, 5));
        QTest::mouseRelease(box.get(), Qt::LeftButton, {}, QPoint(5, 5));
        QCOMPARE(events.join(u' '), u"down1 click dblclick down2 down1 down1 click"_s);
    }
};

ORVANE_TEST_MAIN(PictureBoxTest)
#include "tst_picturebox.moc"
