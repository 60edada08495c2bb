#pragma once

#include "store/export/ExportRange.h"
#include "store/export/RangeReader.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

// Writing the journal out as HTML or Markdown files that other programs read, with the pictures
// as PNG files. Runs on any thread: it reads the journal through a read-only connection of its
// own, a month at a time, so a save of the program never waits for more than one month's read.
namespace store::exporting {

enum class Format { Html, Markdown };

struct Request {
    JournalFile journal;
    QString pictureFolder; // where a picture is looked for by its file name
    QString destination;   // the folder the export's folder goes into
    Range range;
    Format format = Format::Html;
    // The user agreed to replace a folder of the export's name that is not an earlier export.
    bool replaceOther = false;
};

struct Report {
    QString folder; // the export's folder
    int days = 0;
    int pictures = 0;
    // One line per picture that could not be found or read: its day, its path and why.
    QStringList missingPictures;
};

// Called after each day with the days done and the days in the range; false stops the export.
using Progress = std::function<bool(qint64 done, qint64 total)>;

// Writes the range's entries into destination/folderName(...). The files are written into a
// hidden folder beside it and renamed into place at the end: a stopped or failed export leaves
// nothing under that name. An existing folder of the name is replaced when it is an earlier
// export (existingFolder) or the request says so, and otherwise is an error. Returns nothing
// when progress stopped it; failures raise platform::Error.
std::optional<Report> exportJournal(const Request& request, const Progress& progress);

} // namespace store::exporting
