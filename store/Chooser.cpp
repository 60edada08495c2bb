#include "store/Chooser.h"

#include "platform/Dialogs.h"
#include "platform/Error.h"
#include "platform/Services.h"
#include "store/Schema.h"
#include "store/Session.h"

#include <QFileInfo>

namespace store {

namespace {

bool endWith(const QString& text, ChooserFrom from) {
    session().closeSplash();
    platform::dialogs().message(text, platform::Buttons::Ok, platform::Icon::None,
                                platform::programTitle());
    if (from == ChooserFrom::StartUp)
        platform::endProgram(1);
    return false;
}

} // namespace

bool mdbSelect(ChooserFrom from) {
    using platform::Buttons;
    using platform::Icon;
    auto& m = session();
    auto& dialogs = platform::dialogs();

    if (dialogs.message(QStringLiteral("新規にデータベースを作成します。"), Buttons::OkCancel,
                        Icon::None, platform::programTitle()) == platform::Answer::Ok) {
        // A new journal starts plain, whatever the journal open now is.
        try {
            auto workspace = std::make_unique<platform::db::Workspace>();
            auto db = workspace->createDatabase(m.mdbPath);
            m.JournalDb.reset();
            m.JournalWs = std::move(workspace);
            m.JournalDb = std::move(db);
        } catch (const std::exception&) {
            dialogs.message(QStringLiteral("MDBを作成できませんでした。"), Buttons::Ok, Icon::None,
                            platform::programTitle());
            return true;
        }
        tblMake(*m.JournalDb);
        return true;
    }

    try {
        platform::FileRequest request;
        request.hideReadOnly = true;
        request.fileName = m.mdbPath;
        request.filter = QStringLiteral("すべてのファイル (*.*)|*.*|ＭＤＢ ファイル (*.mdb)|*.mdb");
        request.filterIndex = 1;
        m.mdbPath = platform::openFileOrThrow(request);
    } catch (...) {
        return endWith(QStringLiteral("ＭＤＢを指定してもう一度やり直してください。"), from);
    }

    // Any file whose name ends in "orvane.mdb", in any letter case, is a journal.
    const bool journalName = m.mdbPath.right(10).toLower() == QLatin1String("orvane.mdb");
    if (journalName && QFileInfo(m.mdbPath).isFile())
        return true;
    return endWith(QStringLiteral("ＭＤＢパスが間違っています。もう一度やり直してください。"),
                   from);
}

} // namespace store
