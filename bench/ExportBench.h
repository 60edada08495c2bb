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

} // namespace bench
