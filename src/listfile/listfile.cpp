#include "listfile/listfile.h"

#include "text/cp932.h"

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

// A non-negative number in three-digit form (7 gives "007", 1000 gives "1000"), kept in a buffer of its own
// so that no string is built for every entry line.
class ThreeDigits
{
public:
    explicit ThreeDigits(qsizetype number)
    {
        do {
            m_digits[--m_start] = char16_t(u'0' + number % 10);
            number /= 10;
        } while (number > 0);
        while (qsizetype(m_digits.size()) - m_start < 3)
            m_digits[--m_start] = u'0';
    }

    [[nodiscard]] QStringView view() const
    {
        return QStringView(m_digits.data() + m_start, qsizetype(m_digits.size()) - m_start);
    }

private:
    std::array<char16_t, 24> m_digits{};
    qsizetype m_start = qsizetype(m_digits.size());
};

// When the line begins with "ls" and the index in three-digit form, the length of that prefix.
qsizetype entryPrefixLength(QStringView line, qsizetype index)
{
    const ThreeDigits digits(index);
    if (!line.startsWith(entryKeyStart) || !line.sliced(entryKeyStart.size()).startsWith(digits.view()))
        return -1;
    return entryKeyStart.size() + digits.view().size();
}

// The first character of the text that the file cannot hold: one Windows-31J lacks, or NUL, which
// would make the file read as a binary file.
qsizetype firstUnsavable(QStringView text)
{
    const qsizetype unencodable = cp932::firstUnencodable(text);
    const qsizetype nul = text.indexOf(QChar(0));
    if (unencodable < 0 || nul < 0)
        return std::max(unencodable, nul);
    return std::min(unencodable, nul);
}

// True when the file written for these inputs would be read back as UTF-8 text (looksLikeUtf8).
// Keys, counts and line ends are ASCII and end any byte sequence, so the file is valid UTF-8 exactly
// when every value is, and it holds Japanese when one of the values does. The fields go first: the
// start title alone already makes the file invalid UTF-8.
bool readsBackAsUtf8(const PageInputs& inputs)
{
    bool japanese = false;
    const auto validUtf8 = [&](const QString& value) {
        const Utf8Reading reading = classifyUtf8(cp932::encode(value));
        japanese = japanese || reading == Utf8Reading::Japanese;
        return reading != Utf8Reading::Invalid;
    };
    for (const FieldKey& f : fieldKeys) {
        if (!validUtf8(inputs.*f.input))
            return false;
    }
    for (const QString& entry : inputs.entries) {
        if (!validUtf8(entry))
            return false;
    }
    return japanese;
}

[[nodiscard]] constexpr bool isDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

// Reads the lines one at a time, so that no list of every line is ever held: a file of many short
// lines costs no more than its text.
class ListFileParser
{
public:
    void addLine(QStringView line)
    {
        if (m_blockLeft > 0) {
            addBlockLine(line);
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
        for (const FieldKey& f : fieldKeys) {
            if (key == f.key) {
                m_content.*f.value = line.sliced(std::min(valueStart, line.size())).toString();
                return;
            }
        }
    }

    [[nodiscard]] ListFileContent finish()
    {
        if (m_blockLeft > 0) {
            // The file ended inside the block: the announced count as written, without leading zeros.
            QStringView digits = m_announced;
            while (digits.size() > 1 && digits.front() == u'0')
                digits = digits.sliced(1);
            m_content.shortBlock = ShortEntryBlock{m_content.entries->size(), digits.toString()};
        }
        m_blockLeft = 0;
        return std::move(m_content);
    }

private:
    // The count line: all the digits that begin its value (none: 0). The count saturates far above
    // any number of lines a file can hold, so it never overflows.
    void startBlock(QStringView line)
    {
        constexpr qsizetype countLimit = (std::numeric_limits<qsizetype>::max() - 9) / 10;
        qsizetype count = 0;
        qsizetype digitsEnd = valueStart;
        while (digitsEnd < line.size() && isDigit(line[digitsEnd])) {
            count = std::min(count * 10 + (line[digitsEnd].unicode() - u'0'), countLimit);
            ++digitsEnd;
        }
        m_content.entries = QStringList();
        m_content.shortBlock.reset();
        m_blockLeft = count;
        m_blockIndex = 0;
        m_announced = count > 0 ? line.sliced(valueStart, digitsEnd - valueStart).toString() : QString();
    }

    // Line i of the block is an entry when it begins with "ls" and i in three-digit form; its value
    // starts one character after that. Any other line of the block is dropped.
    void addBlockLine(QStringView line)
    {
        const qsizetype prefix = entryPrefixLength(line, m_blockIndex);
        if (prefix >= 0)
            m_content.entries->append(line.sliced(std::min(prefix + 1, line.size())).toString());
        ++m_blockIndex;
        --m_blockLeft;
    }

    ListFileContent m_content;
    qsizetype m_blockLeft = 0;  // lines of the entry block still to come
    qsizetype m_blockIndex = 0; // position of the next line in the block
    QString m_announced;        // the count's digits as written
};

} // namespace

QString listFileKey(ListFileField field)
{
    return fieldKey(field).key.toString();
}

std::optional<UnencodableText> findUnencodable(const PageInputs& inputs)
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
    for (qsizetype i = 0; i < inputs.entries.size(); ++i) {
        const QString& entry = inputs.entries[i];
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

void writeListFile(const PageInputs& inputs, LineWriter& writer)
{
    QString line = countKey.toString();
    line += u'=';
    line += ThreeDigits(inputs.entries.size()).view();
    writer.writeLine(line);
    for (qsizetype i = 0; i < inputs.entries.size(); ++i) {
        line.resize(0); // keeps the capacity: one buffer for every entry line
        line += entryKeyStart;
        line += ThreeDigits(i).view();
        line += u'=';
        line += inputs.entries[i];
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

bool saveListFile(const QString& path, const PageInputs& inputs, ListFileSaveError* error)
{
    if (std::optional<UnencodableText> where = findUnencodable(inputs)) {
        if (error)
            *error = ListFileSaveError{where, false, {}};
        return false;
    }
    if (readsBackAsUtf8(inputs)) {
        if (error)
            *error = ListFileSaveError{std::nullopt, true, {}};
        return false;
    }
    FileError fileError;
    if (!writeTextFile(
            path, [&](LineWriter& writer) { writeListFile(inputs, writer); }, &fileError)) {
        if (error)
            *error = ListFileSaveError{std::nullopt, false, fileError};
        return false;
    }
    return true;
}

const std::optional<QString>& ListFileContent::field(ListFileField which) const
{
    return this->*fieldKey(which).value;
}

ListFileContent parseListFile(const QStringList& lines)
{
    ListFileParser parser;
    for (const QString& line : lines)
        parser.addLine(line);
    return parser.finish();
}

ListFileContent parseListFileText(QStringView text)
{
    ListFileParser parser;
    forEachLine(text, [&](QStringView line) { parser.addLine(line); });
    return parser.finish();
}

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

bool readListFile(const QString& path, ListFileContent* content, ListFileReadError* error)
{
    QString text;
    ListFileReadError failure;
    if (!readTextFile(path, &text, &failure.file, &failure.encoding)) {
        if (error)
            *error = failure;
        return false;
    }
    *content = parseListFileText(text);
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
