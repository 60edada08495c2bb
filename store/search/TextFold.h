#pragma once

#include <QString>
#include <QStringList>
#include <QStringView>

#include <optional>
#include <vector>

// How the search compares texts: letter case, full-width and half-width forms, and hiragana and
// katakana do not matter (ＡＢＣ = abc, ｻﾝﾎﾟ = サンポ = さんぽ, ２０２６ = 2026).
namespace store::search {

struct FoldedText {
    QString text;
    // For each code unit of text, where its source begins in the original; one more element at
    // the end holds the original's length, so a match [i, i + n) came from
    // [origin[i], origin[i + n]).
    std::vector<int> origin;
};

FoldedText fold(QStringView text);
QString foldedText(QStringView text);

// The words of a typed query: split at blanks (half-width, ideographic and the other Unicode
// spaces), each folded; empty when the query holds nothing but blanks.
QStringList queryWords(QStringView query);

struct Span {
    int start = 0;
    int length = 0;
};
// Where the first of the words occurs in text, as a range of the original text; nullopt when
// none does.
std::optional<Span> firstMatch(QStringView text, const QStringList& words);

} // namespace store::search
