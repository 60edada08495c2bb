#pragma once

#include <QDateTime>

#include <vector>

namespace store::backup {

// Which backups, made at these moments, are kept at now: every one of the last 24 hours; the
// newest of each of the 6 calendar days before today; the newest of each of the 4 calendar weeks
// (Monday to Sunday) before the current week; the newest of each of the 12 calendar months before
// the current month. The 3 newest made before now are always kept, and those that seem made
// after now too.
std::vector<bool> keptGenerations(const std::vector<QDateTime>& made, const QDateTime& now);

} // namespace store::backup
