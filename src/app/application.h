#pragma once

namespace siteloom {

// What every window of the tool shares, set once on the application before the first window: its
// name, version, desktop id and icon, Qt's own texts and formats in Japanese, and the Japanese
// faces, with the desktop's user-interface font (or the Gothic at its size) for the windows.
void prepareApplication();

} // namespace siteloom
