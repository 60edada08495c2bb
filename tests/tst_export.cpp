// The journal written out as HTML and Markdown: exactly as written, every link found, and an
// export that stops, meets a folder of the user's or runs during a save.
#include "platform/PrivateFiles.h"
#include "store/EntrySql.h"
#include "store/export/Export.h"
#include "support/Testing.h"
#include "windows/book/RangeBox.h"
#include "windows/book/frmExport.h"

#include <sys/stat.h>

namespace ex = store::exporting;

namespace {

void addEntry(const QDate& day, const QString& text, const QString& memo = {},
              const QString& picture = {}) {
    const QDateTime moment(day, QTime());
    app::modFunc().JournalDb->execute(
        store::sql::insertEntry(), {moment, text, memo, picture, false, moment, moment, u"PC01"_s});
}

ex::Request requestFor(const QString& destination, ex::Format format,
                       ex::Range range = ex::Range::all()) {
    const auto& m = app::modFunc();
    return {m.mdbPath, m.gPath, destination, range, format, false};
}

QStringList entriesOf(const QString& folder) {
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
}

} // namespace

class ExportTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // The month's and the year's names: the print window's PDF and the export window below.
    void folderNames() {
        const QString journal = u"/home/u/orvane.mdb"_s;
        QCOMPARE(ex::folderName(journal, ex::Range::day(QDate(2025, 5, 3))), u"orvane_20250503"_s);
        QCOMPARE(ex::folderName(journal, ex::Range::period(QDate(2025, 3, 31), QDate(2025, 1, 1))),
                 u"orvane_20250101-20250331"_s);
        QCOMPARE(ex::folderName(u"/x/日記.db"_s, ex::Range::all()), u"日記.db_all"_s);
    }

    // Marks, blanks and emoji come out as written; every link and picture is a written file.
    void htmlExactAndComplete() {
        const mode_t before = ::umask(022);
        platform::keepFilesPrivate();
        const auto restore = qScopeGuard([before] { ::umask(before); });
        testing::TestEnv env;
        testing::createJournal(env);
        const QString marks = u"<script>alert(\"x\")</script> & 'q'\n　二行目"_s;
        QImage drawing(7, 5, QImage::Format_RGB32);
        drawing.fill(QColor(10, 200, 30));
        QVERIFY(drawing.save(app::modFunc().gPath + u"/p250503.bmp"_s));
        // Stored on another computer: found in the picture folder by its name.
        addEntry(QDate(2025, 5, 3), marks, u"\"a\" & <b>"_s, u"C:\\絵\\p250503.bmp"_s);
        addEntry(QDate(2025, 6, 1), u"x"_s, {}, u"/nowhere/gone.bmp"_s);
        QString longText;
        while (longText.size() < 100000)
            longText += u"絵日記😀　a\n"_s;
        addEntry(QDate(2026, 1, 2), longText);

        const QString out = env.root() + u"/out"_s;
        QVERIFY(QDir().mkpath(out));
        const auto report = ex::exportJournal(requestFor(out, ex::Format::Html), {});
        QVERIFY(report);
        QCOMPARE(report->folder, out + u"/orvane_all"_s);
        QCOMPARE(report->days, 3);
        QCOMPARE(report->pictures, 1);
        QCOMPARE(report->missingPictures.size(), 1);
        QVERIFY(report->missingPictures[0].contains(u"2025/06/01  /nowhere/gone.bmp"_s));

        const QString page = QString::fromUtf8(testing::readFile(report->folder + u"/2025.html"_s));
        QVERIFY(page.contains(u"&lt;script&gt;alert(&quot;x&quot;)&lt;/script&gt; &amp; &#39;q&#39;"
                              "\n　二行目</div>"_s));
        QVERIFY(page.contains(u">&quot;a&quot; &amp; &lt;b&gt;</p>"_s));
        QVERIFY(!page.contains(u"<script"_s) && !page.contains(u"http"_s));
        QVERIFY(QString::fromUtf8(testing::readFile(report->folder + u"/2026.html"_s))
                    .contains(u"<div class=\"text\">"_s + longText + u"</div>"_s));
        QCOMPARE(QImage(report->folder + u"/pictures/2025-05-03.png"_s)
                     .convertToFormat(QImage::Format_RGB32),
                 drawing);

        // Every href and src names a written file, and every #fragment an id in it.
        const QRegularExpression link(u"(?:href|src)=\"([^\"#]*)(?:#([^\"]*))?\""_s);
        int links = 0;
        for (const QString& name : {u"index.html"_s, u"2025.html"_s, u"2026.html"_s}) {
            const QString html =
                QString::fromUtf8(testing::readFile(report->folder + u"/"_s + name));
            for (const auto& match : link.globalMatch(html)) {
                ++links;
                const QString target = report->folder + u"/"_s + match.captured(1);
                QVERIFY2(QFileInfo(target).isFile(), qPrintable(name + u": "_s + target));
                if (!match.captured(2).isEmpty())
                    QVERIFY(testing::readFile(target).contains(
                        u"id=\"%1\""_s.arg(match.captured(2)).toUtf8()));
            }
        }
        QCOMPARE(links, 2 + 3 + 2 + 1); // index: 2 years, 3 months; the pages: back; a picture
        // Written for the user: the user's umask, not the program's private one.
        struct stat info {};
        QVERIFY(::stat(QFile::encodeName(report->folder + u"/index.html"_s), &info) == 0);
        QCOMPARE(info.st_mode & 0777, 0644u);
        QVERIFY(::stat(QFile::encodeName(report->folder + u"/pictures"_s), &info) == 0);
        QCOMPARE(info.st_mode & 0777, 0755u);
    }

    // A CommonMark reader shows the day's heading, remark, picture and text as written: no mark
    // read as formatting, each line break a line break.
    void markdownReadsAsWritten() {
        testing::TestEnv env;
        testing::createJournal(env);
        const QString text =
            u"# 見出し\n> 引用\n- 項目\n+ 足す\n1. 一\n2) 二\n    字下げ\n\t===\n---\n"
            "*強調* _下線_ `コード` [リンク](x) <b>\"&amp;\"</b> \\ |表|\n\n"
            "　😀全角の空白\n"_s;
        QVERIFY(QImage(3, 3, QImage::Format_RGB32).save(app::modFunc().gPath + u"/p.png"_s));
        addEntry(QDate(2025, 5, 3), text, u"<i>一言</i>"_s, app::modFunc().gPath + u"/p.png"_s);
        QVERIFY(ex::exportJournal(requestFor(env.root(), ex::Format::Markdown), {}));
        QProcess cmark;
        cmark.start(u"cmark"_s, {env.root() + u"/orvane_all/2025.md"_s});
        QVERIFY2(cmark.waitForFinished() && cmark.exitCode() == 0, "cmark (install-deps.sh)");
        QCOMPARE(
            QString::fromUtf8(cmark.readAllStandardOutput()),
            u"<h1>2025年</h1>\n<h2>2025年5月3日 (土)</h2>\n<p>&lt;i&gt;一言&lt;/i&gt;</p>\n"
            "<p><img src=\"pictures/2025-05-03.png\" alt=\"2025年5月3日 (土)の絵\" /></p>\n<p>"_s +
                text.chopped(1).toHtmlEscaped().replace(u"\n"_s, u"<br />\n"_s) + u"</p>\n"_s);
    }

    // Stopped halfway, an export leaves nothing; a folder of the user's is replaced only when
    // the user says so, an earlier export without asking.
    void nothingLeftOrLost() {
        testing::TestEnv env;
        testing::createJournal(env);
        addEntry(QDate(2025, 5, 3), u"a"_s);
        addEntry(QDate(2025, 7, 1), u"b"_s);
        const QString out = env.root() + u"/out"_s;
        QVERIFY(QDir().mkpath(out));
        const auto stopped = ex::exportJournal(requestFor(out, ex::Format::Markdown),
                                               [](qint64 done, qint64) { return done < 1; });
        QVERIFY(!stopped);
        QCOMPARE(entriesOf(out), QStringList());

        const QString mine = testing::writeFile(out + u"/orvane_2025/mine.txt"_s, "mine");
        // From the calendar's file menu, 日記を検索, 絵日記を印刷, 日記を書き出す and 終了 in turn,
        // on its highlighted day.
        frmCal& calendar = windows::showCalendar();
        calendar.oCal1->setValue(u"2025/5/3"_s);
        const auto items = calendar.oFile->actions();
        QCOMPARE(items.mid(items.indexOf(calendar.opFind), 4),
                 (QList<QAction*>{calendar.opFind, calendar.opPrint, calendar.opExport,
                                  calendar.optFile[2]}));
        calendar.opExport->trigger();
        QVERIFY(windows::findExporter());
        frmExport& window = *windows::findExporter();
        env.dialogs.answerFile(out);
        window.browseButton_Click();
        QVERIFY(env.dialogs.calls().back().file.folder);
        window.range->option[RangeBox::Period]->setChecked(true);
        for (const QString& from : {u"2025/13/1"_s, u"25.6.2"_s}) {
            window.range->fromBox->setText(from);
            window.range->toBox->setText(u"2025年6月30日"_s);
            env.dialogs.answerMessage(platform::Answer::Ok);
            QVERIFY(!window.exportButton_Click());
        }
        QCOMPARE(env.dialogs.messageTexts(), (QStringList{u"正しい日付を入力してください。"_s,
                                                          u"書き出す日記がありません。"_s}));
        window.range->option[RangeBox::ThisYear]->setChecked(true);
        env.dialogs.answerMessage(platform::Answer::No);
        QVERIFY(!window.exportButton_Click());
        QCOMPARE(env.dialogs.messageTexts().value(2),
                 out + u"/orvane_2025\nは既にあります。このフォルダを置き換えますか？"_s);
        QCOMPARE(testing::readFile(mine), QByteArray("mine"));
        QVERIFY(QDir(out + u"/orvane_2025"_s).removeRecursively());
        for (int run = 0; run < 2; ++run) { // the second replaces the first without a question
            QVERIFY(window.exportButton_Click());
            QTRY_VERIFY(!window.running());
            QCOMPARE(window.reportLabel->text(),
                     u"書き出しました。\n"_s + out + u"/orvane_2025\n日記 2日、絵 0枚"_s);
        }
        QCOMPARE(entriesOf(out), QStringList{u"orvane_2025"_s});

        // 終了 while an export runs: it stops and leaves nothing, not even its hidden folder.
        QImage big(2000, 1500, QImage::Format_RGB32);
        big.fill(Qt::darkGreen);
        const QString picture = app::modFunc().gPath + u"/big.bmp"_s;
        QVERIFY(big.save(picture));
        for (int day = 0; day < 100; ++day)
            addEntry(QDate(2024, 1, 1).addDays(day), u"x"_s, {}, picture);
        QVERIFY(QDir(out).removeRecursively() && QDir().mkpath(out));
        window.range->option[RangeBox::Everything]->setChecked(true);
        QVERIFY(window.exportButton_Click());
        QTRY_VERIFY(!entriesOf(out).isEmpty());
        windows::stopBackgroundWork();
        QVERIFY(!windows::findExporter());
        QCOMPARE(entriesOf(out), QStringList());
        calendar.close();
        ORVANE_VERIFY_ENV(env);
    }

    // The export reads a month at a time: a save made while it runs commits at once.
    void saveDuringExport() {
        testing::TestEnv env;
        testing::createJournal(env);
        for (int month = 1; month <= 3; ++month)
            addEntry(QDate(2025, month, 1), u"old"_s);
        QStringList events;
        const auto report = ex::exportJournal(
            requestFor(env.root(), ex::Format::Html), [&](qint64 done, qint64 total) {
                if (done == 1) {
                    events << u"export running"_s;
                    QElapsedTimer saving;
                    saving.start();
                    app::modFunc().JournalDb->execute(
                        u"update Mirel set mirel_txt='new' where reg_dat>='2025-03'"_s);
                    events << (saving.elapsed() < 1000 ? u"saved at once"_s : u"saved late"_s);
                }
                if (done == total)
                    events << u"export ends"_s;
                return true;
            });
        QVERIFY(report);
        QCOMPARE(events, (QStringList{u"export running"_s, u"saved at once"_s, u"export ends"_s}));
        QVERIFY(testing::dayText(app::modFunc().mdbPath, u"2025-03-01"_s) == u"new"_s);
    }
};

ORVANE_TEST_MAIN(ExportTest)
#include "tst_export.moc"
