#pragma once

#include <QString>

namespace siteloom {

struct FileError;
struct ListFileContent;
struct ListFileReadError;
struct ListFileSaveError;
struct UnencodableText;
enum class ListFileField;

// The main window's messages about the page and the list file, worded in one place for the
// window's message boxes and for the command line, which writes them to standard error. They use
// QtCore only, so the command line can build a page without a widget.

// A file that could not be read or written: what went wrong, the file and why, one to a line.
[[nodiscard]] QString fileProblemMessage(const QString& what, const FileError& error);

// "html 作成": what stops the page before anything is written, tested in this order.
enum class PageInputsProblem {
    None,
    NoEntries,         // the list is empty
    NoFileName,        // the file name is empty, or blanks only
    FileNameHasSlash,  // the file name holds "/": a path, not a name
    FileNameIsNotFile, // the file name is "." or "..", which name directories
};
// The page's inputs checked: the number of the list's entries and the file name as typed.
[[nodiscard]] PageInputsProblem checkPageInputs(qsizetype entryCount, const QString& fileName);
// What the window and the command line say for the problem (empty for None), naming the file name
// as typed.
[[nodiscard]] QString pageInputsMessage(PageInputsProblem problem, const QString& fileName);
// The page at this path (native form) would replace the list file: nothing is written.
[[nodiscard]] QString pageWouldReplaceListFileMessage(const QString& path);
// The page was written.
[[nodiscard]] QString pageWrittenMessage();
// The page at this path (native form) could not be written.
[[nodiscard]] QString pageNotWrittenMessage(const QString& path, const FileError& error);
// Added to it in the window while no base directory has been chosen yet (a first run).
[[nodiscard]] QString chooseBaseDirectoryHint();
// The preview's temporary folder cannot be used: TMPDIR (as set) names no folder, or the
// temporary folder (native form) lies inside the base directory.
[[nodiscard]] QString previewNoTemporaryFolderMessage(const QString& tmpdir);
[[nodiscard]] QString previewFolderInsideBaseMessage(const QString& temporaryFolder);

// Closing the main window with changes since the last save or load: the question and its three
// answers.
[[nodiscard]] QString saveChangesQuestion();
[[nodiscard]] QString saveChangesSaveButton();
[[nodiscard]] QString saveChangesDiscardButton();
[[nodiscard]] QString saveChangesCancelButton();

// Captions of the main window that its messages name, so that a message names a box exactly as the
// window labels it.
namespace caption {
inline constexpr char16_t fileName[] = u"作成ﾌｧｲﾙ名を入れる";
inline constexpr char16_t baseDirectory[] = u"基準パソコンディレクトリ";
inline constexpr char16_t chooseDirectory[] = u"指定";
inline constexpr char16_t backgroundFrame[] = u"ＨＰ色（背景）指定";
inline constexpr char16_t backgroundImage[] = u"ﾌｧｲﾙ指定";
inline constexpr char16_t title[] = u"トップのタイトル名";
inline constexpr char16_t ownSiteFrame[] = u"自分のＨＰ情報";
inline constexpr char16_t banner[] = u"バナーＵＲＬ";
inline constexpr char16_t siteName[] = u"ＨＰ名または、";
inline constexpr char16_t siteNameSecondLine[] = u"ＨＰ説明";
inline constexpr char16_t siteUrl[] = u"登録するＵＲＬ";
} // namespace caption

// A field of the list file as the user finds it in the window: the caption of its text box, after
// the frame's title where the same caption stands on both tabs.
[[nodiscard]] QString listFileFieldCaption(ListFileField field);

// "ファイル読込": the file could not be read, is not Shift_JIS text (and what it is instead), or holds
// a value longer than its text box.
[[nodiscard]] QString listFileUnreadableMessage(const ListFileReadError& error);
// What a load that read the file says: listFileLoadedMessage(), or that the file ended inside its
// entry block and how many entries came in.
[[nodiscard]] QString listFileLoadMessage(const QString& path, const ListFileContent& content);
[[nodiscard]] QString listFileLoadedMessage();

// "ファイル保存": a character the list file cannot hold, named with the box or entry it stands in.
[[nodiscard]] QString listFileUnencodableMessage(const UnencodableText& where);
// The list file was not saved, and why. The window and --import word it alike.
[[nodiscard]] QString listFileNotSavedMessage(const ListFileSaveError& error);

} // namespace siteloom
