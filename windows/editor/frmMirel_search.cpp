// The search from the editor: opening the search window, and the match of a hit shown in the
// journal text.
#include "windows/editor/frmMirel.h"

#include "store/search/TextFold.h"
#include "windows/WindowLookup.h"

#include <QPlainTextEdit>
#include <QTextCursor>

void frmMirel::opFind_Click() {
    windows::showFinder();
}

void frmMirel::selectFirstMatch(const QStringList& words) {
    // The words as the search compares them, whoever folded them before.
    QStringList folded;
    for (const QString& word : words) {
        if (QString f = store::search::foldedText(word); !f.isEmpty())
            folded << f;
    }
    // boxText keeps one character per position of the document, so the span fits the cursor.
    const auto match = store::search::firstMatch(boxText(1), folded);
    if (!match)
        return;
    QPlainTextEdit* box = textBox(1);
    QTextCursor cursor(box->document());
    cursor.setPosition(match->start);
    cursor.setPosition(match->start + match->length, QTextCursor::KeepAnchor);
    box->setTextCursor(cursor);
    box->ensureCursorVisible();
    box->setFocus(Qt::OtherFocusReason);
}
