#pragma once

#include <QString>

namespace platform {

// What a failed file operation's error number (errno) means, in words a user can act on.
QString fileErrorText(int error);

} // namespace platform
