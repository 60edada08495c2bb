#include "store/export/ExportText.h"

#include <QStringList>

namespace store::exporting {

QString plainLines(const QString& text) {
    QString lines = text;
    lines.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    lines.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return lines;
}

QString htmlEscaped(const QString& text) {
    QString out;
    out.reserve(text.size() + text.size() / 8);
    for (const QChar c : text) {
        switch (c.unicode()) {
        case '&':
            out += QStringLiteral("&amp;");
            break;
        case '<':
            out += QStringLiteral("&lt;");
            break;
        case '>':
            out += QStringLiteral("&gt;");
            break;
        case '"':
            out += QStringLiteral("&quot;");
            break;
        case '\'':
            out += QStringLiteral("&#39;");
            break;
        default:
            out += c;
        }
    }
    return out;
}

namespace {

bool isAsciiPunctuation(char16_t c) {
    return (c >= '!' && c <= '/') || (c >= ':' && c <= '@') || (c >= '[' && c <= '`') ||
           (c >= '{' && c <= '~');
}

bool isEdgeBlank(char16_t c) {
    return c == ' ' || c == '\t';
}

QString markdownLine(const QString& line) {
    qsizetype first = 0;
    while (first < line.size() && isEdgeBlank(line[first].unicode()))
        ++first;
    qsizetype end = line.size();
    while (end > first && isEdgeBlank(line[end - 1].unicode()))
        --end;
    QString out;
    out.reserve(line.size() + line.size() / 4);
    for (qsizetype i = 0; i < line.size(); ++i) {
        const char16_t c = line[i].unicode();
        if (isEdgeBlank(c) && (i < first || i >= end)) {
            out += c == ' ' ? QStringLiteral("&#32;") : QStringLiteral("&#9;");
        } else {
            if (isAsciiPunctuation(c))
                out += QLatin1Char('\\');
            out += QChar(c);
        }
    }
    return out;
}

} // namespace

QString markdownParagraph(const QString& text) {
    QStringList lines = plainLines(text).split(QLatin1Char('\n'));
    while (!lines.isEmpty() && lines.constLast().isEmpty())
        lines.removeLast();
    QString out;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (i > 0)
            out += QStringLiteral("\\\n");
        out += markdownLine(lines[i]);
    }
    return out;
}

} // namespace store::exporting
