#include "platform/DatabaseDetail.h"

#include "platform/Dates.h"

#include <memory>

// How values are kept in the file and given back: the stored text of a Date/Time value, the
// format() function of the statements, and the columns of a result read by their declared type.
namespace platform::db {

namespace {

const QString storagePattern = QStringLiteral("yyyy-mm-dd hh:nn:ss");

} // namespace

namespace detail {

std::optional<Moment> readStorageText(QStringView text) {
    text = text.trimmed();
    qsizetype i = 0;
    auto number = [&](int minDigits, int maxDigits) -> std::optional<int> {
        int value = 0;
        int digits = 0;
        while (i < text.size() && digits < maxDigits && text[i].isDigit()) {
            value = value * 10 + text[i].digitValue();
            ++digits;
            ++i;
        }
        return digits >= minDigits ? std::optional<int>(value) : std::nullopt;
    };
    auto separator = [&](std::initializer_list<char> allowed) {
        if (i >= text.size())
            return false;
        for (char c : allowed) {
            if (text[i] == QLatin1Char(c)) {
                ++i;
                return true;
            }
        }
        return false;
    };
    const auto year = number(3, 4);
    if (!year || !separator({'-', '/'}))
        return std::nullopt;
    const auto month = number(1, 2);
    if (!month || !separator({'-', '/'}))
        return std::nullopt;
    const auto day = number(1, 2);
    if (!day)
        return std::nullopt;
    int hour = 0;
    int minute = 0;
    int second = 0;
    if (i < text.size()) {
        if (!separator({' ', 'T'}))
            return std::nullopt;
        const auto h = number(1, 2);
        if (!h || !separator({':'}))
            return std::nullopt;
        const auto n = number(1, 2);
        if (!n)
            return std::nullopt;
        hour = *h;
        minute = *n;
        if (separator({':'})) {
            const auto sec = number(1, 2);
            if (!sec)
                return std::nullopt;
            second = *sec;
        }
        if (separator({'.'}))
            number(1, 9);
        if (i != text.size())
            return std::nullopt;
    }
    const QDate date(*year, *month, *day);
    const QTime time(hour, minute, second);
    if (!date.isValid() || !time.isValid())
        return std::nullopt;
    return Moment{date, time};
}

namespace {

QString formatted(const QString& value, const dates::Pattern& pattern) {
    if (const auto moment = readStorageText(value))
        return pattern.format(moment->date, moment->time);
    return value;
}

void setTextResult(sqlite3_context* context, const QString& text) {
    const QByteArray utf8 = text.toUtf8();
    sqlite3_result_text(context, utf8.constData(), static_cast<int>(utf8.size()), SQLITE_TRANSIENT);
}

QString textOf(sqlite3_value* value) {
    const auto* bytes = reinterpret_cast<const char*>(sqlite3_value_text(value));
    return QString::fromUtf8(bytes, sqlite3_value_bytes(value));
}

} // namespace

// The pattern is read once per statement and kept with it.
void formatFunction(sqlite3_context* context, int argc, sqlite3_value** argv) {
    if (argc != 2 || sqlite3_value_type(argv[0]) == SQLITE_NULL) {
        sqlite3_result_null(context);
        return;
    }
    const QString value = textOf(argv[0]);
    auto* pattern = static_cast<dates::Pattern*>(sqlite3_get_auxdata(context, 1));
    if (pattern == nullptr) {
        auto made = std::make_unique<dates::Pattern>(textOf(argv[1]));
        pattern = made.get();
        sqlite3_set_auxdata(context, 1, made.release(),
                            [](void* p) { delete static_cast<dates::Pattern*>(p); });
        // SQLite may drop the data at once; fetch it again to know.
        pattern = static_cast<dates::Pattern*>(sqlite3_get_auxdata(context, 1));
        if (pattern == nullptr) {
            const dates::Pattern once(textOf(argv[1]));
            return setTextResult(context, formatted(value, once));
        }
    }
    setTextResult(context, formatted(value, *pattern));
}

ColumnKind kindOf(const char* declared) {
    const QString type = QString::fromUtf8(declared).toUpper();
    if (type.contains(QStringLiteral("DATE")) || type.contains(QStringLiteral("TIME")))
        return ColumnKind::Date;
    if (type == QStringLiteral("BIT") || type.contains(QStringLiteral("YESNO")) ||
        type.contains(QStringLiteral("BOOL")))
        return ColumnKind::YesNo;
    if (type.contains(QStringLiteral("CHAR")) || type.contains(QStringLiteral("TEXT")) ||
        type.contains(QStringLiteral("CLOB")) || type.contains(QStringLiteral("MEMO")))
        return ColumnKind::Text;
    return ColumnKind::Other;
}

QVariant readColumn(sqlite3_stmt* stmt, int column, ColumnKind kind) {
    const int type = sqlite3_column_type(stmt, column);
    if (type == SQLITE_NULL)
        return {};
    auto text = [&] {
        const auto* bytes = reinterpret_cast<const char*>(sqlite3_column_text(stmt, column));
        return QString::fromUtf8(bytes, sqlite3_column_bytes(stmt, column));
    };
    switch (kind) {
    case ColumnKind::Date:
        if (type == SQLITE_TEXT) {
            if (const auto moment = readStorageText(text()))
                return QDateTime(moment->date, moment->time);
        }
        return text();
    case ColumnKind::YesNo:
        return sqlite3_column_int64(stmt, column) != 0;
    case ColumnKind::Text:
        return text();
    case ColumnKind::Other:
        break;
    }
    switch (type) {
    case SQLITE_INTEGER:
        return static_cast<qlonglong>(sqlite3_column_int64(stmt, column));
    case SQLITE_FLOAT:
        return sqlite3_column_double(stmt, column);
    case SQLITE_BLOB:
        return QByteArray(static_cast<const char*>(sqlite3_column_blob(stmt, column)),
                          sqlite3_column_bytes(stmt, column));
    default:
        return text();
    }
}

} // namespace detail

QString toStorageText(const QDateTime& value) {
    return dates::format(value, storagePattern);
}

std::optional<QDateTime> fromStorageText(const QString& text) {
    if (const auto moment = detail::readStorageText(text))
        return QDateTime(moment->date, moment->time);
    return std::nullopt;
}

} // namespace platform::db
