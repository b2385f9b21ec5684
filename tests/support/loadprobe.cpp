// Loads one list file into a shown main window the way the user does (the menu item, a dialog
// answered with the path) and reports what the user saw and what it cost, one item per line:
//   message <text, line breaks written as \n>
//   entries <number of entries in the list>
//   peak-kib <the process's peak resident memory in KiB>
// The bad-file tests run it as a child process so that its memory is measured alone.
#include "fakeplatform.h"
#include "guitest.h"
#include "main/main1.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QListWidget>

#include <cstdio>

using namespace Qt::StringLiterals;

namespace {

// VmHWM of /proc/self/status: the most resident memory the process has had.
long long peakResidentKib()
{
    QFile status(u"/proc/self/status"_s);
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    const QList<QByteArray> lines = status.readAll().split('\n');
    for (const QByteArray& line : lines) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').constFirst().toLongLong();
    }
    return -1;
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fputs("usage: siteloom_loadprobe LIST-FILE\n", stderr);
        return 2;
    }
    siteloom::prepareGuiTest();
    siteloom::FakePlatform platform;
    siteloom::main1 window(platform);
    window.show();
    QApplication::processEvents();

    platform.fileNames.enqueue(QFile::decodeName(argv[1]));
    window.fload->trigger();
    // Lets the window lay out and paint what was loaded, as it would on screen.
    window.repaint();
    QApplication::processEvents();

    for (const QString& text : platform.messageTexts())
        std::printf("message %s\n", qPrintable(QString(text).replace(u'\n', u"\\n"_s)));
    std::printf("entries %d\n", window.List1->count());
    std::printf("peak-kib %lld\n", peakResidentKib());
    return 0;
}
