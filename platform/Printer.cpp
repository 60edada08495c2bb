#include "platform/Printer.h"

#include "platform/Error.h"
#include "platform/System.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>

namespace platform {

QtPrinter::QtPrinter() = default;

QtPrinter::QtPrinter(QString pdfPath) : pdfPath_(std::move(pdfPath)) {}

QtPrinter::~QtPrinter() {
    // The painter ends before its device goes.
    painter_.reset();
}

void QtPrinter::setFont(const QString& family, double points, bool bold) {
    family_ = family;
    points_ = points;
    bold_ = bold;
}

void QtPrinter::begin() {
    if (painter_)
        return;
    if (pdfPath_.isEmpty()) {
        // Looked up for each document: a printer set up while the program runs is found.
        const QPrinterInfo info = QPrinterInfo::defaultPrinter();
        if (info.isNull())
            throw Error(errnum::NoPrinter, QStringLiteral("プリンタが見つかりません。"));
        device_ = std::make_unique<QPrinter>(info, QPrinter::HighResolution);
    } else {
        device_ = std::make_unique<QPrinter>(QPrinter::HighResolution);
        device_->setOutputFormat(QPrinter::PdfFormat);
        device_->setOutputFileName(pdfPath_);
    }
    device_->setDocName(QStringLiteral("Velmora絵日記"));
    painter_ = std::make_unique<QPainter>();
    if (!painter_->begin(device_.get()))
        fail(errnum::PrinterFailed, QStringLiteral("プリンタに出力できません。"));
    y_ = 0;
}

void QtPrinter::printLine(const QString& text) {
    begin();
    painter_->setFont(namedFont(family_, points_, bold_));
    const QFontMetrics metrics = painter_->fontMetrics();
    const QStringList lines = QString(text)
                                  .replace(QStringLiteral("\r\n"), QStringLiteral("\n"))
                                  .split(QLatin1Char('\n'));
    for (const QString& line : lines) {
        // A line taller than a whole page still goes on a page of its own.
        if (y_ > 0 && y_ + metrics.height() > device_->height()) {
            if (!device_->newPage())
                fail(errnum::PrinterFailed, QStringLiteral("プリンタに出力できません。"));
            y_ = 0;
        }
        painter_->drawText(0, y_ + metrics.ascent(), line);
        y_ += metrics.lineSpacing();
    }
}

void QtPrinter::endDoc() {
    // Nothing printed: no document to send.
    if (!painter_)
        return;
    const bool sent = painter_->end();
    painter_.reset();
    device_.reset();
    if (!sent)
        throw Error(errnum::PrinterFailed, QStringLiteral("プリンタに出力できません。"));
}

void QtPrinter::fail(int number, const QString& description) {
    // The next document starts afresh; the print engine has stopped this one already.
    painter_.reset();
    device_.reset();
    throw Error(number, description);
}

} // namespace platform
