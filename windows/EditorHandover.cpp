#include "windows/EditorHandover.h"

#include "app/modFunc.h"
#include "platform/System.h"
#include "windows/editor/frmMirel.h"

namespace windows {

frmMirel* findEditorByTitle() {
    return qobject_cast<frmMirel*>(platform::findTopLevelWindow(frmMirel::titleText()));
}

Handover handToOpenEditor(const QDate& day) {
    frmMirel* editor = findEditorByTitle();
    if (editor == nullptr)
        return Handover::NoEditor;
    // The save belongs to the day the editor shows, so it comes before WorkDate moves; a failed
    // save keeps the text where the user can still save it.
    if (!editor->devProc())
        return Handover::SaveFailed;
    app::modFunc().WorkDate = day;
    editor->iniForm();
    return Handover::Shown;
}

} // namespace windows
