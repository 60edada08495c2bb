#include "windows/editor/EditorJournal.h"

#include "app/modFunc.h"
#include "platform/Error.h"

namespace windows::editor {

platform::db::Database& journal() {
    auto& db = app::modFunc().JournalDb;
    if (!db)
        throw platform::Error(91, QStringLiteral("ジャーナルのデータベースが開かれていません。"));
    return *db;
}

} // namespace windows::editor
