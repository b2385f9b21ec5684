#pragma once

#include <QString>
#include <QStringView>

namespace siteloom {

// Web addresses as a browser sees them: only absolute http and https addresses with a host count,
// and two of them are the same address when a browser would fetch the same resource for both.

// True for an absolute http or https address with a host (blanks around it allowed): "http://"
// alone, a relative path or another scheme is not one.
[[nodiscard]] bool isWebUrl(QStringView url);

// The address in one canonical spelling, or "" when it is not a web address: scheme and host in
// lower case, the scheme's default port dropped, an empty path written "/", "." and ".." segments
// resolved, percent-encoding made uniform, the fragment (which never reaches the server) dropped.
[[nodiscard]] QString comparableUrl(QStringView url);

// True when both are web addresses with the same canonical spelling.
[[nodiscard]] bool sameWebUrl(QStringView a, QStringView b);

// A reference found in a page (an href or src, possibly relative) made absolute against the page's
// own address, as a browser would follow it; "" when it cannot be.
[[nodiscard]] QString resolveUrl(QStringView base, QStringView reference);

} // namespace siteloom
