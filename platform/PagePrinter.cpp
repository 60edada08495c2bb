#include "platform/PagePrinter.h"

#include "platform/Error.h"
#include "platform/Printer.h"

#include <QPageLayout>
#include <QPainter>
#include <QPrinter>

namespace platform {

PageJob::PageJob(std::unique_ptr<QPrinter> printer) : printer_(std::move(printer)) {}

PageJob::~PageJob() = default;

bool PageJob::print(const std::function<bool(QPainter&, QPagedPaintDevice&)>& paint) {
    QPainter painter;
    if (!painter.begin(printer_.get()))
        throw Error(errnum::PrinterFailed, QStringLiteral("プリンタに出力できません。"));
    bool painted = false;
    try {
        painted = paint(painter, *printer_);
    } catch (...) {
        printer_->abort();
        painter.end();
        throw;
    }
    if (!painted) {
        // Nothing half printed: the job is dropped before it reaches the printer.
        printer_->abort();
        painter.end();
        return false;
    }
    if (!painter.end())
        throw Error(errnum::PrinterFailed, QStringLiteral("プリンタに出力できません。"));
    return true;
}

std::unique_ptr<QPrinter> makePrinter(const PrintRequest& request) {
    // A printer made without naming one is the desktop's default printer.
    auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    printer->setDocName(request.documentName);
    printer->setFullPage(true);
    printer->setPageLayout(QPageLayout(request.paper, QPageLayout::Portrait, QMarginsF()));
    return printer;
}

std::unique_ptr<PageJob> pdfPageJob(const QString& path, const PrintRequest& request) {
    auto printer = makePrinter(request);
    printer->setOutputFormat(QPrinter::PdfFormat);
    printer->setOutputFileName(path);
    return std::make_unique<PageJob>(std::move(printer));
}

} // namespace platform
