#pragma once

#include "windows/book/BookPainter.h"

// The 絵日記 pages' writing direction and paper, kept in the settings file's section "Book"
// (keys "Direction": Horizontal or Vertical, "Paper": A4, B5 or A5).
namespace windows::book {

// The stored choice; what is missing or not understood is 横書き on A4.
BookPageStyle loadBookStyle();
// Raises platform::Error when the settings file cannot be written.
void saveBookStyle(const BookPageStyle& style);

} // namespace windows::book
