#pragma once

#include "page/pageinputs.h"

#include <QString>

namespace siteloom {

struct FileError;

// A list file read for its page alone: the page is in the list's code page, so an entry whose every
// byte comes back as it is through decoding and encoding is copied into the page as it stands,
// never decoded, held as text nor encoded again. The file is read twice through one buffer, once to
// check it and once to check it again and copy the entries, so a list of a hundred thousand entries becomes
// its page in a fraction of the time and memory that holding each entry as text takes.
//
// Only a list in the form this tool writes is read so: the count line first, its entries right after
// it in order, every line of them ending in CR LF, and no count line after them. Anything else (and
// any file the full reading would refuse or warn about) is left to readListFile, which also says
// what is wrong with it.
class ListFileBytes
{
public:
    ListFileBytes() = default;
    ListFileBytes(const ListFileBytes&) = delete;
    ListFileBytes& operator=(const ListFileBytes&) = delete;
    ~ListFileBytes();

    // Reads the count line and the page options after the entries; false when the file is not in
    // the form above, as far as they tell, or cannot be read.
    [[nodiscard]] bool read(const QString& path);

    // What the file sets onto PageInputs{}, but the entries, which are left empty.
    [[nodiscard]] const PageInputs& options() const { return m_options; }
    [[nodiscard]] qsizetype entryCount() const { return m_entryCount; }

    // Writes the page as writePageFile writes it for these options and entries, byte for byte,
    // checking each entry as the full reading would take it as it is copied. When the entries are
    // not in the form above after all (or the file was written in place meanwhile), or the page
    // could not be written before they were all checked, gives up: *gaveUp is set, nothing is
    // written, and the full reading is left to make the page and to say what is wrong.
    [[nodiscard]] bool writePage(const QString& baseDirectory, QString* writtenPath, FileError* error,
                                 bool* gaveUp) const;

private:
    int m_fd = -1;
    qint64 m_blockStart = 0;    // where the first entry's line starts in the file
    qint64 m_optionsStart = 0;  // and where the line after the last one starts
    bool m_optionsUtf8 = false; // the lines from there on are valid UTF-8
    qint64 m_size = 0;          // the file's size and time of change as read
    qint64 m_changed = 0;
    qsizetype m_entryCount = 0;
    PageInputs m_options;
};

} // namespace siteloom
