#pragma once

#include <QString>

// How an entry's words are written into an exported file: exactly as the user wrote them, never
// read as markup by a browser or a Markdown reader.
namespace store::exporting {

// The text with its line breaks as "\n" alone ("\r\n" and "\r" from other programs included).
QString plainLines(const QString& text);

// Text for an HTML page: &, <, >, " and ' written as character references.
QString htmlEscaped(const QString& text);

// Text as a CommonMark paragraph that shows it as written: every ASCII punctuation mark
// backslash-escaped (so no line starts a heading, quote, list, code or HTML block and nothing
// turns into emphasis or a link), blanks and tabs at a line's edges kept as character
// references (a reader would drop them or start a code block), and each line break a hard break.
// Line breaks at the very end are left out: a hard break cannot end a paragraph.
QString markdownParagraph(const QString& text);

} // namespace store::exporting
