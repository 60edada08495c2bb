#pragma once

#include "calendar/clsCal.h"
#include "platform/PictureBox.h"

#include <QDateTime>
#include <QMainWindow>

#include <array>
#include <memory>

class QComboBox;
class QLabel;
class QMenu;
class QTimer;
class QAction;

// The title of the calendar window at a moment: "Velmoraカレンダー   yy/mm/dd (aaa)", or plain
// "Velmoraカレンダー" while the window is minimized. Other windows find the calendar by it.
QString calendarTitle(const QDateTime& now, bool minimized = false);

// The program's main window: the month calendar with its year and month selectors, the menus
// that move it, the pen marks of the days that have an entry, and the clock title.
//
// The window deletes itself when it is closed, and the calendar control goes with it; create it
// with new.
class frmCal : public QMainWindow {
    Q_OBJECT
public:
    explicit frmCal(QWidget* parent = nullptr);
    ~frmCal() override;

    // Draws the pen marks, tool tips and tags of the shown month's entries. Queries the journal
    // only when the shown month is not the one marked last (MarkedMonth); set MarkedMonth to 0
    // first to have the marks drawn again. Without an open journal it marks nothing. A failing
    // journal is reported in a message box titled "ファイルの読込みエラー".
    void PenVis();
    // Draws the shown month anew with the marks of the journal open now, after the journal was
    // switched: no mark, tool tip or tag of the one before stays.
    void markAnew();

    // Handlers, each run by the event named after it; tests and other windows may call them.
    void Timer1_Timer(); // the clock title
    void Form_Resize();  // lays the calendar out in the client area and marks it
    void Combo1_Click(int Index);
    void optPrev_Click(int Index);
    void optNext_Click(int Index);
    void oToday_Click();
    void Cal1_Click();
    void Cal1_DblClick();
    void optFile_Click(int Index);
    void opFind_Click();
    void opPrint_Click();
    void opExport_Click();
    void optOpt_Click(int Index);
    void opRestore_Click();
    // Shows the encryption items that fit the open journal.
    void showLockItems();
    void oCal1_ChgDate();
    void oCal1_NewYear();
    void oCal1_NewMonth();

    // Whether the first layout has happened; until then date changes draw no marks.
    bool laidOut() const { return laidOut_; }

    // Controls. Combo1[0] and Label1[0] are the year, [1] the month.
    std::array<QComboBox*, 2> Combo1{};
    std::array<QLabel*, 2> Label1{};
    platform::PictureBox* Cal1 = nullptr;
    platform::PictureBox* Pen1 = nullptr;    // hidden: the pen
    platform::PictureBox* PenMask = nullptr; // hidden: its mask
    QTimer* Timer1 = nullptr;
    std::unique_ptr<clsCal> oCal1;

    // Menus; an item's place in its array is its index. optOpt has no item 2.
    QMenu* oFile = nullptr;
    QMenu* oPrev = nullptr;
    QAction* oToday = nullptr;
    QMenu* oNext = nullptr;
    QMenu* oOpt = nullptr;
    std::array<QAction*, 3> optFile{};
    QAction* opFind = nullptr; // "日記を検索(&S)" in oFile, after 選択を削除; not part of optFile
    // "絵日記を印刷(&P)..." in oFile, after 日記を検索; not part of optFile.
    QAction* opPrint = nullptr;
    // "日記を書き出す(&X)..." in oFile, after 絵日記を印刷 and before 終了; not part of optFile.
    QAction* opExport = nullptr;
    std::array<QAction*, 3> optPrev{};
    std::array<QAction*, 3> optNext{};
    std::array<QAction*, 5> optOpt{};
    // "ﾊﾞｯｸｱｯﾌﾟから復元(&R)", the last item of oOpt; not part of optOpt.
    QAction* opRestore = nullptr;
    QAction* opEncrypt = nullptr;   // 日記を暗号化, on a plain journal
    QAction* opChangeKey = nullptr; // パスフレーズの変更, on an encrypted one
    QAction* opDecrypt = nullptr;   // 暗号化を解除, on an encrypted one

protected:
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void makeControls();
    void makeMenus();
    void connectCalendar();
    // The day the calendar highlights (the control's Value), else WorkDate.
    QDate highlightedDay() const;
    // Shows a value in a selector; true when its selection changed (a value the list lacks
    // leaves it without a selection).
    bool showInSelector(int Index, int value);
    // Shows a value in a selector and, when that changed the selection, handles it as a choice.
    void selectInSelector(int Index, int value);
    // WorkDate follows the calendar's selected day, and an open editor with it.
    void takeWorkDate();
    // The selected day to an open editor, or into WorkDate (and a new editor when asked).
    void handDay(bool openEditor);
    // 選択を削除: deletes WorkDate's entry after asking.
    void deleteEntry();
    // 年月日指定: moves the calendar to a typed date or year.
    void goToDate();
    // 元のｻｲｽﾞ: the normal state at the standard size.
    void standardSize();
    // The shown month's entries into JournalRs; a missing journal table is created first.
    void openMonthEntries();
    void drawMark(int day);

    bool laidOut_ = false;
    // The last day chosen (a click, a key, a menu) could not be handed over because the
    // editor's save failed.
    bool clickSaveFailed_ = false;
    bool splashClosed_ = false;
};
