// The calendar window's commands: the clicks on a day and the File and Options menus.
#include "windows/calendar/frmCal.h"

#include "app/Main.h"
#include "platform/Services.h"

void frmCal::Cal1_Click() {
    // Handing the day to the editor comes with the editor.
}

void frmCal::Cal1_DblClick() {
    // Opening the editor on the day comes with the editor.
}

void frmCal::optFile_Click(int Index) {
    switch (Index) {
    case 0: // 日記を書く: not wired yet
        break;
    case 1: // 選択を削除: not wired yet
        break;
    case 2:
        // Ends at once: no window's closing handler runs and nothing else is saved.
        app::dbClose();
        platform::endProgram();
        return;
    default:
        break;
    }
}

void frmCal::optOpt_Click(int Index) {
    switch (Index) {
    case 0: // 手帳: not wired yet
    case 1: // 年月日指定: not wired yet
    case 3: // 元のｻｲｽﾞ: not wired yet
    case 4: // ﾍﾙﾌﾟ: not wired yet
    default:
        break;
    }
}
