#include "buildcommand.h"

#include "commandline_output.h"
#include "messages/messages.h"
#include "page/linkpage.h"
#include "page/pagefromlist.h"
#include "text/systemreason.h"
#include "text/textfile.h"

#include <QDir>
#include <QFileInfo>

#include <cerrno>
#include <climits>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace siteloom {

namespace {

// Why the current directory cannot be named (it was deleted, or its path is longer than the system
// names), in the system's words; empty when it can.
QString currentDirectoryProblem()
{
    // The same call and limit as QDir::currentPath(), which gives an empty path in these cases, so
    // that a relative name would be taken from the root.
    char name[PATH_MAX + 1];
    if (::getcwd(name, sizeof name) != nullptr)
        return {};
    // A path longer than the buffer is ERANGE, "Numerical result out of range": say what it means.
    return systemReason(errno == ERANGE ? ENAMETOOLONG : errno);
}

} // namespace

int runBuild(const QString& file, const QString& directory)
{
    QString written;
    const int status = buildPageFile(file, directory, &written);
    if (status == exitDone)
        writeLine(stdout, written);
    return status;
}

int buildPageFile(const QString& file, const QString& directory, QString* written)
{
    // The current directory is needed for the page when no directory is given, and for any
    // relative name.
    if (directory.isNull() || QDir::isRelativePath(directory) || QDir::isRelativePath(file)) {
        if (const QString reason = currentDirectoryProblem(); !reason.isEmpty()) {
            writeLine(
                stderr,
                u"今のディレクトリ（カレントディレクトリ）がわからないため、ページを書き込みませんでした"
                u"（削除されたか、パスが長すぎます）。\n%1\n"
                u"リストファイルと --directory を、どちらも絶対パスで指定してください。"_s.arg(reason));
            return exitMessage;
        }
    }

    // The list file by its full path: the page must never replace it. A list in the form this tool
    // writes, fit for a page, makes its page from its own bytes; any other (or one found not to be
    // in that form after all) is read whole, and what is wrong with it told.
    const QString path = QFileInfo(file).absoluteFilePath();
    const QString baseDirectory = directory.isNull() ? QDir::currentPath() : directory;
    if (ListFileBytes listBytes;
        listBytes.read(path) &&
        checkPageInputs(listBytes.entryCount(), listBytes.options().fileName) == PageInputsProblem::None &&
        !isSameFile(pageFilePath(baseDirectory, listBytes.options().fileName), path)) {
        FileError writeError;
        bool gaveUp = false;
        if (listBytes.writePage(baseDirectory, written, &writeError, &gaveUp))
            return exitDone;
        if (!gaveUp) {
            writeLine(stderr, pageNotWrittenMessage(*written, writeError));
            return exitMessage;
        }
    }
    PageInputs inputs;
    if (!loadListFileOrSay(file, &inputs))
        return exitMessage;
    if (const PageInputsProblem problem = checkPageInputs(inputs.entries.size(), inputs.fileName);
        problem != PageInputsProblem::None) {
        writeLine(stderr, pageInputsMessage(problem, inputs.fileName));
        return exitMessage;
    }
    if (const QString pagePath = pageFilePath(baseDirectory, inputs.fileName); isSameFile(pagePath, path)) {
        writeLine(stderr, pageWouldReplaceListFileMessage(QDir::toNativeSeparators(pagePath)));
        return exitMessage;
    }
    FileError writeError;
    if (!writePageFile(baseDirectory, inputs, written, &writeError)) {
        writeLine(stderr, pageNotWrittenMessage(*written, writeError));
        return exitMessage;
    }
    return exitDone;
}

} // namespace siteloom
