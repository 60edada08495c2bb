#include "bench/ExportBench.h"
#include "bench/EncryptionBench.h"
#include "bench/JournalGenerator.h"
#include "bench/ProcessProbe.h"

#include "platform/Error.h"
#include "platform/Sqlite.h"
#include "platform/System.h"
#include "store/Unlock.h"
#include "store/export/Export.h"
#include "windows/book/BookDocument.h"
#include "windows/book/BookPdf.h"
#include "windows/book/BookPreviewer.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace bench {

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
    return childFigures(
        {QStringLiteral("--export"), journal, pictureFolder, destination.path(), format});
}

int runExport(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const int at = int(args.indexOf(QStringLiteral("--export")));
    if (at < 0 || at + 4 >= args.size())
        return 2;
    store::exporting::Request request;
    // An encrypted journal is read through its layer, as the program's open one is; the key is
    // derived before the clock starts.
    request.journal = args[at + 1];
    if (store::encryptedHeader(args[at + 1])) {
        auto unlocked = store::unlockFile(args[at + 1], QString::fromUtf8(Passphrase));
        if (const auto* layer =
                std::get_if<std::shared_ptr<platform::cipher::CipherVfs>>(&unlocked))
            request.journal.layer = *layer;
        resetPeakMemory();
    }
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
        std::fprintf(stderr, "orvane_bench: the export failed: %s\n", qPrintable(e.message()));
        return 1;
    }
    std::printf("export_s %.3f\n", static_cast<double>(timer.elapsed()) / 1000);
    std::printf("export_peak_mb %.1f\n", ownMemoryMb("VmHWM"));
    std::printf("export_days %d\nexport_pictures %d\n", report ? report->days : 0,
                report ? report->pictures : 0);
    return report ? 0 : 1;
}

std::map<QString, double> measureBook(const QString& work, bool encrypted) {
    return childFigures({QStringLiteral("--book"), work,
                         encrypted ? QStringLiteral("encrypted") : QStringLiteral("plain")});
}

int runBook(int argc, char** argv) {
    // Pages are drawn into images and a PDF: no screen is needed.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    const int at = int(args.indexOf(QStringLiteral("--book")));
    if (at < 0 || at + 2 >= args.size())
        return 2;
    const QString work = args[at + 1];
    const QString journal = work + QStringLiteral("/book-year.mdb");
    const QString pictures = work + QStringLiteral("/book-pictures");
    QFile::remove(journal);
    generateJournal(journal, {QDate(2024, 1, 1), QDate(2024, 12, 31), 1000, 40, 1});
    drawPictures(journal, pictures);
    store::exporting::JournalFile journalFile(journal);
    if (args[at + 2] == QStringLiteral("encrypted")) {
        try {
            journalFile.layer = encryptInPlace(journal);
            resetPeakMemory();
        } catch (const platform::Error& e) {
            std::fprintf(stderr, "orvane_bench: %s\n", qPrintable(e.message()));
            return 1;
        }
    }
    const auto year = store::exporting::Range::year(QDate(2024, 6, 1));

    // The program has drawn its windows' texts before a preview is asked for: the font system is
    // ready by then.
    {
        QImage warm(64, 64, QImage::Format_RGB32);
        QPainter painter(&warm);
        painter.setFont(platform::namedFont(QStringLiteral("ＭＳ Ｐゴシック"), 9, false));
        painter.drawText(0, 32, QStringLiteral("絵日記の印刷"));
    }
    // この年 chosen in the preview, at 100 % on a 96-dpi screen; the median of five previews,
    // each from a new previewer.
    std::vector<double> firstPages;
    int pages = 0;
    QElapsedTimer timer;
    for (int i = 0; i < 5; ++i) {
        BookPreviewer previewer;
        QEventLoop loop;
        double firstPage = 0;
        QObject::connect(&previewer, &BookPreviewer::pageReady, &app, [&] {
            if (firstPage == 0)
                firstPage = static_cast<double>(timer.nsecsElapsed()) / 1e6;
        });
        QObject::connect(&previewer, &BookPreviewer::failed, &app, [&](const QString& message) {
            std::fprintf(stderr, "orvane_bench: the preview failed: %s\n", qPrintable(message));
            loop.quit();
        });
        QObject::connect(&previewer, &BookPreviewer::counted, &app, [&](int count) {
            pages = count;
            loop.quit();
        });
        timer.start();
        previewer.choose(BookPreviewer::Choice{journalFile, pictures, year, {}}, 96);
        loop.exec();
        firstPages.push_back(firstPage);
    }
    std::sort(firstPages.begin(), firstPages.end());
    const double firstPage = firstPages[firstPages.size() / 2];

    timer.start();
    try {
        windows::book::writeBookPdf(work + QStringLiteral("/book-year.pdf"),
                                    windows::book::readBookDays(journalFile, year), {}, pictures);
    } catch (const platform::Error& e) {
        std::fprintf(stderr, "orvane_bench: the PDF failed: %s\n", qPrintable(e.message()));
        return 1;
    }
    std::printf("book_first_page_ms %.1f\n", firstPage);
    std::printf("book_pages %d\n", pages);
    std::printf("book_pdf_s %.3f\n", static_cast<double>(timer.elapsed()) / 1000);
    std::printf("book_peak_mb %.1f\n", ownMemoryMb("VmHWM"));
    return 0;
}

} // namespace bench
