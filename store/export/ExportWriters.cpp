#include "store/export/ExportWriters.h"

#include "platform/Dates.h"
#include "store/export/ExportFolder.h"
#include "store/export/ExportText.h"

#include <map>
#include <set>

namespace store::exporting {

namespace {

QString dayTitle(const QDate& day) {
    return platform::dates::format(day, QStringLiteral("yyyy年m月d日 (aaa)"));
}

QString yearText(int year) {
    return QStringLiteral("%1").arg(year, 4, 10, QLatin1Char('0'));
}

// Everything a page needs is in it: no script, no file from elsewhere. Printed, each day takes a
// page of its own.
const QString Style = QStringLiteral(
    "body{font-family:serif;max-width:46em;margin:1em auto;padding:0 1em;line-height:1.6}"
    "section.day{margin:2em 0}"
    ".remark{font-weight:bold;white-space:pre-wrap}"
    ".picture img{max-width:100%;height:auto}"
    ".text{white-space:pre-wrap;overflow-wrap:anywhere}"
    "@media print{nav{display:none}section.day{break-after:page;page-break-after:always}}");

QString htmlHead(const QString& title) {
    return QStringLiteral("<!DOCTYPE html>\n<html lang=\"ja\">\n<head>\n<meta charset=\"utf-8\">\n"
                          "<title>") +
           htmlEscaped(title) + QStringLiteral("</title>\n<style>") + Style +
           QStringLiteral("</style>\n</head>\n<body>\n");
}

const QString HtmlEnd = QStringLiteral("</body>\n</html>\n");

class HtmlWriter : public PageWriter {
public:
    explicit HtmlWriter(ExportFolder& folder) : folder_(folder) {}

    void add(const Day& day) override {
        const int year = day.date.year();
        if (!page_ || year != year_)
            startYear(year);
        if (months_[year].insert(day.date.month()).second)
            page_->write(QStringLiteral("<h2 id=\"m%1\">%2</h2>\n")
                             .arg(day.date.month())
                             .arg(platform::dates::format(day.date, QStringLiteral("yyyy年m月"))));
        const QString id = platform::dates::format(day.date, QStringLiteral("yyyy-mm-dd"));
        QString html = QStringLiteral("<section class=\"day\" id=\"d") + id +
                       QStringLiteral("\">\n<h3>") + htmlEscaped(dayTitle(day.date)) +
                       QStringLiteral("</h3>\n");
        if (!day.remark.isEmpty())
            html += QStringLiteral("<p class=\"remark\">") + htmlEscaped(plainLines(day.remark)) +
                    QStringLiteral("</p>\n");
        if (!day.picture.isEmpty())
            html += QStringLiteral("<p class=\"picture\"><img src=\"") + htmlEscaped(day.picture) +
                    QStringLiteral("\" alt=\"") + htmlEscaped(dayTitle(day.date)) +
                    QStringLiteral("の絵\"></p>\n");
        page_->write(html);
        page_->write(QStringLiteral("<div class=\"text\">"));
        page_->write(htmlEscaped(plainLines(day.text)));
        page_->write(QStringLiteral("</div>\n</section>\n"));
    }

    void finish() override {
        endYear();
        auto index = folder_.create(QStringLiteral("index.html"));
        index->write(htmlHead(QStringLiteral("日記")) + QStringLiteral("<h1>日記</h1>\n<ul>\n"));
        for (const auto& [year, months] : months_) {
            const QString page = yearText(year) + QStringLiteral(".html");
            QString line = QStringLiteral("<li><a href=\"") + page + QStringLiteral("\">") +
                           QString::number(year) + QStringLiteral("年</a>");
            for (const int month : months)
                line += QStringLiteral(" <a href=\"%1#m%2\">%2月</a>").arg(page).arg(month);
            index->write(line + QStringLiteral("</li>\n"));
        }
        index->write(QStringLiteral("</ul>\n") + HtmlEnd);
        index->close();
    }

private:
    void startYear(int year) {
        endYear();
        year_ = year;
        page_ = folder_.create(yearText(year) + QStringLiteral(".html"));
        page_->write(htmlHead(QStringLiteral("%1年").arg(year)) +
                     QStringLiteral("<nav><a href=\"index.html\">目次</a></nav>\n<h1>%1年</h1>\n")
                         .arg(year));
    }

    void endYear() {
        if (!page_)
            return;
        page_->write(HtmlEnd);
        page_->close();
        page_.reset();
    }

    ExportFolder& folder_;
    std::unique_ptr<OutFile> page_;
    int year_ = 0;
    std::map<int, std::set<int>> months_;
};

class MarkdownWriter : public PageWriter {
public:
    explicit MarkdownWriter(ExportFolder& folder) : folder_(folder) {}

    void add(const Day& day) override {
        if (!page_ || day.date.year() != year_) {
            finish();
            year_ = day.date.year();
            page_ = folder_.create(yearText(year_) + QStringLiteral(".md"));
            page_->write(QStringLiteral("# %1年\n\n").arg(year_));
        }
        QString md =
            QStringLiteral("## ") + markdownParagraph(dayTitle(day.date)) + QStringLiteral("\n\n");
        if (const QString remark = markdownParagraph(day.remark); !remark.isEmpty())
            md += remark + QStringLiteral("\n\n");
        if (!day.picture.isEmpty())
            md += QStringLiteral("![") + markdownParagraph(dayTitle(day.date)) +
                  QStringLiteral("の絵](") + day.picture + QStringLiteral(")\n\n");
        page_->write(md);
        if (const QString text = markdownParagraph(day.text); !text.isEmpty())
            page_->write(text + QStringLiteral("\n\n"));
    }

    void finish() override {
        if (!page_)
            return;
        page_->close();
        page_.reset();
    }

private:
    ExportFolder& folder_;
    std::unique_ptr<OutFile> page_;
    int year_ = 0;
};

} // namespace

std::unique_ptr<PageWriter> htmlWriter(ExportFolder& folder) {
    return std::make_unique<HtmlWriter>(folder);
}

std::unique_ptr<PageWriter> markdownWriter(ExportFolder& folder) {
    return std::make_unique<MarkdownWriter>(folder);
}

} // namespace store::exporting
