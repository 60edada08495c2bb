#pragma once

namespace platform::db {
class Database;
}

namespace windows::editor {

// The open journal; raises error 91 when none is open (after a failed compaction).
platform::db::Database& journal();

} // namespace windows::editor
