#pragma once

#include <QString>

#include <map>

namespace bench {

// Gives the journal's picture days (its picture paths name files by their day) real pictures in
// the picture folder, so that an export converts them as it would a diarist's.
void drawPictures(const QString& journal, const QString& pictureFolder);

// In a child process of its own, so that its peak memory is the export's: the whole journal
// exported as "html" or "markdown" into an empty folder. Figures: export_s, export_peak_mb,
// export_days, export_pictures.
std::map<QString, double> measureExport(const QString& journal, const QString& pictureFolder,
                                        const QString& format);

// The child's side: argv holds --export, the journal, the picture folder, the destination and
// the format. Prints one "name value" line per figure.
int runExport(int argc, char** argv);

// In a child process of its own: a year of daily entries with a picture on every day, generated
// for it in work (encrypted when asked), shown as この年 in the print preview and written as a
// PDF. Figures:
// book_first_page_ms (from the choice to the first page drawn), book_pages, book_pdf_s,
// book_peak_mb.
std::map<QString, double> measureBook(const QString& work, bool encrypted);

// The child's side: argv holds --book, the work folder and "plain" or "encrypted".
int runBook(int argc, char** argv);

} // namespace bench
