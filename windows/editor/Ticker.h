#pragma once

#include <QString>

// The vocabulary ticker of the editor's status line: a row is typed in a character a tick, held,
// scrolled out to the left, and then another row is chosen.
namespace windows::editor {

struct Tick {
    QString line; // the status line after the tick
    bool ended;   // the cycle ended: the line was cleared and the next row is due
};

// One tick over the line as it stands (it may hold a message of the editor's): for a row of L
// characters a cycle is 2L + 22 ticks. position counts the ticks of the cycle.
Tick tick(qint16& position, const QString& row, const QString& line);

// The index of the next row: the nearest integer to r * count - 1, halves to the even one, in
// single precision; -1 means no row. r lies in [0, 1).
int nextRowIndex(float r, int count);

} // namespace windows::editor
