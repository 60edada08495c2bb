#pragma once

#include "store/export/ExportRange.h"
#include "windows/book/BookPainter.h"

#include <QWidget>

#include <array>
#include <functional>
#include <optional>

class BookPreviewer;
class LongTask;
class QComboBox;
class QDate;
class QLabel;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QScrollArea;
class QSpinBox;
class RangeBox;

// 絵日記の印刷: the days of a range as 絵日記 pages (a picture above, the writing below in
// manuscript squares), previewed, printed or saved as a PDF file.
//
// Open it through windows::showBookPrinter() (windows/WindowLookup.h); there is one at a time.
// Printing and saving run on a thread of their own; closing the window stops them. The window
// deletes itself when it closes.
class frmBook : public QWidget {
    Q_OBJECT
public:
    explicit frmBook(QWidget* parent = nullptr);
    ~frmBook() override;

    // ---- controls ----
    RangeBox* range = nullptr;                  // この日, この月, この年, 期間
    QRadioButton* horizontalOption = nullptr;   // "横書き"
    QRadioButton* verticalOption = nullptr;     // "縦書き"
    std::array<QRadioButton*, 3> paperOption{}; // "A4", "B5", "A5"
    QScrollArea* previewArea = nullptr;         // the page shown
    QLabel* pageImage = nullptr;                // inside previewArea
    QSpinBox* pageBox = nullptr;                // the page shown, from 1
    QLabel* pageCountLabel = nullptr;           // "N ページ"
    QComboBox* zoomBox = nullptr;               // the preview's size: 50% … 200%
    QProgressBar* progressBar = nullptr;        // shown once printing or saving takes a second
    QPushButton* cancelButton = nullptr;        // "中止", with the progress
    QPushButton* printButton = nullptr;         // "印刷..."
    QPushButton* pdfButton = nullptr;           // "PDFに保存..."
    QPushButton* closeButton = nullptr;         // "閉じる"

    // The day この日, この月 and この年 are taken from.
    void setDay(const QDate& day);
    // The writing direction and paper chosen.
    windows::book::BookPageStyle style() const;

    // 印刷...: the printer chooser, then the pages to the printer. True when printing started.
    bool printButton_Click();
    // PDFに保存...: the file chooser, then the pages to the file. True when saving started.
    bool pdfButton_Click();
    bool running() const;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void makeControls();
    void choiceChanged();
    void askPage();
    double previewDotsPerInch() const;
    // The chosen range once the open editor's entry is saved, when it holds an entry; else
    // nothing, and the user was told why.
    std::optional<store::exporting::Range> printableRange();
    // Reads the range's days and paints them on the worker thread: paint gets the days and a
    // progress to tell after each day.
    using Paint = std::function<bool(const QList<windows::book::BookDay>& days,
                                     const std::function<bool(int daysDone)>& progress)>;
    void paintInBackground(const store::exporting::Range& range, Paint paint);

    BookPreviewer* previewer_ = nullptr;
    LongTask* task_ = nullptr;
};
