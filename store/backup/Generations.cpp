#include "store/backup/Generations.h"

#include <algorithm>
#include <optional>

namespace store::backup {

std::vector<bool> keptGenerations(const std::vector<QDateTime>& made, const QDateTime& now) {
    std::vector<bool> kept(made.size(), false);
    // Keeps the newest backup made on a day in [first, last].
    const auto keepNewest = [&](const QDate& first, const QDate& last) {
        std::optional<std::size_t> newest;
        for (std::size_t i = 0; i < made.size(); ++i) {
            const QDate day = made[i].date();
            if (day >= first && day <= last && (!newest || made[i] > made[*newest]))
                newest = i;
        }
        if (newest)
            kept[*newest] = true;
    };
    const QDateTime dayAgo = now.addSecs(-24 * 60 * 60);
    for (std::size_t i = 0; i < made.size(); ++i)
        kept[i] = made[i] > dayAgo;
    // A clock set wrong must not empty the folder: whatever the rules below say, the 3 newest
    // backups made before now stay, and one that seems made in the future is never removed by
    // them (it is kept above, as one of the last 24 hours).
    std::vector<std::size_t> past;
    for (std::size_t i = 0; i < made.size(); ++i) {
        if (made[i] <= now)
            past.push_back(i);
    }
    const auto newestPast = past.begin() + std::ptrdiff_t(std::min<std::size_t>(3, past.size()));
    std::partial_sort(past.begin(), newestPast, past.end(),
                      [&](std::size_t a, std::size_t b) { return made[a] > made[b]; });
    for (auto i = past.begin(); i != newestPast; ++i)
        kept[*i] = true;
    const QDate today = now.date();
    for (int d = 1; d <= 6; ++d)
        keepNewest(today.addDays(-d), today.addDays(-d));
    const QDate thisWeek = today.addDays(1 - today.dayOfWeek());
    for (int w = 1; w <= 4; ++w)
        keepNewest(thisWeek.addDays(-7 * w), thisWeek.addDays(-7 * w + 6));
    const QDate thisMonth(today.year(), today.month(), 1);
    for (int k = 1; k <= 12; ++k) {
        const QDate first = thisMonth.addMonths(-k);
        keepNewest(first, first.addMonths(1).addDays(-1));
    }
    return kept;
}

} // namespace store::backup
