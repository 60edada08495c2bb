// The calendar window's commands: the clicks on a day and the File and Options menus.
#include "windows/calendar/frmCal.h"

#include "app/Main.h"
#include "app/modFunc.h"
#include "calendar/clsCal.h"
#include "platform/Clock.h"
#include "platform/Database.h"
#include "platform/Dates.h"
#include "platform/Dialogs.h"
#include "platform/Error.h"
#include "platform/Help.h"
#include "platform/Services.h"
#include "store/EntrySql.h"
#include "store/JournalKeys.h"
#include "store/search/SearchService.h"
#include "windows/EditorHandover.h"
#include "windows/WindowLookup.h"
#include "windows/calendar/GoToDate.h"
#include "windows/editor/EditorJournal.h"
#include "windows/editor/frmMirel.h"

#include <algorithm>

namespace {

QString dayText(const QDate& day) {
    return platform::dates::format(day, QStringLiteral("yyyy/mm/dd"));
}

// The standard window size, 5800 x 5145 twips, in pixels (15 twips to a pixel).
constexpr int toPixels(int twips) {
    return (twips + 7) / 15;
}
constexpr int StandardWidth = toPixels(5800);  // 387
constexpr int StandardHeight = toPixels(5145); // 343

} // namespace

void frmCal::Cal1_Click() {
    handDay(false);
}

void frmCal::Cal1_DblClick() {
    handDay(true);
}

void frmCal::handDay(bool openEditor) {
    const auto day = platform::dates::parseStrict(oCal1->Value());
    if (!day)
        return;
    auto& m = app::modFunc();
    switch (windows::handToOpenEditor(*day)) {
    case windows::Handover::Shown:
        return;
    case windows::Handover::SaveFailed:
        // The editor stays on its day with the unsaved text; the calendar must not show another.
        clickSaveFailed_ = true;
        oCal1->setValue(dayText(m.WorkDate));
        return;
    case windows::Handover::NoEditor:
        m.WorkDate = *day;
        if (openEditor)
            windows::showEditor();
        return;
    }
}

void frmCal::optFile_Click(int Index) {
    switch (Index) {
    case 0:
        Cal1_DblClick();
        break;
    case 1:
        deleteEntry();
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

void frmCal::deleteEntry() {
    auto& m = app::modFunc();
    // Only a day that shows the pen mark offers its entry for deletion.
    oCal1->setToolTipDay(oCal1->Day());
    if (oCal1->DayTag() != QStringLiteral("on"))
        return;
    // The entry deleted is WorkDate's, the one the question names.
    const QDate day = m.WorkDate;
    if (platform::dialogs().message(dayText(day) + QStringLiteral("の日記を削除しますか？"),
                                    platform::Buttons::YesNo, platform::Icon::Exclamation,
                                    platform::programTitle()) != platform::Answer::Yes)
        return;
    try {
        auto& db = windows::editor::journal();
        store::normaliseKeys(db);
        m.SqlText = store::sql::deleteEntry();
        db.execute(m.SqlText, store::dayKeys(day));
        store::search::SearchService::entryChanged(day);
    } catch (const platform::Error& e) {
        platform::dialogs().message(e.message(), platform::Buttons::Ok, platform::Icon::Critical,
                                    platform::programTitle());
        return;
    }
    // The editor shows that day: what it holds now is gone, and a later save must not write it
    // back.
    if (frmMirel* editor = windows::findEditorByTitle())
        editor->iniForm();
    // The mark to wipe is that of the deleted day, which is not the selected one after a
    // selector choice or a press released off the calendar; a day of another month shows no
    // mark here. The tag stays: asking again deletes nothing more.
    if (day.year() != oCal1->Year() || day.month() != oCal1->Month())
        return;
    oCal1->DayWrite(day.day());
    oCal1->setToolTipDay(day.day());
    oCal1->setToolTipText(QString());
}

void frmCal::optOpt_Click(int Index) {
    switch (Index) {
    case 0:
        // The calendar window stays open beside the notebook.
        windows::showNotebook();
        break;
    case 1:
        goToDate();
        break;
    case 3:
        standardSize();
        break;
    case 4:
        platform::openHelpPage();
        break;
    default:
        break;
    }
}

void frmCal::goToDate() {
    auto& m = app::modFunc();
    const QString text = platform::dialogs()
                             .input(QStringLiteral("年月日を入力してください。"),
                                    QStringLiteral("年月日の指定"), dayText(m.WorkDate))
                             .value_or(QString());
    const auto target = windows::calendar::readGoToDate(text, platform::clock().today());
    switch (target.kind) {
    case windows::calendar::GoToDate::Kind::Day:
        oCal1->setValue(dayText(target.day));
        // A full date becomes the working day (and an open editor's); 7/15 only shows it.
        if (target.takeWorkDate)
            Cal1_Click();
        return;
    case windows::calendar::GoToDate::Kind::Year:
        // The calendar ignores years outside 1900-2098.
        oCal1->setYear(target.year);
        return;
    case windows::calendar::GoToDate::Kind::Invalid:
        platform::dialogs().message(QStringLiteral("正しい日付を入力してください。"),
                                    platform::Buttons::Ok, platform::Icon::None,
                                    platform::programTitle());
        return;
    }
}

void frmCal::standardSize() {
    setWindowState(windowState() &
                   ~(Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen));
    // Outer sizes: the frame the desktop draws counts (none drawn, the window's own size, menu
    // bar included). Height first, then width; each brings its layout pass.
    const auto frameExtra = [this] { return frameGeometry().size() - size(); };
    resize(width(), std::max(0, StandardHeight - frameExtra().height()));
    resize(std::max(0, StandardWidth - frameExtra().width()), height());
}
