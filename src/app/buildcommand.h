#pragma once

#include <QString>

namespace siteloom {

// siteloom --build FILE [--directory DIR]: loads the list file onto the window's start values as
// "ファイル読込" does and writes the page as "html 作成" does, into DIR as if Label1 held it (the
// current directory when DIR is null). The first message the window would show that is not a
// success goes to standard error with exit status 1, and nothing more is done; the page's path goes
// to standard output. The page never replaces the list file. Runs on a QCoreApplication.
[[nodiscard]] int runBuild(const QString& file, const QString& directory);

// The same without the path on standard output: on success gives exitDone and the page's path in
// *written, else the status after the message went to standard error.
[[nodiscard]] int buildPageFile(const QString& file, const QString& directory, QString* written);

} // namespace siteloom
