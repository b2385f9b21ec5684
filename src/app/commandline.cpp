#include "commandline.h"

#include "application.h"
#include "checkcommand.h"
#include "commandline_output.h"
#include "listfile/listfile.h"
#include "main1/main1.h"
#include "messages/messages.h"
#include "page/linkpage.h"
#include "qtplatform.h"
#include "text/systemreason.h"
#include "text/textfile.h"
#include "transfer.h"
#include "ui/ui.h"
#include "version/version.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace siteloom {

namespace {

// The program's options, in the order the help lists them, each described in Japanese and English.
struct OptionText
{
    QStringList names;
    QString valueName; // empty for a flag
    QString japanese;
    QString english;
};

enum OptionIndex { BuildOption, DirectoryOption, HelpOption, VersionOption };

const QList<OptionText>& optionTexts()
{
    static const QList<OptionText> texts = {
        {{u"b"_s, u"build"_s},
         u"FILE"_s,
         u"ウィンドウを開かずに、リストファイル FILE からページを作ります。作ったファイルのパスを表示します。"_s,
         u"Writes the page from the link list file FILE without opening the window, and prints its path."_s},
        {{u"d"_s, u"directory"_s},
         u"DIR"_s,
         u"--build でページを書くディレクトリ（省略すると今のディレクトリ）。"_s,
         u"The directory --build writes the page into (default: the current directory)."_s},
        {{u"h"_s, u"help"_s}, QString(), u"この説明を表示します。"_s, u"Shows this help."_s},
        {{u"v"_s, u"version"_s}, QString(), u"バージョンを表示します。"_s, u"Shows the version."_s},
    };
    return texts;
}

// Options Qt's GUI application takes for itself (such as -platform offscreen or -style fusion):
// accepted, so that they reach the window, and left out of the help.
struct QtOption
{
    QLatin1StringView name;
    bool takesValue;
};
constexpr QtOption qtGuiOptions[] = {
    {"platform"_L1, true},      {"platformpluginpath"_L1, true},
    {"platformtheme"_L1, true}, {"plugin"_L1, true},
    {"qmljsdebugger"_L1, true}, {"qwindowgeometry"_L1, true},
    {"qwindowicon"_L1, true},   {"qwindowtitle"_L1, true},
    {"session"_L1, true},       {"style"_L1, true},
    {"stylesheet"_L1, true},    {"display"_L1, true},
    {"geometry"_L1, true},      {"reverse"_L1, false},
    {"widgetcount"_L1, false},  {"nograb"_L1, false},
    {"dograb"_L1, false},
};

QString helpText()
{
    const auto line = [](const QString& left, const QString& right) {
        return u"  "_s + left.leftJustified(22) + u' ' + right + u'\n';
    };
    QString text = u"使い方 / Usage:\n"
                   u"  siteloom [FILE]\n"
                   u"  siteloom --build FILE [--directory DIR]\n"_s +
                   transferUsage() + u"  siteloom --check FILE [--json] [--timeout SECONDS] [--jobs N]\n"_s +
                   u"\n"
                   u"簡単・ＨＰリンクファイル作成：リンク集のページ（HTML）を作ります。\n"
                   u"Builds the link collection page (HTML) of a personal home page.\n"
                   u"\n"_s;
    text += line(u"FILE"_s, u"開くリストファイル。「ファイル読込」と同じように読み込みます。"_s);
    text += line(QString(), u"The link list file to open, loaded as \"ファイル読込\" loads it."_s);
    for (const OptionText& option : optionTexts()) {
        QString names = u'-' + option.names.first() + u", --"_s + option.names.last();
        if (!option.valueName.isEmpty())
            names += u' ' + option.valueName;
        text += line(names, option.japanese);
        text += line(QString(), option.english);
    }
    text += u"\n"
            u"終了コード / Exit status:\n"
            u"  0  正常に終わりました / done\n"
            u"  1  ウィンドウが出すメッセージを標準エラーに書きました / a message of the window went to "
            u"standard error\n"
            u"  2  使い方の誤り / usage error\n"_s;
    return text;
}

// What the command line asks for.
struct Request
{
    enum class Action { Window, Build, Help, Version, UsageError };
    Action action = Action::Window;
    QString file;      // the list file, as given
    QString directory; // --build: the base directory, as given; empty for the current one
    QString error;     // UsageError: what is wrong, in Japanese and English
};

Request usageError(const QString& japanese, const QString& english)
{
    return Request{Request::Action::UsageError, {}, {}, japanese + u" / "_s + english};
}

Request readCommandLine(const QStringList& arguments)
{
    QCommandLineParser parser;
    // Qt's own options are single-dash words; ours have one-letter forms that still work this way.
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    QList<QCommandLineOption> options;
    for (const OptionText& text : optionTexts())
        options.append(QCommandLineOption(text.names, text.english, text.valueName));
    parser.addOptions(options);
    for (const QtOption& qt : qtGuiOptions)
        parser.addOption(QCommandLineOption(qt.name, QString(), qt.takesValue ? u"value"_s : QString()));

    if (!parser.parse(arguments)) {
        const QStringList unknown = parser.unknownOptionNames();
        if (!unknown.isEmpty()) {
            // Named as it was typed, with its dashes.
            const QString name = unknown.first();
            QString typed = u"--"_s + name;
            for (const QString& argument : arguments) {
                if (argument == u'-' + name || argument.startsWith(u'-' + name + u'=')) {
                    typed = u'-' + name;
                    break;
                }
            }
            return usageError(u"「%1」というオプションはありません。"_s.arg(typed), parser.errorText());
        }
        return usageError(u"コマンドラインの指定が正しくありません。"_s, parser.errorText());
    }

    if (parser.isSet(options[HelpOption]))
        return Request{Request::Action::Help, {}, {}, {}};
    if (parser.isSet(options[VersionOption]))
        return Request{Request::Action::Version, {}, {}, {}};

    const QStringList files = parser.positionalArguments();
    const QStringList builds = parser.values(options[BuildOption]);
    const QStringList directories = parser.values(options[DirectoryOption]);
    if (builds.size() > 1 || directories.size() > 1)
        return usageError(u"--build と --directory は一度だけ指定してください。"_s,
                          u"Give --build and --directory once each."_s);

    if (builds.isEmpty()) {
        if (!directories.isEmpty())
            return usageError(u"--directory は --build と一緒に使います。"_s,
                              u"--directory goes with --build."_s);
        if (files.size() > 1)
            return usageError(u"開くファイルは一つだけ指定してください。"_s, u"Give one file to open."_s);
        if (!files.isEmpty() && files.first().isEmpty())
            return usageError(u"開くファイルの名前が空です。"_s, u"The file name is empty."_s);
        return Request{Request::Action::Window, files.value(0), {}, {}};
    }

    if (!files.isEmpty())
        return usageError(u"--build のリストファイルのほかに、ファイルは指定できません。"_s,
                          u"--build takes its list file only; \"%1\" is one too many."_s.arg(files.first()));
    if (builds.first().isEmpty())
        return usageError(u"--build にはリストファイルを指定してください。"_s,
                          u"--build needs a list file."_s);
    if (!directories.isEmpty() && directories.first().isEmpty())
        return usageError(u"--directory にはディレクトリを指定してください。"_s,
                          u"--directory needs a directory."_s);
    return Request{Request::Action::Build, builds.first(), directories.value(0), {}};
}

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

// Loads the list file onto the window's start values as "ファイル読込" does and writes the page as
// "html 作成" does, into the directory as if Label1 held it. The first message the window would
// show that is not a success goes to standard error, and nothing more is done. The page never
// replaces the list file.
int buildPageFromFile(const QString& file, const QString& directory)
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

    // The list file by its full path: the page must never replace it.
    const QString path = QFileInfo(file).absoluteFilePath();
    PageInputs inputs;
    if (!loadListFileOrSay(file, &inputs))
        return exitMessage;
    if (const QString problem = pageInputsProblem(inputs.entries.size(), inputs.fileName);
        !problem.isEmpty()) {
        writeLine(stderr, problem);
        return exitMessage;
    }
    const QString baseDirectory = directory.isNull() ? QDir::currentPath() : directory;
    if (const QString pagePath = pageFilePath(baseDirectory, inputs.fileName); isSameFile(pagePath, path)) {
        writeLine(stderr, pageWouldReplaceListFileMessage(QDir::toNativeSeparators(pagePath)));
        return exitMessage;
    }
    QString written;
    FileError writeError;
    if (!writePageFile(baseDirectory, inputs, &written, &writeError)) {
        writeLine(stderr, pageNotWrittenMessage(written, writeError));
        return exitMessage;
    }
    writeLine(stdout, written);
    return exitDone;
}

// A QApplication without a window system aborts; say so plainly instead.
bool haveDisplay()
{
    return !qEnvironmentVariableIsEmpty("DISPLAY") || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") ||
           !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM");
}

// The display the window would go to, as the environment names it.
QString displayName()
{
    for (const char* name : {"QT_QPA_PLATFORM", "WAYLAND_DISPLAY", "DISPLAY"}) {
        if (!qEnvironmentVariableIsEmpty(name))
            return QString::fromLatin1(name) + u'=' + qEnvironmentVariable(name);
    }
    return {};
}

// While the application connects to the display, Qt's messages are held back. A display that cannot
// be reached ends in Qt's fatal message, which gives way to the tool's own; otherwise the held
// messages go out as they would have.
struct HeldMessage
{
    QtMsgType type;
    QByteArray category;
    QString text;
};
QList<HeldMessage>* heldMessages = nullptr;

void holdDisplayMessages(QtMsgType type, const QMessageLogContext& context, const QString& text)
{
    if (type != QtFatalMsg) {
        heldMessages->append({type, QByteArray(context.category), text});
        return;
    }
    writeLine(stderr, u"siteloom: 画面（ディスプレイ）に接続できません（%1）。 "
                      u"Cannot connect to the display (%1); try: xvfb-run siteloom"_s.arg(displayName()));
    std::_Exit(exitMessage); // the application is half made: nothing of it may be torn down
}

int runWindow(int argc, char* argv[], const QString& file)
{
    if (!haveDisplay()) {
        writeLine(stderr,
                  u"siteloom: 画面（ディスプレイ）がありません。 No display found; try: xvfb-run siteloom"_s);
        return exitMessage;
    }
    // Taken before the window starts, since start-up moves to the remembered directory.
    const QString path = file.isEmpty() ? QString() : QFileInfo(file).absoluteFilePath();

    QList<HeldMessage> held;
    heldMessages = &held;
    const QtMessageHandler previous = qInstallMessageHandler(holdDisplayMessages);
    QApplication app(argc, argv);
    qInstallMessageHandler(previous);
    heldMessages = nullptr;
    for (const HeldMessage& message : std::as_const(held))
        qt_message_output(message.type, QMessageLogContext(nullptr, 0, nullptr, message.category.constData()),
                          message.text);
    prepareApplication();

    QtPlatform platform;
    main1 window(platform);
    showMainWindow(window, path);
    return QApplication::exec();
}

int run(int argc, char* argv[])
{
    ignoreFileSizeSignal();
    // Read before any application object exists: only the window may have a GUI application.
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    if (isCheckCommand(arguments))
        return runCheckCommand(argc, argv, arguments);
    if (const std::optional<int> status = runTransfer(argc, argv, arguments))
        return *status;
    const Request request = readCommandLine(arguments);
    if (request.action == Request::Action::Window)
        return runWindow(argc, argv, request.file);

    const QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(u"siteloom"_s);
    QCoreApplication::setApplicationVersion(QString::fromUtf16(programVersion));
    // The reasons Qt gives for a file that cannot be read or written, in Japanese as in the window.
    installJapaneseTranslation();
    switch (request.action) {
    case Request::Action::Build:
        return buildPageFromFile(request.file, request.directory);
    case Request::Action::Help:
        std::fputs(helpText().toLocal8Bit().constData(), stdout);
        return exitDone;
    case Request::Action::Version:
        writeLine(stdout, u"siteloom "_s + QString::fromUtf16(programVersion));
        return exitDone;
    case Request::Action::UsageError:
    case Request::Action::Window:
        break;
    }
    return usageErrorExit(request.error);
}

} // namespace

int usageErrorExit(const QString& reason)
{
    writeLine(stderr, u"siteloom: "_s + reason);
    writeLine(stderr, u"使い方は siteloom --help で表示されます。 / See siteloom --help for usage."_s);
    return exitUsage;
}

int runSiteloom(int argc, char* argv[])
{
    try {
        return run(argc, argv);
    } catch (const std::bad_alloc&) {
        // What ran out of memory is unwound and freed by now; the message needs no memory of its own.
        std::fputs("siteloom: メモリが足りなくなったため、中止しました。\n", stderr);
        return exitMessage;
    }
}

} // namespace siteloom
