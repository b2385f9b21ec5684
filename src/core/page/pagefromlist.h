#pragma once

#include "page/pageinputs.h"

#include <QByteArray>
#include <QString>

#include <vector>

namespace siteloom {

struct FileError;

// A list file held as its own bytes, to make the page from them: the page is in the list's code page,
// so an entry whose every byte comes back as it is through decoding and encoding is copied into the
// page as it stands, never decoded nor encoded. A list of a hundred thousand entries becomes its page
// in a fraction of the time and memory that holding each entry as text takes.
//
// Only a list in the form this tool writes is read so: the count line first, its entries right after
// it in order, every line of them ending in CR LF, and no count line after them. Anything else (and
// any file the full reading would refuse or warn about) is left to readListFile, which also says
// what is wrong with it.
class ListFileBytes
{
public:
    // Reads the list file; false when it is not in the form above or cannot be read.
    [[nodiscard]] bool read(const QString& path);

    // What the file sets onto PageInputs{}, but the entries, which are left empty.
    [[nodiscard]] const PageInputs& options() const { return m_options; }
    [[nodiscard]] qsizetype entryCount() const { return qsizetype(m_entries.size()); }

    // Writes the page as writePageFile writes it for these options and entries, byte for byte.
    [[nodiscard]] bool writePage(const QString& baseDirectory, QString* writtenPath, FileError* error) const;

private:
    // An entry's value in the bytes and, counted from its start, its first two separators (-1 when
    // missing).
    struct Entry
    {
        qsizetype start = 0;
        qint32 length = 0;
        qint32 first = -1;
        qint32 second = -1;
        bool comesBack = true; // every byte comes back through decoding and encoding
    };

    // Reads the line of entry `index` that starts at `start`; where the next line starts, or -1 when
    // the line is not the entry's in the form this tool writes.
    [[nodiscard]] qsizetype readEntry(qsizetype index, qsizetype start);

    QByteArray m_bytes;
    std::vector<Entry> m_entries;
    PageInputs m_options;
};

} // namespace siteloom
