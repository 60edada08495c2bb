#include "store/export/Export.h"

#include "platform/Dates.h"
#include "platform/DurableFiles.h"
#include "platform/Error.h"
#include "platform/FileErrors.h"
#include "platform/PrivateFiles.h"
#include "store/export/ExportFolder.h"
#include "store/export/ExportPictures.h"
#include "store/export/ExportWriters.h"
#include "store/export/RangeReader.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <future>
#include <optional>
#include <thread>
#include <unistd.h>
#include <vector>

namespace store::exporting {

namespace {

// Pictures converted at the same time.
const std::size_t PicturesAtOnce = std::max(2u, std::thread::hardware_concurrency());

// A picture of the month to convert: its day among the month's days, as stored, and its file in
// the export.
struct Conversion {
    std::size_t day;
    QString stored;
    QString link;
};

// A hidden folder beside the export's, made private until it is complete.
QString makeWorkFolder(const QString& destination, const QString& name) {
    QByteArray pattern =
        QFile::encodeName(destination + QStringLiteral("/.") + name + QStringLiteral("-XXXXXX"));
    if (::mkdtemp(pattern.data()) == nullptr) {
        const int error = QFileInfo(destination).isDir() ? errno : ENOENT;
        throw platform::Error(platform::errnum::PathFileAccess,
                              platform::fileErrorText(error) + QLatin1Char('\n') + destination);
    }
    return QFile::decodeName(pattern);
}

// Makes sure everything written under the folder has reached the disk before it takes its name.
void syncAll(const QString& folder) {
    const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY);
    if (fd < 0 || ::syncfs(fd) != 0) {
        const int error = errno;
        if (fd >= 0)
            ::close(fd);
        throw platform::Error(platform::errnum::PathFileAccess,
                              platform::fileErrorText(error) + QLatin1Char('\n') + folder);
    }
    ::close(fd);
}

void putInPlace(const QString& work, const QString& target, bool replaceOther) {
    const Existing existing = existingFolder(target);
    if (existing == Existing::Other && !replaceOther)
        throw platform::Error(platform::errnum::PathFileAccess,
                              QStringLiteral("同じ名前のフォルダが既にあります。\n") + target);
    if (existing == Existing::Nothing) {
        platform::renameDurably(work, target, platform::errnum::PathFileAccess);
        return;
    }
    // The old folder steps aside under the work folder's name and goes once the new one is in.
    const QString aside = work + QStringLiteral(".old");
    platform::renameDurably(target, aside, platform::errnum::PathFileAccess);
    platform::renameDurably(work, target, platform::errnum::PathFileAccess);
    QDir(aside).removeRecursively();
}

} // namespace

std::optional<Report> exportJournal(const Request& request, const Progress& progress) {
    const qint64 total = entriesIn(request.journal, request.range);
    RangeReader reader(request.journal, request.range);
    const QString name = folderName(request.journal.path, request.range);
    Report report;
    report.folder = QDir(request.destination).absoluteFilePath(name);

    const QString work = makeWorkFolder(request.destination, name);
    auto removeWork = qScopeGuard([&work] { QDir(work).removeRecursively(); });
    ExportFolder folder(work);
    const auto pages = request.format == Format::Html ? htmlWriter(folder) : markdownWriter(folder);
    if (progress && !progress(0, total))
        return std::nullopt;

    QString lastLink;
    int sameDay = 1;
    const auto stopped = [&] { return progress && !progress(report.days, total); };
    while (const auto entries = reader.nextMonth()) {
        std::vector<Day> days;
        std::vector<Conversion> conversions;
        for (const Entry& entry : *entries) {
            days.push_back({entry.date, entry.remark, entry.text, {}});
            if (entry.picture.isEmpty())
                continue;
            QString link = QStringLiteral("pictures/") +
                           platform::dates::format(entry.date, QStringLiteral("yyyy-mm-dd"));
            // A second row of one day (written by another tool) gets a picture of its own.
            sameDay = link == lastLink ? sameDay + 1 : 1;
            lastLink = link;
            if (sameDay > 1)
                link += QStringLiteral("-%1").arg(sameDay);
            conversions.push_back({days.size() - 1, entry.picture, link + QStringLiteral(".png")});
        }
        // A few pictures at a time, each on a thread of its own: converting them is most of an
        // export's work, and only so many large pictures are held at once.
        for (std::size_t first = 0; first < conversions.size(); first += PicturesAtOnce) {
            std::vector<std::future<Picture>> running;
            const std::size_t end = std::min(conversions.size(), first + PicturesAtOnce);
            for (std::size_t i = first; i < end; ++i)
                running.push_back(std::async(std::launch::async, convertPicture,
                                             conversions[i].stored, request.pictureFolder));
            for (std::size_t i = first; i < end; ++i) {
                const Conversion& c = conversions[i];
                const Picture picture = running[i - first].get();
                if (picture.png.isEmpty()) {
                    report.missingPictures
                        << platform::dates::format(days[c.day].date, QStringLiteral("yyyy/mm/dd")) +
                               QStringLiteral("  ") + c.stored + QStringLiteral("  ") +
                               picture.problem;
                    continue;
                }
                folder.writeFile(c.link, picture.png);
                days[c.day].picture = c.link;
                ++report.pictures;
            }
            if (stopped())
                return std::nullopt;
        }
        for (const Day& day : days) {
            pages->add(day);
            ++report.days;
            if (stopped())
                return std::nullopt;
        }
    }
    pages->finish();
    folder.writeList();
    syncAll(work);
    platform::followUserUmask(work);
    putInPlace(work, report.folder, request.replaceOther);
    removeWork.dismiss();
    return report;
}

} // namespace store::exporting
