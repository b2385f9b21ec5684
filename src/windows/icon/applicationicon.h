#pragma once

#include <QIcon>

namespace siteloom {

// The tool's own icon, in every size it is drawn in. Every window shows it; the about window shows
// it large beside the tool's name.
[[nodiscard]] QIcon applicationIcon();

} // namespace siteloom
