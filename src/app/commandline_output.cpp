#include "commandline_output.h"

#include "listfile/listfile.h"
#include "messages/messages.h"
#include "messages/transfermessages.h"
#include "version/version.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include <csignal>

using namespace Qt::StringLiterals;

namespace siteloom {

void ignoreFileSizeSignal()
{
    std::signal(SIGXFSZ, SIG_IGN);
}

bool loadQtJapanese(QTranslator* translator)
{
    // Where this Qt put its translations when it was built, else where it says they are now: asking
    // it costs half a millisecond of every start.
    const QLocale japanese(QLocale::Japanese, QLocale::Japan);
    return translator->load(japanese, u"qtbase"_s, u"_"_s, QStringLiteral(SITELOOM_QT_TRANSLATIONS)) ||
           translator->load(japanese, u"qtbase"_s, u"_"_s,
                            QLibraryInfo::path(QLibraryInfo::TranslationsPath));
}

void installJapaneseTranslation()
{
    auto* translator = new QTranslator(QCoreApplication::instance());
    if (loadQtJapanese(translator))
        QCoreApplication::installTranslator(translator);
    else
        delete translator;
}

void prepareHeadlessApplication()
{
    QCoreApplication::setApplicationName(u"siteloom"_s);
    QCoreApplication::setApplicationVersion(QString::fromUtf16(programVersion));
    installJapaneseTranslation();
}

void writeLine(FILE* stream, const QString& text)
{
    const QByteArray bytes = (text + u'\n').toLocal8Bit();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stream);
    std::fflush(stream);
}

bool loadListFileOrSay(const QString& file, PageInputs* inputs)
{
    // The window's dialog gives a full path, and its messages name the file by it.
    const QString path = QFileInfo(file).absoluteFilePath();
    ListFileContent content;
    ListFileReadError readError;
    if (!readListFile(path, &content, &readError)) {
        writeLine(stderr, listFileUnreadableMessage(readError));
        return false;
    }
    if (const QString message = listFileLoadMessage(path, content); message != listFileLoadedMessage()) {
        writeLine(stderr, message);
        return false;
    }
    applyListFile(content, inputs);
    return true;
}

bool loadListFileWithEntriesOrSay(const QString& file, PageInputs* inputs)
{
    if (!loadListFileOrSay(file, inputs))
        return false;
    if (inputs->entries.isEmpty()) {
        writeLine(stderr,
                  listFileHasNoEntriesMessage(QDir::toNativeSeparators(QFileInfo(file).absoluteFilePath())));
        return false;
    }
    return true;
}

} // namespace siteloom
