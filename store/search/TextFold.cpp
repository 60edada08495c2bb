#include "store/search/TextFold.h"

#include <QHash>

#include <algorithm>
#include <array>
#include <memory>

namespace store::search {
namespace {

constexpr char16_t Identity = 0;
constexpr char16_t Several = 0xFFFF;
constexpr char16_t VoicedMark = 0x3099;
constexpr char16_t SemiVoicedMark = 0x309A;

bool isHiragana(char16_t c) {
    return (c >= 0x3041 && c <= 0x3096) || c == 0x309D || c == 0x309E;
}

// What one code unit of the Basic Multilingual Plane folds to. Worked out once for every code
// unit, because Unicode normalisation per character is far too slow for a whole journal.
class FoldTable {
public:
    FoldTable() {
        single_.fill(Identity);
        for (char32_t u = 0; u < 0x10000; ++u) {
            if (u >= 0xD800 && u <= 0xDFFF)
                continue;
            const QString folded = foldOne(char16_t(u));
            if (folded.size() == 1 && folded.at(0).unicode() == u)
                continue;
            if (folded.size() == 1 && folded.at(0).unicode() != Several) {
                single_[u] = folded.at(0).unicode();
            } else {
                single_[u] = Several;
                several_.insert(char16_t(u), folded);
            }
        }
    }

    // Appends the folding of c to out.
    void append(char16_t c, QString& out) const {
        const char16_t mapped = single_[c];
        if (mapped == Identity)
            out.append(QChar(c));
        else if (mapped == Several)
            out.append(several_.value(c));
        else
            out.append(QChar(mapped));
    }

private:
    static QString foldOne(char16_t c) {
        // The spacing sound marks ゛ ゜ normalise to a blank and a combining mark; they are the
        // mark itself here, as the half-width ﾞ ﾟ are.
        if (c == 0x309B)
            return QString(QChar(VoicedMark));
        if (c == 0x309C)
            return QString(QChar(SemiVoicedMark));
        QString s = QString(QChar(c)).normalized(QString::NormalizationForm_KC).toCaseFolded();
        s = s.normalized(QString::NormalizationForm_KC);
        for (QChar& ch : s) {
            if (isHiragana(ch.unicode()))
                ch = QChar(char16_t(ch.unicode() + 0x60));
        }
        return s;
    }

    std::array<char16_t, 0x10000> single_{};
    QHash<char16_t, QString> several_;
};

const FoldTable& table() {
    static const auto instance = std::make_unique<FoldTable>();
    return *instance;
}

// The katakana that a following sound mark turns into its voiced form, or 0.
char16_t composed(QChar base, char16_t mark) {
    const QString pair = QString(base) + QChar(mark);
    const QString nfc = pair.normalized(QString::NormalizationForm_C);
    return nfc.size() == 1 ? nfc.at(0).unicode() : 0;
}

} // namespace

FoldedText fold(QStringView text) {
    const FoldTable& folds = table();
    FoldedText result;
    result.text.reserve(text.size());
    result.origin.reserve(size_t(text.size()) + 1);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (QChar::isHighSurrogate(c) && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            result.text.append(text.mid(i, 2));
            result.origin.push_back(int(i));
            result.origin.push_back(int(i));
            ++i;
            continue;
        }
        const qsizetype before = result.text.size();
        folds.append(c, result.text);
        // ｻﾞ and サ゛ are ザ: a sound mark joins the kana before it where the pair has one form.
        if (result.text.size() == before + 1 && before > 0) {
            const char16_t mark = result.text.at(before).unicode();
            if (mark == VoicedMark || mark == SemiVoicedMark) {
                if (const char16_t joined = composed(result.text.at(before - 1), mark)) {
                    result.text.truncate(before);
                    result.text[before - 1] = QChar(joined);
                    continue;
                }
            }
        }
        for (qsizetype k = before; k < result.text.size(); ++k)
            result.origin.push_back(int(i));
    }
    result.origin.push_back(int(text.size()));
    return result;
}

QString foldedText(QStringView text) {
    return fold(text).text;
}

QStringList queryWords(QStringView query) {
    QStringList words;
    qsizetype start = -1;
    for (qsizetype i = 0; i <= query.size(); ++i) {
        const bool blank = i == query.size() || query[i].isSpace();
        if (!blank && start < 0)
            start = i;
        if (blank && start >= 0) {
            const QString word = foldedText(query.mid(start, i - start)).simplified();
            // A folding may itself give blanks (rare compatibility characters): its parts are
            // words of their own.
            for (const QString& part : word.split(QLatin1Char(' '), Qt::SkipEmptyParts))
                words.append(part);
            start = -1;
        }
    }
    return words;
}

std::optional<Span> firstMatch(QStringView text, const QStringList& words) {
    const FoldedText folded = fold(text);
    qsizetype best = -1;
    qsizetype bestLength = 0;
    for (const QString& word : words) {
        if (word.isEmpty())
            continue;
        const qsizetype at = folded.text.indexOf(word);
        if (at >= 0 && (best < 0 || at < best)) {
            best = at;
            bestLength = word.size();
        }
    }
    if (best < 0)
        return std::nullopt;
    const int from = folded.origin[size_t(best)];
    // A match inside one character's expansion (the 株 of ㈱) still marks that character.
    const int to = std::max(folded.origin[size_t(best + bestLength)], from + 1);
    return Span{from, to - from};
}

} // namespace store::search
