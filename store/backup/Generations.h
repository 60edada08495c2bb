#pragma once

#include <QDateTime>

#include <vector>

namespace store::backup {

// Which backups, made at these moments, are kept at now: every one of the last 24 hours; the
// newest of each of the 6 calendar days before today; the newest of each of the 4 calendar weeks
// (Monday to Sunday) before the current week; the newest of each of the 12 calendar months before
// the current month.
std::vector<bool> keptGenerations(const std::vector<QDateTime>& made, const QDateTime& now);

} // namespace store::backup
