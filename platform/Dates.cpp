#include "platform/Dates.h"

#include "platform/Error.h"

#include <QRegularExpression>
#include <QStringList>

#include <array>

namespace platform::dates {

bool inRange(const QDate& date) {
    return date.isValid() && date.year() >= MinYear && date.year() <= MaxYear;
}

QDate zeroDate() {
    return QDate(1899, 12, 30);
}

QString weekdayName(const QDate& date) {
    static const std::array<QString, 7> names = {
        QStringLiteral("月"), QStringLiteral("火"), QStringLiteral("水"), QStringLiteral("木"),
        QStringLiteral("金"), QStringLiteral("土"), QStringLiteral("日")};
    if (!date.isValid())
        return {};
    return names[static_cast<std::size_t>(date.dayOfWeek() - 1)];
}

int weekdayMondayFirst(const QDate& date) {
    return date.dayOfWeek();
}

namespace {

enum class Token {
    Literal,
    Year4,
    Year2,
    Month2,
    Month1,
    Day2,
    Day1,
    Hour2,
    Hour1,
    Min2,
    Min1,
    Sec2,
    Sec1,
    Weekday,
    WeekdayLong
};

struct Piece {
    Token token;
    QString literal;
};

// Longest patterns first, so "yyyy" wins over "yy" and "aaaa" over "aaa".
struct TokenText {
    const char* text;
    Token token;
};
constexpr std::array<TokenText, 14> patterns = {{
    {"yyyy", Token::Year4},
    {"aaaa", Token::WeekdayLong},
    {"aaa", Token::Weekday},
    {"yy", Token::Year2},
    {"mm", Token::Month2},
    {"dd", Token::Day2},
    {"hh", Token::Hour2},
    {"nn", Token::Min2},
    {"ss", Token::Sec2},
    {"m", Token::Month1},
    {"d", Token::Day1},
    {"h", Token::Hour1},
    {"n", Token::Min1},
    {"s", Token::Sec1},
}};

// Whether the pattern holds the letters at i, in either case. Only ASCII letters count: Unicode
// case folding would take "ſ" (long s) for an "s".
bool lettersAt(const QString& pattern, qsizetype i, const char* letters) {
    for (const char* c = letters; *c != '\0'; ++c, ++i) {
        if (i >= pattern.size() || pattern[i].unicode() >= 128 ||
            QChar::toLower(pattern[i].unicode()) != char16_t(*c))
            return false;
    }
    return true;
}

std::vector<Piece> tokenize(const QString& pattern) {
    std::vector<Piece> pieces;
    qsizetype i = 0;
    while (i < pattern.size()) {
        bool matched = false;
        for (const auto& p : patterns) {
            const auto len = static_cast<qsizetype>(qstrlen(p.text));
            if (lettersAt(pattern, i, p.text)) {
                pieces.push_back({p.token, {}});
                i += len;
                matched = true;
                break;
            }
        }
        if (!matched) {
            if (!pieces.empty() && pieces.back().token == Token::Literal)
                pieces.back().literal += pattern[i];
            else
                pieces.push_back({Token::Literal, QString(pattern[i])});
            ++i;
        }
    }
    // "m" means minutes right after an hour or right before seconds, literals between ignored.
    Token previous = Token::Literal;
    for (std::size_t k = 0; k < pieces.size(); ++k) {
        auto& piece = pieces[k];
        if (piece.token == Token::Literal)
            continue;
        if (piece.token == Token::Month1 || piece.token == Token::Month2) {
            Token next = Token::Literal;
            for (std::size_t j = k + 1; j < pieces.size(); ++j) {
                if (pieces[j].token != Token::Literal) {
                    next = pieces[j].token;
                    break;
                }
            }
            const bool afterHour = previous == Token::Hour1 || previous == Token::Hour2;
            const bool beforeSecond = next == Token::Sec1 || next == Token::Sec2;
            if (afterHour || beforeSecond)
                piece.token = piece.token == Token::Month2 ? Token::Min2 : Token::Min1;
        }
        previous = piece.token;
    }
    return pieces;
}

QString two(int n) {
    return QString::number(n).rightJustified(2, QLatin1Char('0'));
}

} // namespace

QString format(const QDateTime& value, const QString& pattern) {
    return format(value.date(), value.time(), pattern);
}

QString format(const QDate& value, const QString& pattern) {
    return format(value, QTime(0, 0), pattern);
}

QString format(const QDate& date, const QTime& time, const QString& pattern) {
    return Pattern(pattern).format(date, time);
}

struct Pattern::Pieces {
    std::vector<Piece> list;
};

Pattern::Pattern(const QString& pattern)
    : pieces_(std::make_shared<Pieces>(Pieces{tokenize(pattern)})) {}

QString Pattern::format(const QDate& d, const QTime& t) const {
    QString out;
    for (const auto& piece : pieces_->list) {
        switch (piece.token) {
        case Token::Literal:
            out += piece.literal;
            break;
        case Token::Year4:
            out += QString::number(d.year()).rightJustified(4, QLatin1Char('0'));
            break;
        case Token::Year2:
            out += two(d.year() % 100);
            break;
        case Token::Month2:
            out += two(d.month());
            break;
        case Token::Month1:
            out += QString::number(d.month());
            break;
        case Token::Day2:
            out += two(d.day());
            break;
        case Token::Day1:
            out += QString::number(d.day());
            break;
        case Token::Hour2:
            out += two(t.hour());
            break;
        case Token::Hour1:
            out += QString::number(t.hour());
            break;
        case Token::Min2:
            out += two(t.minute());
            break;
        case Token::Min1:
            out += QString::number(t.minute());
            break;
        case Token::Sec2:
            out += two(t.second());
            break;
        case Token::Sec1:
            out += QString::number(t.second());
            break;
        case Token::Weekday:
            out += weekdayName(d);
            break;
        case Token::WeekdayLong:
            out += weekdayName(d) + QStringLiteral("曜日");
            break;
        }
    }
    return out;
}

std::optional<QDate> tryDate(int year, int month, int day) {
    if (year < MinYear || year > MaxYear)
        return std::nullopt;
    if (!QDate::isValid(year, month, day))
        return std::nullopt;
    return QDate(year, month, day);
}

QDate makeDate(int year, int month, int day) {
    auto date = tryDate(year, month, day);
    if (!date)
        throw typeMismatch();
    return *date;
}

QString ymdText(int year, int month, int day) {
    return QString::number(year) + QLatin1Char('/') + QString::number(month) + QLatin1Char('/') +
           QString::number(day);
}

std::optional<QDate> parseStrict(const QString& text) {
    static const QRegularExpression re(QStringLiteral("^(\\d{3,4})/(\\d{1,2})/(\\d{1,2})$"));
    const auto m = re.match(text);
    if (!m.hasMatch())
        return std::nullopt;
    return tryDate(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt());
}

namespace {

int expandYear(const QString& digits) {
    const int y = digits.toInt();
    if (digits.size() <= 2)
        return y < 30 ? 2000 + y : 1900 + y;
    return y;
}

} // namespace

std::optional<QDate> parseLenient(const QString& text, const QDate& today) {
    // Full-width digits and separators typed through an input method read as their plain forms.
    QString s = text.normalized(QString::NormalizationForm_KC).trimmed();
    if (s.isEmpty())
        return std::nullopt;

    static const QRegularExpression kanji(
        QStringLiteral("^(?:(\\d{1,4})\\s*年)?\\s*(\\d{1,2})\\s*月\\s*(?:(\\d{1,2})\\s*日)?$"));
    if (const auto m = kanji.match(s); m.hasMatch()) {
        const int year = m.captured(1).isEmpty() ? today.year() : expandYear(m.captured(1));
        const int day = m.captured(3).isEmpty() ? 1 : m.captured(3).toInt();
        if (m.captured(1).isEmpty() && m.captured(3).isEmpty())
            return std::nullopt; // "7月" alone names no day
        return tryDate(year, m.captured(2).toInt(), day);
    }

    static const QRegularExpression separated(
        QStringLiteral("^(\\d{1,4})\\s*([/.\\-])\\s*(\\d{1,4})(?:\\s*\\2\\s*(\\d{1,4}))?$"));
    const auto m = separated.match(s);
    if (!m.hasMatch())
        return std::nullopt;
    const QString a = m.captured(1);
    const QString b = m.captured(3);
    const QString c = m.captured(4);
    if (c.isEmpty()) {
        if (a.size() >= 3) // 1998/7: the first of that month
            return b.size() <= 2 ? tryDate(a.toInt(), b.toInt(), 1) : std::nullopt;
        if (b.size() > 2)
            return tryDate(expandYear(b), a.toInt(), 1); // 7/1998
        return tryDate(today.year(), a.toInt(), b.toInt());
    }
    if (b.size() > 2)
        return std::nullopt;
    if (a.size() >= 3 || c.size() <= 2) {
        if (c.size() > 2)
            return std::nullopt;
        if (auto date = tryDate(expandYear(a), b.toInt(), c.toInt()))
            return date;
        return std::nullopt;
    }
    // m/d/yyyy, then d/m/yyyy
    if (a.size() > 2)
        return std::nullopt;
    if (auto date = tryDate(c.toInt(), a.toInt(), b.toInt()))
        return date;
    return tryDate(c.toInt(), b.toInt(), a.toInt());
}

namespace {

QDate checked(const QDate& result) {
    if (!inRange(result))
        throw typeMismatch();
    return result;
}

QDate checkedInput(const QDate& date) {
    if (!inRange(date))
        throw typeMismatch();
    return date;
}

} // namespace

QDate addDays(const QDate& date, qint64 days) {
    return checked(checkedInput(date).addDays(days));
}

QDate addMonths(const QDate& date, int months) {
    return checked(checkedInput(date).addMonths(months));
}

QDate addYears(const QDate& date, int years) {
    const QDate start = checkedInput(date);
    const int year = start.year() + years;
    if (year < MinYear || year > MaxYear)
        throw typeMismatch();
    const int day = std::min(start.day(), QDate(year, start.month(), 1).daysInMonth());
    return QDate(year, start.month(), day);
}

} // namespace platform::dates
