#pragma once

#include <QString>

namespace siteloom {

// The tool's folder in the user's state directory (XDG: $XDG_STATE_HOME, else ~/.local/state): what
// the tool remembers between runs that is neither the user's data nor a cache, such as what the
// update check saw last and what was last published. It may not exist yet.
[[nodiscard]] QString stateDirectory();

} // namespace siteloom
