// Saving: insert or update of the shown entry, and the commands that save and leave.
#include "windows/editor/frmMirel.h"

#include "app/modFunc.h"
#include "platform/Clock.h"
#include "platform/Database.h"
#include "platform/Dates.h"
#include "platform/Dialogs.h"
#include "platform/Error.h"
#include "platform/Services.h"
#include "store/EntrySql.h"
#include "store/JournalKeys.h"
#include "store/search/SearchService.h"
#include "windows/WindowLookup.h"
#include "windows/calendar/frmCal.h"
#include "windows/editor/EditorJournal.h"
#include "windows/editor/StatusLine.h"

namespace {

void showSaveError(const platform::Error& error, const QString& title) {
    platform::dialogs().message(error.message(), platform::Buttons::Ok, platform::Icon::None,
                                title);
}

// A new row for the shown entry: the day, its text, remark and picture, and the moment and
// computer of this first save.
void insertRow(const QString& text, const QString& remark, const QString& picture) {
    auto& m = app::modFunc();
    const QDateTime now = platform::clock().now();
    auto& db = windows::editor::journal();
    // A row of the day typed in another form becomes the stored form first, so that the insert
    // meets it as the duplicate it is instead of adding a second entry for the day.
    store::normaliseKeys(db);
    m.SqlText = store::sql::insertEntry();
    db.execute(m.SqlText,
               {m.WorkDate, text, remark, picture, false, now.date(), now.time(), m.TerminalName});
}

} // namespace

bool frmMirel::devProc() {
    commitComposition();
    const bool saved = newRec ? recInsert() : recUpdate();
    // The marks are refreshed whether or not anything was written.
    if (frmCal* calendar = windows::findCalendarByClockTitle()) {
        app::modFunc().MarkedMonth = 0;
        calendar->PenVis();
    }
    return saved;
}

bool frmMirel::recInsert() {
    if (!txtChg)
        return true;
    try {
        insertRow(boxText(1), boxText(2), picFile);
    } catch (const platform::Error& e) {
        // The day has its row already: rewrite it instead.
        if (e.number() == platform::errnum::DuplicateKey)
            return recUpdate();
        showSaveError(e, QStringLiteral("Insert"));
        return false;
    }
    store::search::SearchService::entryChanged(app::modFunc().WorkDate);
    windows::editor::setStatusText(QStringLiteral("登録しました。"));
    return true;
}

bool frmMirel::recUpdate() {
    if (!txtChg)
        return true;
    auto& m = app::modFunc();
    bool inserted = false;
    try {
        auto& db = windows::editor::journal();
        store::normaliseKeys(db);
        m.SqlText = store::sql::updateEntry();
        const qint64 changed = db.execute(m.SqlText, QVariantList{boxText(1), boxText(2), picFile} +
                                                         store::dayKeys(m.WorkDate));
        // The day's row is gone (deleted from the calendar while the editor showed it): an
        // update alone would store nothing and still report success, so the entry goes in anew.
        if (changed == 0) {
            insertRow(boxText(1), boxText(2), picFile);
            inserted = true;
        }
    } catch (const platform::Error& e) {
        showSaveError(e, QStringLiteral("Update"));
        return false;
    }
    store::search::SearchService::entryChanged(m.WorkDate);
    windows::editor::setStatusText(inserted ? QStringLiteral("登録しました。")
                                            : QStringLiteral("更新しました。"));
    return true;
}

bool frmMirel::savTxt_Click() {
    commitComposition();
    const bool inserting = newRec;
    try {
        return inserting ? recInsert() : recUpdate();
    } catch (const std::exception& e) {
        const QString description = [&] {
            if (const auto* error = dynamic_cast<const platform::Error*>(&e))
                return error->description();
            return QString::fromLocal8Bit(e.what());
        }();
        platform::dialogs().message(
            (inserting ? QStringLiteral("Insert Error") : QStringLiteral("Update Error")) +
                QStringLiteral("\r\n") + description,
            platform::Buttons::Ok, platform::Icon::Critical, platform::programTitle());
        return false;
    }
}

void frmMirel::dEnd_Click(int index) {
    // A failed save keeps the editor open with the text, so the user can mend the cause.
    if (index == 0 && !devProc())
        return;
    windows::showCalendar();
    saveSettings();
    unload();
}
