// The options menu: the notebook, the four paths, compaction, the font size, help, printing.
#include "windows/editor/frmMirel.h"

#include "app/modFunc.h"
#include "platform/Dialogs.h"
#include "platform/Error.h"
#include "platform/Help.h"
#include "platform/Pictures.h"
#include "platform/Services.h"
#include "platform/System.h"
#include "store/Chooser.h"
#include "store/Compaction.h"
#include "store/backup/Backups.h"
#include "windows/WindowLookup.h"
#include "windows/calendar/frmCal.h"

#include <QDir>
#include <QFileInfo>
#include <QPlainTextEdit>

namespace {

void showFailure(const platform::Error& error) {
    platform::dialogs().message(error.message(), platform::Buttons::Ok, platform::Icon::Critical,
                                platform::programTitle());
}

// A file chooser for a setting; cancelled, it gives the setting's current value back.
QString choose(const QString& current, const QString& filter, bool mustExist = true) {
    platform::FileRequest request;
    request.hideReadOnly = true;
    request.mustExist = mustExist;
    request.fileName = current;
    request.filter = filter;
    request.filterIndex = 1;
    return platform::dialogs().openFile(request).value_or(current);
}

} // namespace

void frmMirel::opNote_Click() {
    // The entry goes first; when it cannot be saved the editor stays open with the text.
    if (!savTxt_Click())
        return;
    windows::showNotebook();
    unload();
}

void frmMirel::opPrint_Click() {
    // The pages show what the journal holds, so the entry goes first.
    if (!savTxt_Click())
        return;
    windows::showBookPrinter(app::modFunc().WorkDate);
}

void frmMirel::optPath_Click(int index) {
    auto& m = app::modFunc();
    switch (index) {
    case 0: {
        const QString chosen = choose(
            m.pPath, QStringLiteral("すべてのファイル (*.*)|*.*|ペイントツール (*.exe)|*.exe"));
        if (platform::isProgramFile(chosen))
            m.pPath = chosen;
        return;
    }
    case 1:
        chooseJournal();
        return;
    case 2: {
        const QString folder = platform::dialogs()
                                   .input(QStringLiteral("グラフィックフォルダのパスを入力してく"
                                                         "ださい。"),
                                          QStringLiteral("ｸﾞﾗﾌｨｯｸﾌｫﾙﾀﾞﾊﾟｽの指定"), m.gPath)
                                   .value_or(QString());
        if (folder.isEmpty())
            return;
        if (!QFileInfo(folder).isDir() && !QDir().mkdir(folder)) {
            showFailure(platform::Error(platform::errnum::PathFileAccess,
                                        QStringLiteral("フォルダ %1 を作れませんでした。")
                                            .arg(QDir::toNativeSeparators(folder))));
        }
        m.gPath = folder;
        return;
    }
    case 3:
        m.bgPath = choose(m.bgPath, QStringLiteral("ＢＭＰ ファイル (*.bmp)|*.bmp|ＪＰＧ ファイル "
                                                   "(*.jpg)|*.jpg|すべてのファイル (*.*)|*.*"));
        // A texture that cannot be loaded is forgotten, not kept for the next start.
        if (!m.bgPath.isEmpty()) {
            try {
                platform::loadPicture(m.bgPath);
            } catch (const platform::Error& e) {
                m.bgPath.clear();
                showFailure(e);
            }
        }
        bgTile();
        return;
    default:
        return;
    }
}

void frmMirel::chooseJournal() {
    auto& m = app::modFunc();
    // A name that does not exist yet is how a new journal is made.
    const QString chosen =
        choose(m.mdbPath,
               QStringLiteral("すべてのファイル (*.*)|*.*|ＭＤＢ ファイル (*.mdb)|*.mdb"), false);
    if (!chosen.endsWith(QLatin1String("mdb")))
        return;
    const QString before = m.mdbPath;
    const QString open = m.JournalDb ? m.JournalDb->path() : QString();
    m.mdbPath = chosen;
    // An existing file is opened at the next start; the open journal stays until then.
    if (QFileInfo(m.mdbPath).isFile())
        return;
    // The chooser may switch journals and the day is shown anew after it: what the editor shows
    // goes into the journal it was written for first.
    if (!devProc()) {
        m.mdbPath = before;
        return;
    }
    try {
        if (!store::mdbSelect(store::ChooserFrom::Editor)) {
            m.mdbPath = before;
            return;
        }
    } catch (const platform::Error& e) {
        showFailure(e);
    }
    if (m.JournalDb && m.JournalDb->path() != open) {
        // Switched to the new journal at once: nothing of the old one may stay on the screen.
        if (frmCal* calendar = windows::findCalendar())
            calendar->markAnew();
    } else if (!QFileInfo(m.mdbPath).isFile()) {
        m.mdbPath = before; // nothing was made or chosen there
    }
    iniForm();
}

void frmMirel::optComp_Click() {
    auto& m = app::modFunc();
    if (!m.JournalDb || !m.JournalWs)
        return;
    try {
        // A backup first: compaction rewrites the whole file.
        try {
            store::backup::backupNow(*m.JournalDb, m.gPath);
        } catch (const platform::Error& e) {
            throw platform::Error(e.number(),
                                  QStringLiteral("バックアップを作れないため最適化しま"
                                                 "せん。") +
                                      e.description() +
                                      QStringLiteral("\n日記のファイルは元のままです。"));
        }
        // The open journal, wherever mdbPath points: a file chosen for the next start is not
        // the one being compacted.
        const QString journal = m.JournalDb->path();
        store::compactJournal(m.JournalDb, *m.JournalWs, journal,
                              store::compactionCopyPath(journal, platform::dataFolder()));
    } catch (const platform::Error& e) {
        showFailure(e);
    }
}

void frmMirel::opFsize_Click(int index) {
    for (const int box : {1, 2}) {
        QFont font = textBox(box)->font();
        font.setPointSize(index + 9);
        textBox(box)->setFont(font);
    }
}

void frmMirel::sHelp_Click() {
    platform::openHelpPage();
}
