// The search's folding of texts and typed queries: the map back to the original stays inside
// it and in order, and every word of a query typed from a text is found in that text.
#include "FuzzCheck.h"
#include "store/search/TextFold.h"

#include <cstddef>
#include <cstdint>

namespace search = store::search;

namespace {

void checkFold(const QString& text) {
    const search::FoldedText folded = search::fold(text);
    FUZZ_CHECK(folded.origin.size() == std::size_t(folded.text.size()) + 1, text);
    FUZZ_CHECK(folded.origin.back() == text.size(), text);
    int previous = 0;
    for (std::size_t i = 0; i + 1 < folded.origin.size(); ++i) {
        const int at = folded.origin[i];
        FUZZ_CHECK(at >= previous && at < text.size(), text);
        previous = at;
    }
}

void checkMatch(const QString& text, const QStringList& words) {
    const auto span = search::firstMatch(text, words);
    if (!span)
        return;
    FUZZ_CHECK(span->start >= 0 && span->length > 0 && span->start + span->length <= text.size(),
               text + QStringLiteral(" / ") + words.join(QLatin1Char('|')));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // A zero byte, if any, splits the input into a text and a query to look for in it.
    const QByteArray input(reinterpret_cast<const char*>(data), qsizetype(size));
    const qsizetype split = input.indexOf('\0');
    const QString text = QString::fromUtf8(split < 0 ? input : input.left(split));
    const QString query = split < 0 ? QString() : QString::fromUtf8(input.mid(split + 1));

    checkFold(text);
    checkFold(query);

    const QStringList own = search::queryWords(text);
    const QString foldedWhole = search::foldedText(text);
    for (const QString& word : own) {
        FUZZ_CHECK(!word.isEmpty() && !word.contains(QLatin1Char(' ')), text);
        FUZZ_CHECK(foldedWhole.contains(word), text + QStringLiteral(" lacks ") + word);
    }
    if (!own.isEmpty())
        FUZZ_CHECK(search::firstMatch(text, own).has_value(), text);
    checkMatch(text, own);
    checkMatch(text, search::queryWords(query));
    return 0;
}
