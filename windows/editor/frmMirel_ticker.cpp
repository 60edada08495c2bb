// The vocabulary ticker: English words with their Japanese meanings in the status line.
#include "windows/editor/frmMirel.h"

#include "windows/editor/Ticker.h"
#include "windows/editor/Vocabulary.h"

#include <QComboBox>
#include <QStatusBar>

void frmMirel::setWords() {
    Combo1->addItems(windows::editor::vocabularyRows());
    // No row until the first cycle (on no row) has run.
    Combo1->setCurrentIndex(-1);
}

void frmMirel::Timer1_Timer() {
    const int index = Combo1->currentIndex();
    const QString row = index >= 0 ? Combo1->itemText(index) : QString();
    const QString line = StatusBar1->currentMessage();
    const auto next = windows::editor::tick(tickPos, row, line);
    // While a row is held the line stays as it is; it is not set again.
    if (next.line != line)
        StatusBar1->showMessage(next.line);
    if (next.ended) {
        Combo1->setCurrentIndex(
            windows::editor::nextRowIndex(float(random_.generateDouble()), Combo1->count()));
    }
}
