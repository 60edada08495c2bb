#pragma once

#include "store/export/Export.h"

#include <QWidget>

#include <optional>

class LongTask;
class QDate;
class RangeBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;

// 日記の書き出し: the journal, or a day, month, year or period of it, written out as HTML or
// Markdown files with the pictures, for other programs to read.
//
// Open it through windows::showExporter() (windows/WindowLookup.h); there is one at a time. The
// export runs on a thread of its own, so the program's other windows go on working meanwhile;
// closing the window stops it. The window deletes itself when it closes.
class frmExport : public QWidget {
    Q_OBJECT
public:
    explicit frmExport(QWidget* parent = nullptr);
    ~frmExport() override;

    // ---- controls ----
    RangeBox* range = nullptr;              // この日, この月, この年, 期間, 全部
    QRadioButton* htmlOption = nullptr;     // "HTML"
    QRadioButton* markdownOption = nullptr; // "Markdown"
    QLineEdit* destinationBox = nullptr;    // 書き出し先
    QPushButton* browseButton = nullptr;    // "参照..."
    QProgressBar* progressBar = nullptr;    // shown once an export takes over a second
    QPushButton* cancelButton = nullptr;    // "中止", with the progress
    QLabel* reportLabel = nullptr;          // what the last export wrote
    QPushButton* exportButton = nullptr;    // "書き出す"
    QPushButton* closeButton = nullptr;     // "閉じる"

    // The day この日, この月 and この年 are taken from (the calendar's highlighted day).
    void setDay(const QDate& day);

    // 参照...: a folder chosen for 書き出し先.
    void browseButton_Click();
    // 書き出す: checks the choices, asks before replacing a folder that is not an earlier export
    // and starts the export. True when it started.
    bool exportButton_Click();
    // Whether an export is running.
    bool running() const;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void makeControls();
    void finished(const std::optional<store::exporting::Report>& report);

    LongTask* task_ = nullptr;
};
