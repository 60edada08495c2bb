#pragma once

#include <QString>
#include <QStringList>

// What the square layout needs to know of a character: its 禁則 class, how 縦書き sets it, and
// the grapheme clusters a text is made of.
namespace windows::book {

// 。、，．」』）: never at the start of a row; they hang beside the row's end instead.
bool hangsAtRowEnd(const QString& cluster);
// ！？, ー and the small kana: never at the start of a row; the character before them comes
// down with them.
bool takesPrecedingAlong(const QString& cluster);
// 「『（: never at the end of a row; they move down and leave their square empty.
bool opensAtRowStart(const QString& cluster);
// A half-width ASCII letter or digit (two share a square in 横書き).
bool isHalfWidthAlnum(const QString& cluster);

// How a character stands in a square of 縦書き, Qt having no vertical text layout.
enum class VerticalForm {
    Upright,     // as in 横書き
    Rotated,     // turned 90° clockwise: ー, 〜, dashes and brackets
    OffsetSmall, // small kana, moved towards the top right
    OffsetPunct, // 。、，． set in the top right of the square
};
VerticalForm verticalForm(const QString& cluster);

// The text's grapheme clusters, a line break ("\n", "\r\n" or "\r") as the one cluster "\n";
// other control characters are dropped. With pairHalfWidth, two half-width letters or digits in
// a row make one cluster.
QStringList splitClusters(const QString& text, bool pairHalfWidth);

} // namespace windows::book
