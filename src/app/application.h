#pragma once

#include <QIcon>

namespace siteloom {

// The tool's own icon, in every size it is drawn in. Every window shows it; the about window shows
// it large beside the tool's name.
[[nodiscard]] QIcon applicationIcon();

// What every window of the tool shares, set once on the application before the first window: its
// name, version, desktop id and icon, Qt's own texts and formats in Japanese, and the Japanese
// faces with the 9 pt Gothic user-interface font the windows were laid out for.
void prepareApplication();

} // namespace siteloom
