#pragma once

#include <QDate>
#include <QWidget>

#include <array>

class QPushButton;
class QTableWidget;

// The year notebook: the entries of one year with their remarks, a day opened in the editor
// from the list, and the list printed.
//
// Open it through windows::showNotebook() (windows/WindowLookup.h), which runs the load handler.
// The window deletes itself when it closes.
class frmBar : public QWidget {
    Q_OBJECT
public:
    explicit frmBar(QWidget* parent = nullptr);

    // ---- controls ----
    // The list: its header is the fixed row, so the table's row 0 is the first entry. Column 0
    // holds the date ("yy/m/dd(aaa)", the day itself in rowDate), column 1 the remark.
    QTableWidget* Grid1 = nullptr;
    // 0 "<<前年", 1 "翌年>>", 2 "印刷", 3 "戻る".
    std::array<QPushButton*, 4> Command1{};

    qint16 noteYear = 0; // the listed year

    // The load handler: the year of WorkDate, the place of the last closing in this run, the
    // list.
    void Form_Load();
    // Puts the window where it was last closed in this run; a stored top of 0 leaves it.
    void setBarPos();
    // Lists noteYear's entries. A failure is reported; the rows listed before it stay.
    void barShow();
    // Prints the listed entries, then says so; a failure is reported instead.
    void barPrint();

    void Command1_Click(int Index);
    // Opens the day of the row with the current cell in the editor and closes the notebook.
    void Grid1_DblClick();
    // Grid and buttons follow the window's size.
    void Form_Resize();

    // The entry day of a list row.
    QDate rowDate(int row) const;

protected:
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void makeControls();
    void setRow(int row, const QDate& day, const QString& dayText, const QString& memo);
    // The listed year's entries into JournalRs; a missing journal table is created first.
    void openYearEntries();
    void stepYear(int years);
    // "戻る" and the close box: the calendar window, then the place kept for the next opening.
    void backToCalendar();
    // Keeps the window's place for the next opening in this run.
    void storeLayout();
    // Closes the window the way code does it: the close box handler does not run.
    void unload();

    bool unloading_ = false;
};
