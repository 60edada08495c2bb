#pragma once

#include <QPageSize>
#include <QString>

#include <functional>
#include <memory>

class QPainter;
class QPagedPaintDevice;
class QPrinter;

namespace platform {

// A document of whole pages on the printer the user chose, in full-page mode: the painter's
// origin is the paper's top left corner and the device's resolution tells the millimetres.
class PageJob {
public:
    explicit PageJob(std::unique_ptr<QPrinter> printer);
    ~PageJob();
    PageJob(const PageJob&) = delete;
    PageJob& operator=(const PageJob&) = delete;

    // Paints the document and hands it to the printer; may run on any thread, once. When paint
    // answers false nothing is printed and print returns false. Failures raise Error.
    bool print(const std::function<bool(QPainter&, QPagedPaintDevice&)>& paint);

private:
    std::unique_ptr<QPrinter> printer_;
};

// What a printer is chosen for.
struct PrintRequest {
    QString documentName;
    QPageSize paper;
};

// A printer set up as the request asks, the desktop's default one preselected.
std::unique_ptr<QPrinter> makePrinter(const PrintRequest& request);

// The same document written to a PDF file by the printer's own engine instead of a printer.
std::unique_ptr<PageJob> pdfPageJob(const QString& path, const PrintRequest& request);

} // namespace platform
