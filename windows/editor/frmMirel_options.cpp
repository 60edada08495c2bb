// The options menu and help.
#include "windows/editor/frmMirel.h"

#include "platform/Help.h"

// The commands of the options menu arrive with the editor's options; until then they do
// nothing.
void frmMirel::opNote_Click() {}

void frmMirel::optPath_Click(int) {}

void frmMirel::optComp_Click() {}

void frmMirel::opFsize_Click(int) {}

void frmMirel::sHelp_Click() {
    platform::openHelpPage();
}
