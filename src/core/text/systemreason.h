#pragma once

#include <QString>

namespace siteloom {

// Why the system refused a file operation, in Japanese: the reason for an errno value, worded as
// Qt's Japanese translation words the reasons it translates. Every message that gives the system's
// reason takes it from here, so none comes out in the system's own (often English) wording.
[[nodiscard]] QString systemReason(int errnoValue);

// The same for an operation on a path. A path that does not exist and holds the replacement
// character U+FFFD names a file or directory whose name is not UTF-8 (a Shift_JIS name from an old
// archive, say): such a name cannot be given back to the system, and that is the reason told.
[[nodiscard]] QString systemReason(int errnoValue, const QString& path);

} // namespace siteloom
