#include "windows/editor/Ticker.h"

#include <cmath>

namespace windows::editor {

Tick tick(qint16& position, const QString& row, const QString& line) {
    // The row is typed in over its length, held for ten ticks, and scrolled out over as many.
    const int n = int(row.size()) + 10;
    if (position > 2 * n) {
        position = 0;
        return {QString(), true};
    }
    ++position;
    QString next = line;
    if (position <= row.size())
        next += row.at(position - 1);
    if (position > n && !next.isEmpty())
        next.remove(0, 1);
    return {next, false};
}

int nextRowIndex(float r, int count) {
    // nearbyint rounds halves to the even integer in the default rounding mode.
    const float scaled = r * float(count) - 1.0f;
    return int(std::nearbyint(scaled));
}

} // namespace windows::editor
