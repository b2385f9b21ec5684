#pragma once

#include <QLatin1String>

namespace siteloom {

// What the named character reference stands for (the name without its "&", with its ";" when it is
// written with one), or nullptr when HTML has no such name.
[[nodiscard]] const char16_t* namedCharacterReference(QLatin1String name);

} // namespace siteloom
