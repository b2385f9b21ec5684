#include "commandline.h"

#include "commandline_output.h"

#include <QCommandLineParser>
#include <QRegularExpression>
#include <QTranslator>

#include <algorithm>
#include <cmath>

using namespace Qt::StringLiterals;

namespace siteloom {

namespace {

// The options are read in three groups, each mode's group knowing only its own options, so that an
// option of another group is refused as unknown, in the words it always was. A mode's group is the
// first that its arguments ask for: --check (before "--"), then --updates, then --publish (the
// same), then --import or --export (anywhere), else the page and the window.
enum class Group { Page, Check, Transfer, Updates, Publish };

// The program's options, in the order the help lists them. Only the page group's are described
// there; the other modes show their whole form in the usage lines.
struct OptionText
{
    Group group;
    QStringList names;
    QString valueName; // empty for a flag
    QString japanese;
    QString english;
};

const QList<OptionText>& optionTexts()
{
    static const QList<OptionText> texts = {
        {Group::Page,
         {u"b"_s, u"build"_s},
         u"FILE"_s,
         u"ウィンドウを開かずに、リストファイル FILE からページを作ります。作ったファイルのパスを表示します。"_s,
         u"Writes the page from the link list file FILE without opening the window, and prints its path."_s},
        {Group::Page,
         {u"d"_s, u"directory"_s},
         u"DIR"_s,
         u"--build でページを書くディレクトリ（省略すると今のディレクトリ）。"_s,
         u"The directory --build writes the page into (default: the current directory)."_s},
        {Group::Page, {u"h"_s, u"help"_s}, QString(), u"この説明を表示します。"_s, u"Shows this help."_s},
        {Group::Page,
         {u"v"_s, u"version"_s},
         QString(),
         u"バージョンを表示します。"_s,
         u"Shows the version."_s},
        {Group::Transfer, {u"import"_s}, u"SOURCE"_s, {}, {}},
        {Group::Transfer, {u"export"_s}, u"LISTFILE"_s, {}, {}},
        {Group::Transfer, {u"output"_s}, u"FILE"_s, {}, {}},
        {Group::Transfer, {u"folder"_s}, u"PATH"_s, {}, {}},
        {Group::Transfer, {u"format"_s}, u"FORMAT"_s, {}, {}},
        {Group::Check, {u"check"_s}, u"FILE"_s, {}, {}},
        {Group::Check, {u"json"_s}, QString(), {}, {}},
        {Group::Check, {u"timeout"_s}, u"SECONDS"_s, {}, {}},
        {Group::Check, {u"jobs"_s}, u"N"_s, {}, {}},
        {Group::Updates, {u"updates"_s}, u"LISTFILE"_s, {}, {}},
        {Group::Updates, {u"updates-page"_s}, u"FILE"_s, {}, {}},
        {Group::Updates, {u"json"_s}, QString(), {}, {}},
        {Group::Updates, {u"timeout"_s}, u"SECONDS"_s, {}, {}},
        {Group::Updates, {u"jobs"_s}, u"N"_s, {}, {}},
        {Group::Publish, {u"publish"_s}, u"LISTFILE"_s, {}, {}},
        {Group::Publish, {u"directory"_s}, u"DIR"_s, {}, {}},
        {Group::Publish, {u"to"_s}, u"ADDRESS"_s, {}, {}},
        {Group::Publish, {u"public-url"_s}, u"URL"_s, {}, {}},
        {Group::Publish, {u"dry-run"_s}, QString(), {}, {}},
        {Group::Publish, {u"force"_s}, QString(), {}, {}},
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

// Whether an argument after the program's name is the option, alone or with "=VALUE"; with
// untilSeparator, only up to a "--".
bool asks(const QStringList& arguments, QStringView option, bool untilSeparator)
{
    for (const QString& argument : arguments.sliced(std::min<qsizetype>(1, arguments.size()))) {
        if (untilSeparator && argument == "--"_L1)
            return false;
        if (argument == option ||
            (argument.startsWith(option) && argument.sliced(option.size()).startsWith(u'=')))
            return true;
    }
    return false;
}

// A parser that knows the group's options (and, for the page group, Qt's own).
void addOptions(QCommandLineParser& parser, Group group)
{
    for (const OptionText& text : optionTexts()) {
        if (text.group == group)
            parser.addOption(QCommandLineOption(text.names, text.english, text.valueName));
    }
    if (group != Group::Page)
        return;
    // Qt's own options are single-dash words; ours have one-letter forms that still work this way.
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    for (const QtOption& qt : qtGuiOptions)
        parser.addOption(QCommandLineOption(qt.name, QString(), qt.takesValue ? u"value"_s : QString()));
}

CommandLine usageError(const QString& japanese, const QString& english)
{
    CommandLine commandLine;
    commandLine.mode = CommandLine::Mode::UsageError;
    commandLine.error = japanese + u" / "_s + english;
    return commandLine;
}

// Qt's reason for a command line it could not read, in Qt's Japanese translation: --import and
// --export have always given it so. The parser words it when it fails, before any application
// (and so any installed translation) exists, so the translation is looked up here.
QString qtReasonInJapanese(const QString& reason)
{
    static const char* const forms[] = {"Unknown option '%1'.", "Unknown options: %1.",
                                        "Missing value after '%1'.", "Unexpected value after '%1'."};
    QTranslator translator;
    if (!loadQtJapanese(&translator))
        return reason;
    for (const char* form : forms) {
        const QStringList parts = QString::fromLatin1(form).split(u"%1"_s);
        const QRegularExpression pattern(u'^' + QRegularExpression::escape(parts[0]) + u"(.*)"_s +
                                         QRegularExpression::escape(parts[1]) + u'$');
        const QRegularExpressionMatch match = pattern.match(reason);
        if (!match.hasMatch())
            continue;
        const QString translated = translator.translate("QCommandLineParser", form);
        return translated.isEmpty() ? reason : translated.arg(match.captured(1));
    }
    return reason;
}

// --timeout and --jobs, as --check and --updates take them; a usage error when they are out of range.
std::optional<CommandLine> readLimits(const QCommandLineParser& parser, CommandLine* commandLine)
{
    if (parser.isSet(u"timeout"_s)) {
        bool ok = false;
        const double seconds = parser.value(u"timeout"_s).toDouble(&ok);
        if (!ok || !std::isfinite(seconds) || seconds <= 0 || seconds > 3600)
            return usageError(u"--timeout には 3600 までの正の秒数を指定してください。"_s,
                              u"--timeout takes a number of seconds above 0, up to 3600."_s);
        commandLine->timeoutMs = std::max(1, int(seconds * 1000));
    }
    if (parser.isSet(u"jobs"_s)) {
        bool ok = false;
        const int jobs = parser.value(u"jobs"_s).toInt(&ok);
        if (!ok || jobs < 1 || jobs > 64)
            return usageError(u"--jobs には 1 から 64 までの数を指定してください。"_s,
                              u"--jobs takes a number from 1 to 64."_s);
        commandLine->jobs = jobs;
    }
    return std::nullopt;
}

CommandLine readCheck(const QStringList& arguments)
{
    QCommandLineParser parser;
    addOptions(parser, Group::Check);
    if (!parser.parse(arguments))
        return usageError(u"--check の指定が正しくありません。"_s, parser.errorText());
    if (parser.values(u"check"_s).size() != 1 || parser.value(u"check"_s).isEmpty() ||
        !parser.positionalArguments().isEmpty())
        return usageError(u"--check にはリストファイルを一つだけ指定してください。"_s,
                          u"--check takes one list file."_s);
    CommandLine commandLine;
    commandLine.mode = CommandLine::Mode::Check;
    commandLine.file = parser.value(u"check"_s);
    commandLine.json = parser.isSet(u"json"_s);
    if (const std::optional<CommandLine> error = readLimits(parser, &commandLine))
        return *error;
    return commandLine;
}

CommandLine readUpdates(const QStringList& arguments)
{
    QCommandLineParser parser;
    addOptions(parser, Group::Updates);
    if (!parser.parse(arguments))
        return usageError(u"--updates の指定が正しくありません。"_s, parser.errorText());
    if (parser.values(u"updates"_s).size() != 1 || parser.value(u"updates"_s).isEmpty() ||
        !parser.positionalArguments().isEmpty())
        return usageError(u"--updates にはリストファイルを一つだけ指定してください。"_s,
                          u"--updates takes one list file."_s);
    if (parser.values(u"updates-page"_s).size() > 1 ||
        (parser.isSet(u"updates-page"_s) && parser.value(u"updates-page"_s).isEmpty()))
        return usageError(u"--updates-page は一度だけ、ファイルをつけて指定してください。"_s,
                          u"Give --updates-page once, with a file."_s);
    CommandLine commandLine;
    if (const std::optional<CommandLine> error = readLimits(parser, &commandLine))
        return *error;
    commandLine.mode = CommandLine::Mode::Updates;
    commandLine.file = parser.value(u"updates"_s);
    commandLine.json = parser.isSet(u"json"_s);
    commandLine.updatesPage = parser.value(u"updates-page"_s);
    return commandLine;
}

// A usage error when an option of the group that takes a value is given twice or without one, in
// the order the table lists them.
std::optional<CommandLine> valuesGivenOnce(const QCommandLineParser& parser, Group group)
{
    for (const OptionText& option : optionTexts()) {
        if (option.group != group || option.valueName.isEmpty())
            continue;
        const QString& name = option.names.first();
        if (parser.values(name).size() > 1 || (parser.isSet(name) && parser.value(name).isEmpty()))
            return usageError(u"--%1 は一度だけ、値をつけて指定してください。"_s.arg(name),
                              u"Give --%1 once, with a value."_s.arg(name));
    }
    return std::nullopt;
}

// A usage error for the first word that is no option's.
std::optional<CommandLine> nothingLeftOver(const QCommandLineParser& parser)
{
    if (!parser.positionalArguments().isEmpty())
        return usageError(u"「%1」は余分です。"_s.arg(parser.positionalArguments().first()),
                          u"\"%1\" is one too many."_s.arg(parser.positionalArguments().first()));
    return std::nullopt;
}

CommandLine readTransfer(const QStringList& arguments, bool importing, bool exporting)
{
    QCommandLineParser parser;
    addOptions(parser, Group::Transfer);
    if (!parser.parse(arguments))
        return usageError(u"コマンドラインの指定が正しくありません。"_s,
                          qtReasonInJapanese(parser.errorText()));
    if (const std::optional<CommandLine> error = valuesGivenOnce(parser, Group::Transfer))
        return *error;
    if (importing && exporting)
        return usageError(u"--import と --export は一緒に使えません。"_s,
                          u"--import and --export go alone."_s);
    if (const std::optional<CommandLine> error = nothingLeftOver(parser))
        return *error;
    if (!parser.isSet(u"output"_s))
        return usageError(u"--output で書き出すファイルを指定してください。"_s, u"--output is needed."_s);

    CommandLine commandLine;
    commandLine.output = parser.value(u"output"_s);
    if (importing) {
        if (parser.isSet(u"format"_s))
            return usageError(u"--format は --export と一緒に使います。"_s,
                              u"--format goes with --export."_s);
        commandLine.mode = CommandLine::Mode::Import;
        commandLine.file = parser.value(u"import"_s);
        if (parser.isSet(u"folder"_s))
            commandLine.folder = parser.value(u"folder"_s);
        return commandLine;
    }
    if (parser.isSet(u"folder"_s))
        return usageError(u"--folder は --import と一緒に使います。"_s, u"--folder goes with --import."_s);
    const QString format = parser.value(u"format"_s);
    if (format != u"bookmarks" && format != u"csv" && format != u"opml")
        return usageError(u"--format には bookmarks、csv か opml を指定してください。"_s,
                          u"--format is bookmarks, csv or opml."_s);
    commandLine.mode = CommandLine::Mode::Export;
    commandLine.file = parser.value(u"export"_s);
    commandLine.format = format == u"csv"    ? ExportFormat::Csv
                         : format == u"opml" ? ExportFormat::Opml
                                             : ExportFormat::Bookmarks;
    return commandLine;
}

CommandLine readPublish(const QStringList& arguments)
{
    QCommandLineParser parser;
    addOptions(parser, Group::Publish);
    if (!parser.parse(arguments))
        return usageError(u"--publish の指定が正しくありません。"_s, qtReasonInJapanese(parser.errorText()));
    if (const std::optional<CommandLine> error = valuesGivenOnce(parser, Group::Publish))
        return *error;
    if (const std::optional<CommandLine> error = nothingLeftOver(parser))
        return *error;
    CommandLine commandLine;
    commandLine.mode = CommandLine::Mode::Publish;
    commandLine.file = parser.value(u"publish"_s);
    commandLine.directory = parser.isSet(u"directory"_s) ? parser.value(u"directory"_s) : QString();
    commandLine.publish.to = parser.isSet(u"to"_s) ? parser.value(u"to"_s) : QString();
    commandLine.publish.publicUrl = parser.isSet(u"public-url"_s) ? parser.value(u"public-url"_s) : QString();
    commandLine.publish.dryRun = parser.isSet(u"dry-run"_s);
    commandLine.publish.force = parser.isSet(u"force"_s);
    return commandLine;
}

CommandLine readPage(const QStringList& arguments)
{
    QCommandLineParser parser;
    addOptions(parser, Group::Page);
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

    CommandLine commandLine;
    if (parser.isSet(u"help"_s)) {
        commandLine.mode = CommandLine::Mode::Help;
        return commandLine;
    }
    if (parser.isSet(u"version"_s)) {
        commandLine.mode = CommandLine::Mode::Version;
        return commandLine;
    }

    const QStringList files = parser.positionalArguments();
    const QStringList builds = parser.values(u"build"_s);
    const QStringList directories = parser.values(u"directory"_s);
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
        commandLine.file = files.value(0);
        return commandLine;
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
    commandLine.mode = CommandLine::Mode::Build;
    commandLine.file = builds.first();
    commandLine.directory = directories.value(0);
    return commandLine;
}

} // namespace

CommandLine parseCommandLine(const QStringList& arguments)
{
    if (asks(arguments, u"--check", true))
        return readCheck(arguments);
    if (asks(arguments, u"--updates", true))
        return readUpdates(arguments);
    if (asks(arguments, u"--publish", true))
        return readPublish(arguments);
    const bool importing = asks(arguments, u"--import", false);
    const bool exporting = asks(arguments, u"--export", false);
    if (importing || exporting)
        return readTransfer(arguments, importing, exporting);
    return readPage(arguments);
}

QString helpText()
{
    const auto line = [](const QString& left, const QString& right) {
        return u"  "_s + left.leftJustified(22) + u' ' + right + u'\n';
    };
    QString text = u"使い方 / Usage:\n"
                   u"  siteloom [FILE]\n"
                   u"  siteloom --build FILE [--directory DIR]\n"
                   u"  siteloom --import SOURCE --output LISTFILE [--folder PATH]\n"
                   u"  siteloom --export LISTFILE --format bookmarks|csv|opml --output FILE\n"
                   u"  siteloom --check FILE [--json] [--timeout SECONDS] [--jobs N]\n"
                   u"  siteloom --updates LISTFILE [--json] [--timeout SECONDS] [--jobs N]"
                   u" [--updates-page FILE]\n"
                   u"  siteloom --publish LISTFILE [--directory DIR] [--to ADDRESS] [--public-url URL]\n"
                   u"           [--dry-run] [--force]\n"
                   u"\n"
                   u"簡単・ＨＰリンクファイル作成：リンク集のページ（HTML）を作ります。\n"
                   u"Builds the link collection page (HTML) of a personal home page.\n"
                   u"\n"_s;
    text += line(u"FILE"_s, u"開くリストファイル。「ファイル読込」と同じように読み込みます。"_s);
    text += line(QString(), u"The link list file to open, loaded as \"ファイル読込\" loads it."_s);
    for (const OptionText& option : optionTexts()) {
        if (option.japanese.isEmpty())
            continue;
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

int usageErrorExit(const QString& reason)
{
    writeLine(stderr, u"siteloom: "_s + reason);
    writeLine(stderr, u"使い方は siteloom --help で表示されます。 / See siteloom --help for usage."_s);
    return exitUsage;
}

} // namespace siteloom
