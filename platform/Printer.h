#pragma once

#include <QString>

#include <memory>

class QPainter;
class QPrinter;

namespace platform {

namespace errnum {
inline constexpr int PrinterFailed = 482; // the printer did not take the document
inline constexpr int NoPrinter = 484;     // the desktop names no default printer
} // namespace errnum

// A printer as a text surface: lines go one below the other from the top of the page, each in
// the font set last, and a line that no longer fits on the page begins the next one. Failures
// raise Error and drop the unfinished document.
class Printer {
public:
    virtual ~Printer() = default;
    // The family as the windows name it ("ＭＳ Ｐ明朝"); the size in points.
    virtual void setFont(const QString& family, double points, bool bold) = 0;
    // Prints the text and moves to the next line. A line break inside the text moves on there,
    // so a text that ends with one leaves an empty line after it.
    virtual void printLine(const QString& text) = 0;
    // Ends the document and hands it to the printer.
    virtual void endDoc() = 0;
};

// The desktop's printer through Qt.
class QtPrinter : public Printer {
public:
    // The default printer, looked up when a document begins; a normal print job through the
    // desktop's print system.
    QtPrinter();
    // A PDF file instead of a printer.
    explicit QtPrinter(QString pdfPath);
    ~QtPrinter() override;

    void setFont(const QString& family, double points, bool bold) override;
    void printLine(const QString& text) override;
    void endDoc() override;

private:
    void begin();
    [[noreturn]] void fail(int number, const QString& description);

    QString pdfPath_;
    QString family_;
    double points_ = 10;
    bool bold_ = false;
    std::unique_ptr<QPrinter> device_;
    std::unique_ptr<QPainter> painter_;
    int y_ = 0; // top of the next line, in device pixels
};

} // namespace platform
