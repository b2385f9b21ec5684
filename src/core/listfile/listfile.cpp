#include "listfile/listfile.h"

#include "text/cp932.h"

#include <QDir>

#include <algorithm>
#include <array>
#include <limits>

using namespace Qt::StringLiterals;

namespace siteloom {

namespace {

constexpr qsizetype keyLength = 5;
// The value of a line begins at its seventh character: the key and one separator before it.
constexpr qsizetype valueStart = keyLength + 1;

constexpr QStringView countKey = u"list1";
constexpr QStringView entryKeyStart = u"ls";
constexpr QStringView backgroundKeyStart = u"opt0";

struct FieldKey
{
    ListFileField field;
    QStringView key;
    QString PageInputs::*input;
    std::optional<QString> ListFileContent::*value;
};

// The text fields in the order they are written.
constexpr std::array<FieldKey, 6> fieldKeys{{
    {ListFileField::FileName, u"te001", &PageInputs::fileName, &ListFileContent::fileName},
    {ListFileField::BackgroundImage, u"te005", &PageInputs::backgroundImage,
     &ListFileContent::backgroundImage},
    {ListFileField::Title, u"te006", &PageInputs::title, &ListFileContent::title},
    {ListFileField::OwnBanner, u"te007", &PageInputs::ownBanner, &ListFileContent::ownBanner},
    {ListFileField::OwnName, u"te008", &PageInputs::ownName, &ListFileContent::ownName},
    {ListFileField::OwnUrl, u"te009", &PageInputs::ownUrl, &ListFileContent::ownUrl},
}};

const FieldKey& fieldKey(ListFileField field)
{
    return *std::find_if(fieldKeys.begin(), fieldKeys.end(),
                         [&](const FieldKey& f) { return f.field == field; });
}

// When the line begins with "ls" and the index in three-digit form, the length of that prefix.
qsizetype entryPrefixLength(QStringView line, qsizetype index)
{
    const ThreeDigits<char16_t> digits(index);
    if (!line.startsWith(entryKeyStart) || !line.sliced(entryKeyStart.size()).startsWith(digits.view()))
        return -1;
    return entryKeyStart.size() + qsizetype(digits.view().size());
}

[[nodiscard]] constexpr bool isDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

} // namespace

qsizetype firstUnsavable(QStringView text)
{
    // NUL would make the file read as a binary file.
    const qsizetype unencodable = cp932::firstUnencodable(text);
    const qsizetype nul = text.indexOf(QChar(0));
    if (unencodable < 0 || nul < 0)
        return std::max(unencodable, nul);
    return std::min(unencodable, nul);
}

namespace {

// The first character the file could not hold, among `count` entries made by entryAt and the
// fields of the inputs.
std::optional<UnencodableText> findUnencodableIn(const PageInputs& inputs, qsizetype count,
                                                 const std::function<QString(qsizetype)>& entryAt)
{
    const auto found = [](QStringView text, qsizetype at) {
        UnencodableText where;
        where.position = at;
        const QChar c = text[at];
        where.character = c.unicode();
        if (c.isHighSurrogate() && at + 1 < text.size() && text[at + 1].isLowSurrogate())
            where.character = QChar::surrogateToUcs4(c, text[at + 1]);
        return where;
    };
    for (qsizetype i = 0; i < count; ++i) {
        const QString entry = entryAt(i);
        if (const qsizetype at = firstUnsavable(entry); at >= 0) {
            UnencodableText where = found(entry, at);
            where.entry = i;
            return where;
        }
    }
    for (const FieldKey& f : fieldKeys) {
        const QString& text = inputs.*f.input;
        if (const qsizetype at = firstUnsavable(text); at >= 0) {
            UnencodableText where = found(text, at);
            where.field = f.field;
            return where;
        }
    }
    return std::nullopt;
}

void writeListLines(const PageInputs& inputs, qsizetype count,
                    const std::function<QString(qsizetype)>& entryAt, LineWriter& writer)
{
    QString line = countKey.toString();
    line += u'=';
    line += ThreeDigits<char16_t>(count).view();
    writer.writeLine(line);
    for (qsizetype i = 0; i < count; ++i) {
        line.resize(0); // keeps the capacity: one buffer for every entry line
        line += entryKeyStart;
        line += ThreeDigits<char16_t>(i).view();
        line += u'=';
        line += entryAt(i);
        writer.writeLine(line);
    }
    const auto writeField = [&](const FieldKey& f) {
        line.resize(0);
        line += f.key;
        line += u'=';
        line += inputs.*f.input;
        writer.writeLine(line);
    };
    // The page file name, the background button that is on, then the other fields.
    writeField(fieldKeys.front());
    if (inputs.background >= 1 && inputs.background <= backgroundChoices)
        writer.writeLine(backgroundKeyStart.toString() + QString::number(inputs.background) + u"=1"_s);
    for (qsizetype i = 1; i < qsizetype(fieldKeys.size()); ++i)
        writeField(fieldKeys[i]);
}

} // namespace

std::optional<UnencodableText> findUnencodable(const PageInputs& inputs)
{
    return findUnencodableIn(inputs, inputs.entries.size(),
                             [&inputs](qsizetype i) { return inputs.entries[i]; });
}

void writeListFile(const PageInputs& inputs, LineWriter& writer)
{
    writeListLines(
        inputs, inputs.entries.size(), [&inputs](qsizetype i) { return inputs.entries[i]; }, writer);
}

bool saveListFile(const QString& path, const PageInputs& inputs, ListFileSaveError* error,
                  ExistingFile existing)
{
    return saveListFile(
        path, inputs, inputs.entries.size(), [&inputs](qsizetype i) { return inputs.entries[i]; }, error,
        existing);
}

bool saveListFile(const QString& path, const PageInputs& inputs, qsizetype count,
                  const std::function<QString(qsizetype)>& entryAt, ListFileSaveError* error,
                  ExistingFile existing)
{
    // The writer notices what the reader would not take back (a character the file cannot hold, a
    // NUL, a file that reads as UTF-8) as it writes; only then is the text searched for where it stands.
    TextEncodingProblem refused = TextEncodingProblem::None;
    FileError fileError;
    if (writeExactTextFile(
            path, [&](LineWriter& writer) { writeListLines(inputs, count, entryAt, writer); }, &fileError,
            &refused, existing))
        return true;
    if (error) {
        switch (refused) {
        case TextEncodingProblem::None:
            *error = ListFileSaveError{std::nullopt, false, fileError};
            break;
        case TextEncodingProblem::Utf8:
            *error = ListFileSaveError{std::nullopt, true, {}};
            break;
        case TextEncodingProblem::NotWindows31J:
        case TextEncodingProblem::NulByte:
            *error = ListFileSaveError{findUnencodableIn(inputs, count, entryAt), false, {}};
            break;
        }
    }
    return false;
}

const std::optional<QString>& ListFileContent::field(ListFileField which) const
{
    return this->*fieldKey(which).value;
}

namespace {

// Reads a list file a line at a time, in the file's order.
class ListFileParser
{
public:
    void addLine(QStringView line)
    {
        if (m_blockLeft > 0) {
            addEntryLine(line);
            return;
        }
        if (line.size() < keyLength)
            return; // no key is shorter than five characters
        const QStringView key = line.first(keyLength);

        if (key == countKey) {
            startBlock(line);
            return;
        }
        if (key.startsWith(backgroundKeyStart) && key[4] >= u'1' && key[4] <= u'9') {
            m_content.background = key[4].unicode() - u'0'; // the value is not looked at
            return;
        }
        for (qsizetype i = 0; i < qsizetype(fieldKeys.size()); ++i) {
            const FieldKey& f = fieldKeys[i];
            if (key == f.key) {
                const QStringView value = line.sliced(std::min(valueStart, line.size()));
                // A value too long for its box is not kept: only its length is told.
                m_fieldTooLong[i] = value.size() > textBoxCapacity ? value.size() : 0;
                m_content.*f.value = m_fieldTooLong[i] > 0 ? QString() : value.toString();
                return;
            }
        }
    }

    // What the file set. A block still open when the file ends holds what it read.
    ListFileContent finish()
    {
        if (m_blockLeft > 0) {
            m_content.shortBlock = ShortEntryBlock{m_entries.size(), m_announced};
            m_content.entries = std::move(m_entries);
        }
        // The first too long in the fields' order, not the file's.
        for (qsizetype i = qsizetype(fieldKeys.size()) - 1; i >= 0; --i) {
            if (m_fieldTooLong[i] > 0)
                m_content.tooLong = TooLongValue{fieldKeys[i].field, m_fieldTooLong[i]};
        }
        return std::move(m_content);
    }

private:
    // The count line takes all the digits that begin its value (none: 0) and opens a block of that
    // many lines. A count beyond any file's length reads the rest of the file either way, so it
    // stops growing there and never overflows.
    void startBlock(QStringView line)
    {
        constexpr qsizetype beyondAnyFile = std::numeric_limits<qsizetype>::max() / 10 - 10;
        const QStringView value = line.sliced(std::min(valueStart, line.size()));
        qsizetype count = 0;
        qsizetype digitCount = 0;
        while (digitCount < value.size() && isDigit(value[digitCount])) {
            count = std::min(count * 10 + (value[digitCount].unicode() - u'0'), beyondAnyFile);
            ++digitCount;
        }
        QStringView digits = value.first(digitCount);
        while (digits.size() > 1 && digits.front() == u'0')
            digits = digits.sliced(1);
        m_announced = digits.toString();
        m_content.shortBlock.reset();
        m_entries = QStringList();
        m_blockIndex = 0;
        m_blockLeft = count;
        if (count == 0)
            m_content.entries = QStringList();
    }

    // Line i of the block is an entry when it begins with "ls" and i in three-digit form; its value
    // starts one character after that. Any other line of the block is dropped.
    void addEntryLine(QStringView line)
    {
        const qsizetype prefix = entryPrefixLength(line, m_blockIndex);
        if (prefix >= 0)
            m_entries.append(line.sliced(std::min(prefix + 1, line.size())).toString());
        ++m_blockIndex;
        if (--m_blockLeft == 0)
            m_content.entries = std::move(m_entries);
    }

    ListFileContent m_content;
    QStringList m_entries; // the entries of the open block
    // Per field, in the order of fieldKeys: the length of its value when that is too long, else 0.
    std::array<qsizetype, fieldKeys.size()> m_fieldTooLong{};
    qsizetype m_blockIndex = 0;
    qsizetype m_blockLeft = 0; // lines of the block still to come
    QString m_announced;       // the count's digits, without leading zeros
};

} // namespace

void applyListFile(const ListFileContent& content, PageInputs* inputs)
{
    if (content.entries)
        inputs->entries = *content.entries;
    if (content.background)
        inputs->background = *content.background;
    for (const FieldKey& f : fieldKeys) {
        if (const std::optional<QString>& value = content.*f.value)
            inputs->*f.input = *value;
    }
}

ListFileContent parseListFileText(QStringView text)
{
    ListFileParser parser;
    splitTextLines(text, [&parser](QStringView line) { parser.addLine(line); });
    return parser.finish();
}

bool readListFile(const QString& path, ListFileContent* content, ListFileReadError* error)
{
    // Each line is parsed as soon as its piece of the file is decoded, so the file is never held
    // whole: the entries are the only copy of the text.
    ListFileParser parser;
    ListFileReadError failure;
    if (!readTextLines(
            path, [&parser](QStringView line) { parser.addLine(line); }, &failure.file, &failure.encoding)) {
        if (error)
            *error = failure;
        return false;
    }
    ListFileContent read = parser.finish();
    if (read.tooLong) {
        if (error) {
            failure.file =
                FileError{QDir::toNativeSeparators(path), u"A field is longer than its text box holds."_s};
            failure.tooLong = read.tooLong;
            *error = failure;
        }
        return false;
    }
    *content = std::move(read);
    return true;
}

bool loadListFile(const QString& path, PageInputs* inputs, ListFileReadError* error,
                  std::optional<ShortEntryBlock>* shortBlock)
{
    ListFileContent content;
    if (!readListFile(path, &content, error))
        return false;
    applyListFile(content, inputs);
    if (shortBlock)
        *shortBlock = content.shortBlock;
    return true;
}

} // namespace siteloom
