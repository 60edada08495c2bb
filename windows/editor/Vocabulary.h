#pragma once
#include <QStringList>
namespace windows::editor {
// The 196 rows of the vocabulary ticker, in their fixed order: an English headword, "  ：  ",
// its Japanese meanings, and for many synonyms in [] and antonyms in <>.
QStringList vocabularyRows();
} // namespace windows::editor
