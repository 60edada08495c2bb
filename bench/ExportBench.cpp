#include "bench/ExportBench.h"

#include "platform/Error.h"
#include "platform/Sqlite.h"
#include "platform/System.h"
#include "store/export/Export.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdio>

namespace bench {

namespace {

double peakMb() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').front().toDouble() / 1024;
    }
    return 0;
}

} // namespace

void drawPictures(const QString& journal, const QString& pictureFolder) {
    QDir().mkpath(pictureFolder);
    platform::sqlite::Connection db(journal, platform::sqlite::Connection::Mode::ReadOnly);
    platform::sqlite::Statement paths(db.handle(), "select pic_txt from Mirel where pic_txt<>''");
    // A drawing's size: a photograph would only make the figures depend on the JPEG decoder.
    QImage picture(640, 480, QImage::Format_RGB32);
    int n = 0;
    while (paths.step()) {
        picture.fill(QColor::fromHsv((n * 37) % 360, 120, 230));
        QPainter painter(&picture);
        painter.drawEllipse(40 + n % 200, 40, 300, 200);
        painter.end();
        // Stored as the paint program leaves it, a bitmap; JPEG inside keeps the folder small.
        picture.save(pictureFolder + QLatin1Char('/') + platform::fileTitle(paths.text(0)), "JPG");
        ++n;
    }
}

std::map<QString, double> measureExport(const QString& journal, const QString& pictureFolder,
                                        const QString& format) {
    QTemporaryDir destination;
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(QCoreApplication::applicationFilePath(),
                {QStringLiteral("--export"), journal, pictureFolder, destination.path(), format});
    child.waitForFinished(600000);
    std::map<QString, double> figures;
    for (const QByteArray& line : child.readAllStandardOutput().split('\n')) {
        const auto parts = line.split(' ');
        if (parts.size() == 2)
            figures[QString::fromLatin1(parts[0])] = parts[1].toDouble();
    }
    return figures;
}

int runExport(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const int at = int(args.indexOf(QStringLiteral("--export")));
    if (at < 0 || at + 4 >= args.size())
        return 2;
    store::exporting::Request request;
    request.journalPath = args[at + 1];
    request.pictureFolder = args[at + 2];
    request.destination = args[at + 3];
    request.format = args[at + 4] == QStringLiteral("markdown") ? store::exporting::Format::Markdown
                                                                : store::exporting::Format::Html;
    QElapsedTimer timer;
    timer.start();
    std::optional<store::exporting::Report> report;
    try {
        report = store::exporting::exportJournal(request, {});
    } catch (const platform::Error& e) {
        std::fprintf(stderr, "orvane_bench: %s\n", qPrintable(e.message()));
        return 1;
    }
    std::printf("export_s %.3f\n", static_cast<double>(timer.elapsed()) / 1000);
    std::printf("export_peak_mb %.1f\n", peakMb());
    std::printf("export_days %d\nexport_pictures %d\n", report ? report->days : 0,
                report ? report->pictures : 0);
    return report ? 0 : 1;
}

} // namespace bench
