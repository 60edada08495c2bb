#pragma once

#include "windows/book/BookPainter.h"

#include <QList>
#include <QString>

#include <functional>

namespace windows::book {

// Writes the 絵日記 pages of the days, in the order given, to a PDF file, one day after another:
// each day's picture is read, painted and let go before the next. The file appears under its
// name only when complete (written under a temporary name and renamed). progress is told the
// number of days done after each; when it answers false the writing stops, nothing is left
// behind and the function returns false. Failures raise Error (the file's cause in words).
bool writeBookPdf(const QString& path, const QList<BookDay>& days, const BookPageStyle& style,
                  const QString& pictureFolder,
                  const std::function<bool(int daysDone)>& progress = {});

} // namespace windows::book
