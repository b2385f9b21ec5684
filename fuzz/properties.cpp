#include "properties.h"

#include "listfile/listfile.h"

#include <QDir>
#include <QFile>

using namespace Qt::StringLiterals;

namespace siteloom::fuzz {

namespace {

bool writeFile(const QString& path, QByteArrayView bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes.data(), bytes.size()) == bytes.size();
}

QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The inputs as one line per value, so that a difference shows where it is.
QString describe(const PageInputs& inputs)
{
    QString text = u"%1 entries, background %2"_s.arg(inputs.entries.size()).arg(inputs.background);
    for (const QString& value : {inputs.fileName, inputs.backgroundImage, inputs.title, inputs.ownBanner,
                                 inputs.ownName, inputs.ownUrl})
        text += u"\n  ["_s + value + u']';
    for (const QString& entry : inputs.entries)
        text += u"\n  entry ["_s + entry + u']';
    return text;
}

} // namespace

QString checkListFileRoundTrip(QByteArrayView bytes, const QString& directory)
{
    const QDir dir(directory);
    const QString original = dir.filePath(u"original.txt"_s);
    const QString saved = dir.filePath(u"saved.txt"_s);
    if (!writeFile(original, bytes))
        return u"cannot write the input to "_s + original;

    PageInputs loaded;
    ListFileReadError readError;
    if (!loadListFile(original, &loaded, &readError))
        return {}; // refused: nothing to save

    ListFileSaveError saveError;
    if (!saveListFile(saved, loaded, &saveError)) {
        if (saveError.unencodable || saveError.readsAsUtf8)
            return {}; // the inputs cannot be saved, and nothing was written
        return u"saving the loaded inputs failed: "_s + saveError.file.reason;
    }

    PageInputs reloaded;
    std::optional<ShortEntryBlock> shortBlock;
    if (!loadListFile(saved, &reloaded, &readError, &shortBlock))
        return u"the saved file does not load: "_s + readError.file.reason;
    if (shortBlock)
        return u"the saved file ends inside its entry block"_s;
    if (reloaded != loaded)
        return u"loading the saved file gives other inputs\nloaded:   "_s + describe(loaded) +
               u"\nreloaded: "_s + describe(reloaded);

    const QByteArray first = readFile(saved);
    if (!saveListFile(saved, reloaded, &saveError))
        return u"the reloaded inputs cannot be saved again"_s;
    if (readFile(saved) != first)
        return u"saving the reloaded inputs gives other bytes"_s;
    return {};
}

} // namespace siteloom::fuzz
