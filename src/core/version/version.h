#pragma once

// The tool's identity in one place: the about window shows it, the command line prints the version,
// and the build reads every value here for the package, the desktop entry and the AppStream
// metadata. Keep each value on a line of its own, in the form name[] = u"value".

namespace siteloom {

inline constexpr char16_t programVersion[] = u"1.01";
inline constexpr char16_t releaseDate[] = u"2000/04/02";

// The author's home page (shown in the about window and opened by its button) and e-mail address.
inline constexpr char16_t authorHomePage[] = u"http://siteloom.example.jp/";
inline constexpr char16_t authorEmail[] = u"author@siteloom.example.jp";

// The reverse-DNS id the desktop knows the tool by: the name of its desktop entry, its icon and its
// AppStream component.
inline constexpr char16_t applicationId[] = u"jp.example.siteloom";

} // namespace siteloom
