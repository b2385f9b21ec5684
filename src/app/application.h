#pragma once

namespace siteloom {

// What every window of the tool shares, set once on the application before the first window: its
// name, version, desktop id and icon, Qt's own texts and formats in Japanese, and the Japanese
// faces with the 9 pt Gothic user-interface font the windows were laid out for.
void prepareApplication();

} // namespace siteloom
