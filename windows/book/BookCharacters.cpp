#include "windows/book/BookCharacters.h"

#include <QTextBoundaryFinder>

namespace windows::book {
namespace {

bool isOneOf(const QString& cluster, QStringView set) {
    return cluster.size() == 1 && set.contains(cluster.front());
}

} // namespace

bool hangsAtRowEnd(const QString& cluster) {
    return isOneOf(cluster, u"。、，．」』）");
}

bool takesPrecedingAlong(const QString& cluster) {
    return isOneOf(cluster, u"！？ー"
                            u"ぁぃぅぇぉっゃゅょゎゕゖ"
                            u"ァィゥェォッャュョヮヵヶㇰㇱㇲㇳㇴㇵㇶㇷㇸㇹㇺㇻㇼㇽㇾㇿ");
}

bool opensAtRowStart(const QString& cluster) {
    return isOneOf(cluster, u"「『（");
}

bool isHalfWidthAlnum(const QString& cluster) {
    if (cluster.size() != 1)
        return false;
    const char16_t c = cluster.front().unicode();
    return (c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z');
}

VerticalForm verticalForm(const QString& cluster) {
    if (isOneOf(cluster, u"。、，．"))
        return VerticalForm::OffsetPunct;
    if (isOneOf(cluster, u"ー〜～―‐－…‥＝"
                         u"「」『』（）［］｛｝〈〉《》【】〔〕〖〗〘〙〚〛＜＞"))
        return VerticalForm::Rotated;
    if (takesPrecedingAlong(cluster) && !isOneOf(cluster, u"！？ー"))
        return VerticalForm::OffsetSmall;
    return VerticalForm::Upright;
}

QStringList splitClusters(const QString& text, bool pairHalfWidth) {
    QString plain = text;
    plain.replace(QStringLiteral("\r\n"), QStringLiteral("\n"))
        .replace(QLatin1Char('\r'), QLatin1Char('\n'));
    QStringList clusters;
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, plain);
    qsizetype start = 0;
    while (start < plain.size()) {
        qsizetype end = finder.toNextBoundary();
        if (end <= start)
            end = plain.size();
        QString cluster = plain.mid(start, end - start);
        start = end;
        if (cluster != QStringLiteral("\n") && cluster.front().category() == QChar::Other_Control)
            continue;
        if (pairHalfWidth && isHalfWidthAlnum(cluster) && !clusters.isEmpty() &&
            isHalfWidthAlnum(clusters.back())) {
            clusters.back() += cluster;
            continue;
        }
        clusters << cluster;
    }
    return clusters;
}

} // namespace windows::book
