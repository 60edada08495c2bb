#pragma once

namespace platform {

// Opens the help page MReadme.htm of the program files folder with the desktop's default
// handler. A missing page shows nothing.
void openHelpPage();

} // namespace platform
