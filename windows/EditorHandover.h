#pragma once

#include <QDate>

class frmMirel;

// Handing a day to the entry editor while it is open, as the calendar window does on a click
// and the year notebook on a double-click.
namespace windows {

// The open editor as the other windows look for it: a visible top-level window titled exactly
// "Velmora絵日記"; nullptr when there is none.
frmMirel* findEditorByTitle();

enum class Handover {
    NoEditor,   // no editor is open: nothing was done
    Shown,      // the editor saved its entry under the old WorkDate and now shows the day
    SaveFailed, // its save failed and said so: WorkDate, the editor's day and text stay
};

// When the editor is open: it saves the entry it shows under the unchanged WorkDate first, and
// only when that worked WorkDate becomes the day and the editor loads it.
Handover handToOpenEditor(const QDate& day);

} // namespace windows
