#pragma once

#include <QDate>
#include <QString>

#include <memory>

// The pages of an export, written one day at a time in date order: no more than the day at hand
// and the list of months is held.
namespace store::exporting {

class ExportFolder;

struct Day {
    QDate date;
    QString remark;
    QString text;
    QString picture; // the picture's path in the export folder, empty for none
};

class PageWriter {
public:
    virtual ~PageWriter() = default;
    virtual void add(const Day& day) = 0;
    // Closes the last page and writes what lists them.
    virtual void finish() = 0;
};

// index.html listing the years and months, and one page per year (2025.html).
std::unique_ptr<PageWriter> htmlWriter(ExportFolder& folder);
// One CommonMark file per year (2025.md).
std::unique_ptr<PageWriter> markdownWriter(ExportFolder& folder);

} // namespace store::exporting
