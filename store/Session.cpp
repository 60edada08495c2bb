#include "store/Session.h"

#include "store/backup/StartupBackup.h"
#include "store/search/SearchService.h"

namespace store {

Session::Session() = default;
Session& Session::operator=(Session&&) noexcept = default;
Session::~Session() = default;

} // namespace store
