#include "store/export/ExportRange.h"

#include "platform/Dates.h"

#include <QFileInfo>

namespace store::exporting {

Range Range::period(const QDate& a, const QDate& b) {
    return b < a ? Range{Kind::Period, b, a} : Range{Kind::Period, a, b};
}

QDate Range::firstDay() const {
    switch (kind) {
    case Kind::Day:
    case Kind::Period:
        return from;
    case Kind::Month:
        return QDate(from.year(), from.month(), 1);
    case Kind::Year:
        return QDate(from.year(), 1, 1);
    case Kind::All:
        break;
    }
    return QDate(platform::dates::MinYear, 1, 1);
}

QDate Range::lastDay() const {
    switch (kind) {
    case Kind::Day:
        return from;
    case Kind::Period:
        return to;
    case Kind::Month:
        return QDate(from.year(), from.month(), from.daysInMonth());
    case Kind::Year:
        return QDate(from.year(), 12, 31);
    case Kind::All:
        break;
    }
    return QDate(platform::dates::MaxYear, 12, 31);
}

QString folderName(const QString& journalPath, const Range& range) {
    QString name = QFileInfo(journalPath).fileName();
    if (name.endsWith(QStringLiteral(".mdb"), Qt::CaseInsensitive))
        name.chop(4);
    const auto ymd = [](const QDate& day) {
        return platform::dates::format(day, QStringLiteral("yyyymmdd"));
    };
    QString part;
    switch (range.kind) {
    case Range::Kind::Day:
        part = ymd(range.from);
        break;
    case Range::Kind::Month:
        part = platform::dates::format(range.from, QStringLiteral("yyyymm"));
        break;
    case Range::Kind::Year:
        part = platform::dates::format(range.from, QStringLiteral("yyyy"));
        break;
    case Range::Kind::Period:
        part = ymd(range.from) + QLatin1Char('-') + ymd(range.to);
        break;
    case Range::Kind::All:
        part = QStringLiteral("all");
        break;
    }
    return name + QLatin1Char('_') + part;
}

} // namespace store::exporting
