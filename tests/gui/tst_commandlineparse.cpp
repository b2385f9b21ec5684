#include "commandline.h"

#include <QtTest>

using namespace Qt::StringLiterals;
using namespace siteloom;

using Mode = CommandLine::Mode;

namespace {

// A command line written as one string, split at each space (an empty argument stands at an end),
// after the program's name.
QStringList arguments(const QString& line)
{
    return QStringList{u"siteloom"_s} + (line.isNull() ? QStringList() : line.split(u' '));
}

} // namespace

// The command line read into its value: each mode with its options, and what is refused as a usage
// error (exit 2) with the words the user reads.
class tst_commandlineparse : public QObject
{
    Q_OBJECT

private slots:
    void parse_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<Mode>("mode");
        QTest::addColumn<QString>("file");   // the file the mode reads
        QTest::addColumn<QString>("output"); // --output or --directory; for an error, what it says
        const auto row = [](const char* name, const QString& line, Mode mode, const QString& file = {},
                            const QString& output = {}) {
            QTest::newRow(name) << line << mode << file << output;
        };
        const auto usage = [&row](const char* name, const QString& line, const QString& says) {
            row(name, line, Mode::UsageError, {}, says);
        };
        row("the window", QString(), Mode::Window);
        row("the window with a list file", u"list.txt"_s, Mode::Window, u"list.txt"_s);
        row("the window with Qt's own option", u"-platform offscreen list.txt"_s, Mode::Window,
            u"list.txt"_s);
        row("build", u"-b list.txt -d out"_s, Mode::Build, u"list.txt"_s, u"out"_s);
        row("build with equals signs", u"--build=list.txt --directory=out"_s, Mode::Build, u"list.txt"_s,
            u"out"_s);
        row("import", u"--import bm.html --output new.txt --folder A/B"_s, Mode::Import, u"bm.html"_s,
            u"new.txt"_s);
        row("export", u"--export list.txt --format csv --output out.csv"_s, Mode::Export, u"list.txt"_s,
            u"out.csv"_s);
        row("check", u"--check list.txt --json --timeout 0.5 --jobs 3"_s, Mode::Check, u"list.txt"_s);
        row("updates", u"--updates list.txt --json --jobs 3 --updates-page new.html"_s, Mode::Updates,
            u"list.txt"_s);
        row("opml export", u"--export list.txt --format opml --output feeds.opml"_s, Mode::Export,
            u"list.txt"_s, u"feeds.opml"_s);
        row("publish", u"--publish list.txt --directory out --to ftp://me@h/ --dry-run"_s, Mode::Publish,
            u"list.txt"_s, u"out"_s);
        row("help wins over a build", u"--build list.txt -h"_s, Mode::Help);
        row("version wins over a build", u"-v --build list.txt"_s, Mode::Version);

        usage("unknown option", u"--bogus"_s,
              u"「--bogus」というオプションはありません。 / Unknown option 'bogus'."_s);
        usage("unknown short option", u"--build list.txt -x"_s, u"「-x」というオプションはありません。"_s);
        usage("missing value", u"--build"_s, u"Missing value after '--build'."_s);
        usage("empty list file to build", u"--build "_s, u"--build にはリストファイルを指定してください。"_s);
        usage("two files to open", u"list.txt other.txt"_s, u"開くファイルは一つだけ指定してください。"_s);
        usage("empty file to open", u""_s, u"開くファイルの名前が空です。"_s);
        usage("directory without build", u"--directory out"_s,
              u"--directory は --build と一緒に使います。"_s);
        usage("import and export at once", u"--import a.html --export list.txt --output b"_s,
              u"--import と --export は一緒に使えません。"_s);
        usage("import's missing value, in Qt's Japanese", u"--import"_s,
              u"'--import' の後の値が欠けています。"_s);
        usage("import without output", u"--import a.html"_s,
              u"--output で書き出すファイルを指定してください。"_s);
        usage("export in an unknown format", u"--export list.txt --format xml --output b"_s,
              u"--format には bookmarks、csv か opml を指定してください。"_s);
        usage("folder with export", u"--export list.txt --format csv --output b --folder A"_s,
              u"--folder は --import と一緒に使います。"_s);
        usage("an option of another mode with export", u"--export list.txt --format csv --output b --json"_s,
              u"'json' は未知のオプションです。"_s);
        usage("publish with build", u"--publish list.txt --build list.txt"_s,
              u"'build' は未知のオプションです。"_s);
        usage("publish with a second file", u"--publish list.txt other.txt"_s,
              u"「other.txt」は余分です。"_s);
        usage("check with build", u"--check list.txt --build list.txt"_s, u"Unknown option 'build'."_s);
        usage("check with a second file", u"--check list.txt other.txt"_s,
              u"--check にはリストファイルを一つだけ指定してください。"_s);
        const QString timeout = u"--timeout には 3600 までの正の秒数を指定してください。"_s;
        usage("timeout not a number", u"--check list.txt --timeout soon"_s, timeout);
        usage("timeout above an hour", u"--check list.txt --timeout 3601"_s, timeout);
        usage("timeout nan", u"--check list.txt --timeout nan"_s, timeout);
        usage("timeout infinite", u"--check list.txt --timeout inf"_s, timeout);
        usage("updates timeout above an hour", u"--updates list.txt --timeout 3601"_s, timeout);
        usage("updates page without a file", u"--updates list.txt --updates-page="_s,
              u"--updates-page は一度だけ、ファイルをつけて指定してください。"_s);
        usage("jobs zero", u"--check list.txt --jobs 0"_s,
              u"--jobs には 1 から 64 までの数を指定してください。"_s);
    }

    void parse()
    {
        QFETCH(QString, line);
        QFETCH(Mode, mode);
        QFETCH(QString, file);
        QFETCH(QString, output);
        const CommandLine commandLine = parseCommandLine(arguments(line));
        QCOMPARE(commandLine.mode, mode);
        if (mode == Mode::UsageError) {
            QVERIFY2(commandLine.error.contains(output), qPrintable(commandLine.error));
            return;
        }
        QCOMPARE(commandLine.file, file);
        QCOMPARE(mode == Mode::Build || mode == Mode::Publish ? commandLine.directory : commandLine.output,
                 output);
    }

    // Whatever mode a command line asks for, an option no mode knows makes it a usage error.
    void unknownOptionIsAlwaysAUsageError_data()
    {
        QTest::addColumn<QString>("line");
        QTest::newRow("window") << u"list.txt"_s;
        QTest::newRow("build") << u"--build list.txt"_s;
        QTest::newRow("import") << u"--import bm.html --output new.txt"_s;
        QTest::newRow("export") << u"--export list.txt --format csv --output out.csv"_s;
        QTest::newRow("check") << u"--check list.txt"_s;
        QTest::newRow("updates") << u"--updates list.txt"_s;
    }

    void unknownOptionIsAlwaysAUsageError()
    {
        QFETCH(QString, line);
        QVERIFY(parseCommandLine(arguments(line)).mode != Mode::UsageError);
        for (const QString& option : {u"--bogus"_s, u"--bogus=1"_s, u"-q"_s})
            QCOMPARE(parseCommandLine(arguments(line) << option).mode, Mode::UsageError);
    }
};

QTEST_GUILESS_MAIN(tst_commandlineparse)
#include "tst_commandlineparse.moc"
