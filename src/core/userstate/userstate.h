#pragma once

#include <QString>

namespace siteloom {

// The tool's folder in the user's state directory (XDG: $XDG_STATE_HOME, else ~/.local/state): what
// the tool remembers between runs that is neither the user's data nor a cache, such as what the
// update check saw last and what was last published. It may not exist yet.
[[nodiscard]] QString stateDirectory();

// Where an application's settings live on this desktop: <config home>/<application>/<application>.conf.
// A relative XDG_CONFIG_HOME names no directory (the XDG base directory rules have it ignored, where
// Qt would take it from whatever directory is current), so ~/.config stands instead.
[[nodiscard]] QString settingsFilePath(const QString& application);

} // namespace siteloom
