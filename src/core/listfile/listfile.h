#pragma once

#include "page/pageinputs.h"
#include "text/textfile.h"

#include <QString>
#include <QStringList>

#include <array>
#include <functional>
#include <optional>
#include <string_view>

namespace siteloom {

// The link list file: key=value lines in Windows-31J with CR LF line ends. In this order: the count
// line "list1=NNN", one line "lsNNN=entry" per link entry, "te001=" with the page file name, the
// background line "opt0N=1" of the button that is on (none when no button is on), then "te005=" to
// "te009=" with the background image URL, the title and the owner's banner, name and URL. Numbers
// are padded with zeros to at least three digits; values are written as they stand.

// A non-negative number in the file's three-digit form (7 gives "007", 1000 gives "1000"), the form
// of the count and of each entry line's index, kept in a buffer of its own so that no string is
// built for every entry line: in UTF-16 for the file's text, in bytes for the file itself.
template <typename Char> class ThreeDigits
{
public:
    explicit ThreeDigits(qsizetype number)
    {
        do {
            m_digits[--m_start] = Char('0' + number % 10);
            number /= 10;
        } while (number > 0);
        while (qsizetype(m_digits.size()) - m_start < 3)
            m_digits[--m_start] = Char('0');
    }

    [[nodiscard]] std::basic_string_view<Char> view() const
    {
        return {m_digits.data() + m_start, size_t(qsizetype(m_digits.size()) - m_start)};
    }

private:
    std::array<Char, 24> m_digits{};
    qsizetype m_start = qsizetype(m_digits.size());
};

// The text fields of the file, in the order they are written.
enum class ListFileField {
    FileName,        // te001
    BackgroundImage, // te005
    Title,           // te006
    OwnBanner,       // te007
    OwnName,         // te008
    OwnUrl,          // te009
};

inline constexpr std::array<ListFileField, 6> listFileFields{
    ListFileField::FileName,  ListFileField::BackgroundImage, ListFileField::Title,
    ListFileField::OwnBanner, ListFileField::OwnName,         ListFileField::OwnUrl,
};

// A character that Windows-31J cannot hold, and where it stands.
struct UnencodableText
{
    qsizetype entry = -1;                          // index in the list, or -1 when it is in a field
    ListFileField field = ListFileField::FileName; // the field, when entry is -1
    qsizetype position = 0;                        // index of the character in the entry's or field's text
    char32_t character = 0;                        // the character (a lone surrogate stands for itself)
};

// Index of the first character of the text that the file could not hold (one Windows-31J lacks, or
// NUL, which only binary files hold), or -1.
[[nodiscard]] qsizetype firstUnsavable(QStringView text);

// The first character of the inputs that the file could not hold (one Windows-31J lacks, or NUL,
// which only binary files hold), in the order the file is written; nullopt when every entry and
// field can be saved as it is.
[[nodiscard]] std::optional<UnencodableText> findUnencodable(const PageInputs& inputs);

// Writes the lines of the file for these inputs, in their order, characters Windows-31J cannot hold
// included (the writer turns them into character references; saveListFile refuses them).
void writeListFile(const PageInputs& inputs, LineWriter& writer);

struct ListFileSaveError
{
    std::optional<UnencodableText> unencodable; // set when nothing was written for this reason
    bool readsAsUtf8 = false;                   // nothing was written: the file would read back as UTF-8 text
    FileError file;                             // otherwise: the file that could not be written, and why
};

// Saves the inputs as a list file. Nothing is written when an entry or field holds a character the
// file cannot hold, or when the whole file would be valid UTF-8 holding Japanese, which the reader
// takes for a UTF-8 file (only text without any kana, common kanji, punctuation or entry separator
// can be); a file already there is replaced only once the new one is complete, or with
// ExistingFile::Keep never (error->file.exists tells).
[[nodiscard]] bool saveListFile(const QString& path, const PageInputs& inputs, ListFileSaveError* error,
                                ExistingFile existing = ExistingFile::Replace);

// The same for a list too long to hold composed: the entries are `count` lines that entryAt makes
// one at a time as they are written (inputs.entries is not looked at), each for as long as it is
// written.
[[nodiscard]] bool saveListFile(const QString& path, const PageInputs& inputs, qsizetype count,
                                const std::function<QString(qsizetype)>& entryAt, ListFileSaveError* error,
                                ExistingFile existing = ExistingFile::Replace);

// A file that ends inside its entry block: the entries that were there, out of how many the count
// line announced (its digits as written, without leading zeros, since they may exceed any integer).
struct ShortEntryBlock
{
    qsizetype entriesRead = 0;
    QString entriesAnnounced;
};

// The most characters a text box of the window holds (a one-line text box's own limit). A field that
// goes into a text box would be cut off there if it were longer: a list file holding one is refused.
// Entries go into the list whole, however long; the window refuses to edit one whose fields do not
// fit the entry boxes.
inline constexpr qsizetype textBoxCapacity = 32767;

// A field of a list file longer than its text box holds.
struct TooLongValue
{
    ListFileField field = ListFileField::FileName;
    qsizetype length = 0; // the length of the field's text

    friend bool operator==(const TooLongValue&, const TooLongValue&) = default;
};

// What a list file sets. Only what occurs in the file is set; the rest stays as it was when the
// file is applied.
struct ListFileContent
{
    std::optional<QStringList> entries; // the entries of the last count line's block
    std::optional<int> background;      // the last background line: 1 to 9
    std::optional<QString> fileName;
    std::optional<QString> backgroundImage;
    std::optional<QString> title;
    std::optional<QString> ownBanner;
    std::optional<QString> ownName;
    std::optional<QString> ownUrl;
    std::optional<ShortEntryBlock> shortBlock; // the file ended inside the last entry block
    // A field of the above that its text box cannot hold: the first in the order of listFileFields.
    // Its text is not kept; the file is not to be applied.
    std::optional<TooLongValue> tooLong;

    // The value of a text field, if the file sets it.
    [[nodiscard]] const std::optional<QString>& field(ListFileField which) const;
};

// Sets what the file sets.
void applyListFile(const ListFileContent& content, PageInputs* inputs);

struct ListFileReadError
{
    FileError file;                                           // the file and why it could not be read
    TextEncodingProblem encoding = TextEncodingProblem::None; // it was read, but is not Windows-31J text
    std::optional<TooLongValue> tooLong; // it was read, but holds a field too long for its text box
};

// A list file's lines: every line is a five-character key, one character that is not looked
// at, and a value from the seventh character on. Keys match exactly; unknown lines are skipped;
// later lines win. The count line "list1" takes all the digits that begin its value (none: 0) and
// the lines right after it as its entry block, by position: line i of the block is an entry when it
// begins with "ls" and i in three-digit form, its value starting one character after that; any
// other line of the block is dropped. A block longer than the rest of the file ends with the file.
// A field longer than its text box is noted in tooLong rather than kept; entries are kept whole.
//
// Reads and parses a whole list file, each line as its piece of the file is decoded. A file that is
// not a regular file, is not Windows-31J text or holds a field too long for its text box is refused. On
// failure *content is left alone.
[[nodiscard]] bool readListFile(const QString& path, ListFileContent* content, ListFileReadError* error);

// Parses a list file's lines given as text, as readListFile parses the file's; tooLong is set rather
// than refused.
[[nodiscard]] ListFileContent parseListFileText(QStringView text);

// Reads a list file and applies it onto *inputs (PageInputs{} holds the window's start values). On
// failure *inputs is left alone. *shortBlock (if given) tells whether the file ended inside its block.
[[nodiscard]] bool loadListFile(const QString& path, PageInputs* inputs, ListFileReadError* error,
                                std::optional<ShortEntryBlock>* shortBlock = nullptr);

} // namespace siteloom
