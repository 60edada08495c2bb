// Loading: the load handler and the display of one day's entry.
#include "windows/editor/frmMirel.h"

#include "app/Settings.h"
#include "app/modFunc.h"
#include "platform/Clock.h"
#include "platform/Database.h"
#include "platform/Dates.h"
#include "platform/Dialogs.h"
#include "platform/Error.h"
#include "platform/Services.h"
#include "store/EntrySql.h"
#include "store/JournalKeys.h"
#include "store/Schema.h"
#include "windows/editor/EditorJournal.h"
#include "windows/editor/StatusLine.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QScopeGuard>
#include <QTimer>

namespace {

// A column's value as text. A missing value (NULL, from rows other tools wrote) reads as the
// empty text rather than stopping the load.
QString columnText(const platform::db::Recordset& rows, const QString& column) {
    const QVariant value = rows.field(column);
    if (!value.isValid() || value.isNull())
        return {};
    return value.toString();
}

} // namespace

void frmMirel::Form_Load() {
    auto& m = app::modFunc();
    app::setEdPos(*this, *Text1[1], *Text1[2]);
    bgTile();
    m.StatusRef = StatusBar1;
    random_.seed(static_cast<quint32>(platform::clock().now().toMSecsSinceEpoch()));
    setWords();
    Timer1->start();
    newRec = false;
    iniForm();
}

void frmMirel::iniForm() {
    dateBox()->setText(
        platform::dates::format(app::modFunc().WorkDate, QStringLiteral("yyyy/mm/dd (aaa)")));
    recShow();
}

void frmMirel::recShow() {
    auto& m = app::modFunc();
    txtChg = false;
    // What the load puts into the boxes is no change of the user's.
    loadingText_ = true;
    const auto loaded = qScopeGuard([this] { loadingText_ = false; });

    const auto showEmptyDay = [this] {
        newRec = true;
        textBox(1)->clear();
        textBox(2)->clear();
        picFile.clear();
    };

    try {
        try {
            auto& db = windows::editor::journal();
            store::normaliseKeys(db);
            m.SqlText = store::sql::selectEntry();
            m.JournalRs = db.openRecordset(m.SqlText, store::dayKeys(m.WorkDate));
            if (m.JournalRs->eof()) {
                showEmptyDay();
            } else {
                const QString text = columnText(*m.JournalRs, QStringLiteral("mirel_txt"));
                const QString remark = columnText(*m.JournalRs, QStringLiteral("memo_txt"));
                const QString picture = columnText(*m.JournalRs, QStringLiteral("pic_txt"));
                textBox(1)->setPlainText(text);
                textBox(2)->setPlainText(remark);
                picFile = picture;
            }
            m.JournalRs.reset();
        } catch (const platform::Error& e) {
            m.JournalRs.reset();
            if (e.number() != platform::errnum::TableMissing)
                throw;
            // A journal without its table: make it, and the day has no entry yet.
            store::tblMake(windows::editor::journal());
            showEmptyDay();
        }
        if (!picFile.isEmpty())
            Picture1_Click();
        else
            showPlaceholder();
    } catch (const platform::Error& e) {
        platform::dialogs().message(e.message(), platform::Buttons::Ok, platform::Icon::Critical,
                                    QStringLiteral("Rec Show"));
    }
}
