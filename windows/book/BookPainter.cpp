#include "windows/book/BookPainter.h"

#include "platform/Dates.h"
#include "platform/Error.h"
#include "platform/Printer.h"
#include "platform/System.h"
#include "windows/book/BookCharacters.h"
#include "windows/book/BookGeometry.h"

#include <QPagedPaintDevice>
#include <QPainter>

namespace windows::book {
namespace {

const QColor GridColor(176, 96, 80); // the reddish brown of manuscript paper
const QColor InkColor(Qt::black);

// A font whose letters are pixels high on the device.
QFont fontOfHeight(const QString& family, double pixels, bool bold = false) {
    QFont font = platform::namedFont(family, 10, bold);
    font.setPixelSize(std::max(1, qRound(pixels)));
    return font;
}

void paintHeader(QPainter& painter, const QRectF& box, const BookDay& day) {
    // The date's text comes from the same formatter as every other date of the program.
    const QString date = platform::dates::format(day.date, QStringLiteral("yyyy年m月d日 (aaa)"));
    painter.setPen(InkColor);
    painter.setFont(fontOfHeight(QStringLiteral("ＭＳ Ｐ明朝"), box.height() * 0.42));
    QRectF used;
    painter.drawText(box, Qt::AlignLeft | Qt::AlignVCenter, date, &used);
    const QRectF title(used.right() + box.height() * 0.8, box.top(),
                       box.right() - used.right() - box.height() * 0.8, box.height());
    const QFont titleFont = fontOfHeight(QStringLiteral("ＭＳ Ｐ明朝"), box.height() * 0.5, true);
    painter.setFont(titleFont);
    const QString remark = QFontMetricsF(titleFont, painter.device())
                               .elidedText(day.remark, Qt::ElideRight, title.width());
    painter.drawText(title, Qt::AlignLeft | Qt::AlignVCenter, remark);
}

void paintPicture(QPainter& painter, const QRectF& frame, const QImage& picture, double mm) {
    painter.setPen(QPen(GridColor, 0.3 * mm));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(frame);
    if (picture.isNull())
        return;
    const QRectF inside = frame.adjusted(2 * mm, 2 * mm, -2 * mm, -2 * mm);
    const QSizeF size = QSizeF(picture.size()).scaled(inside.size(), Qt::KeepAspectRatio);
    QRectF target(QPointF(), size);
    target.moveCenter(inside.center());
    // The whole image into the rectangle: a PDF or a printer receives every pixel of it.
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(target, picture);
}

void paintSquares(QPainter& painter, const PageGeometry& geometry, double mm) {
    const double s = geometry.square() * mm;
    painter.setPen(QPen(GridColor, 0.15 * mm));
    for (const QRectF& tier : geometry.tiers()) {
        const QRectF box(tier.topLeft() * mm, tier.size() * mm);
        const int columns = qRound(box.width() / s);
        const int rows = qRound(box.height() / s);
        for (int x = 0; x <= columns; ++x)
            painter.drawLine(QPointF(box.left() + x * s, box.top()),
                             QPointF(box.left() + x * s, box.bottom()));
        for (int y = 0; y <= rows; ++y)
            painter.drawLine(QPointF(box.left(), box.top() + y * s),
                             QPointF(box.right(), box.top() + y * s));
    }
}

void paintCell(QPainter& painter, const Cell& cell, QRectF square, Direction direction, double em) {
    // A mark hanging below a 縦書き row is set as it would be inside the row.
    VerticalForm form = VerticalForm::Upright;
    switch (cell.kind) {
    case Cell::Kind::Rotated:
        form = VerticalForm::Rotated;
        break;
    case Cell::Kind::OffsetPunct:
        form = VerticalForm::OffsetPunct;
        break;
    case Cell::Kind::OffsetSmall:
        form = VerticalForm::OffsetSmall;
        break;
    case Cell::Kind::Hanging:
        if (direction == Direction::Vertical)
            form = verticalForm(cell.text);
        break;
    case Cell::Kind::Normal:
        break;
    }
    switch (form) {
    case VerticalForm::Rotated:
        painter.save();
        painter.translate(square.center());
        painter.rotate(90);
        painter.drawText(
            QRectF(-square.width() / 2, -square.height() / 2, square.width(), square.height()),
            Qt::AlignCenter, cell.text);
        painter.restore();
        return;
    case VerticalForm::OffsetPunct:
        square.translate(0.55 * em, -0.55 * em);
        break;
    case VerticalForm::OffsetSmall:
        square.translate(0.12 * em, -0.1 * em);
        break;
    case VerticalForm::Upright:
        break;
    }
    painter.drawText(square, Qt::AlignCenter, cell.text);
}

} // namespace

void paintBookPage(QPainter& painter, const BookDay& day, const Page& cells, int pageOfDay,
                   int pageNumber, const QImage& picture, const BookPageStyle& style) {
    const double mm = painter.device()->logicalDpiX() / 25.4;
    const PageGeometry geometry(style.paper, style.direction, pageOfDay == 0);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    if (pageOfDay == 0) {
        const QRectF header = geometry.header();
        paintHeader(painter, QRectF(header.topLeft() * mm, header.size() * mm), day);
        const QRectF frame = geometry.picture();
        paintPicture(painter, QRectF(frame.topLeft() * mm, frame.size() * mm), picture, mm);
    }
    paintSquares(painter, geometry, mm);

    const double em = geometry.square() * mm * 0.78;
    painter.setPen(InkColor);
    painter.setFont(fontOfHeight(QStringLiteral("IPAMincho"), em));
    for (const Cell& cell : cells) {
        const QRectF square = geometry.square(cell);
        paintCell(painter, cell, QRectF(square.topLeft() * mm, square.size() * mm), style.direction,
                  em);
    }

    const QRectF footer = geometry.footer();
    painter.setFont(fontOfHeight(QStringLiteral("ＭＳ Ｐ明朝"), footer.height() * 0.4 * mm));
    painter.drawText(QRectF(footer.topLeft() * mm, footer.size() * mm), Qt::AlignCenter,
                     QString::number(pageNumber));
    painter.restore();
}

int paintBookDay(QPainter& painter, QPagedPaintDevice& device, const BookDay& day,
                 const QImage& picture, int firstPageNumber, const BookPageStyle& style) {
    const QList<Page> pages = layoutText(day.text, style.direction, style.paper);
    for (int page = 0; page < pages.size(); ++page) {
        if (page > 0 && !device.newPage())
            throw platform::Error(platform::errnum::PrinterFailed,
                                  QStringLiteral("プリンタに出力できません。"));
        paintBookPage(painter, day, pages[page], page, firstPageNumber + page, picture, style);
    }
    return static_cast<int>(pages.size());
}

} // namespace windows::book
