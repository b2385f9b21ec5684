#pragma once

#include <QString>

namespace siteloom {

class Platform;

// The user's desktop folder, or "" when there is none: the desktop does not report one, the folder
// does not exist, or its path takes more than 249 bytes in UTF-8 (the lookup's buffer holds 250
// bytes with the terminator). Looked up afresh on every call.
[[nodiscard]] QString dirs_proc1(Platform& platform);

// The remembered start directory, kept in the settings store under (appname, "startup", "firstdir").
// Mode 1 reads it ("" when nothing, or nothing but "", is stored); any other mode stores the
// process's current directory there and returns "". Failures are not reported.
[[nodiscard]] QString dirs_proc2(Platform& platform, const qint16& mode, const QString& appname);

} // namespace siteloom
