#pragma once

#include "windows/book/BookPainter.h"

#include <QList>
#include <QString>

#include <functional>

namespace windows::book {

// Writes the 絵日記 pages of the days to a PDF file as paintBook paints them (the printer gets the
// same pages). The file appears under its name only when complete: it is written under a
// temporary name and renamed. When progress answers false the writing stops, nothing is left
// behind and the function returns false. Failures raise Error (the file's cause in words).
bool writeBookPdf(const QString& path, const QList<BookDay>& days, const BookPageStyle& style,
                  const QString& pictureFolder,
                  const std::function<bool(int daysDone)>& progress = {});

} // namespace windows::book
