// Loads one list file into a shown main window the way the user does (the menu item, a dialog
// answered with the path) and reports what the user saw and what it cost, as a JSON object:
// "messages" (the texts shown), "entries" (in the list afterwards), "peakKib" and "vmPeakKib" (the
// process's peak resident and virtual memory), with "rows" and "title" (the first rows and Text6 afterwards).
// With
// --filled the window holds three rows and a title of its own before the load. The bad-file tests
// run it as a child process so that its memory is measured alone, and under a memory limit.
#include "fakeplatform.h"
#include "guitest.h"
#include "main1/main1.h"

#include <QAction>
#include <QApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLineEdit>

#include <cstdio>
#include <sys/resource.h>

using namespace Qt::StringLiterals;

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    const bool filled = argc == 3 && argv[1] == QByteArrayView("--filled");
    if (argc != 2 && !filled) {
        std::fputs("usage: siteloom_loadprobe [--filled] LIST-FILE\n", stderr);
        return 2;
    }
    siteloom::prepareGuiTest();
    siteloom::FakePlatform platform;
    siteloom::main1 window(platform);
    if (filled) {
        siteloom::setListRows(window, {u"a：b：c"_s, u"d：e：f"_s, u"g：h：i"_s});
        window.Text6->setText(u"前のタイトル"_s);
    }
    window.show();
    QApplication::processEvents();

    platform.fileNames.enqueue(QFile::decodeName(argv[argc - 1]));
    window.fload->trigger();
    // Lets the window lay out and paint what was loaded, as it would on screen.
    window.repaint();
    QApplication::processEvents();

    qint64 vmPeakKib = -1;
    QFile status(u"/proc/self/status"_s);
    if (status.open(QIODevice::ReadOnly)) {
        for (const QByteArray& line : status.readAll().split('\n')) {
            if (line.startsWith("VmPeak:"))
                vmPeakKib = line.mid(7).trimmed().split(' ').value(0).toLongLong();
        }
    }
    rusage usage{}; // ru_maxrss: the most resident memory the process has had, in KiB
    getrusage(RUSAGE_SELF, &usage);
    const QJsonObject report{{u"messages"_s, QJsonArray::fromStringList(platform.messageTexts())},
                             {u"entries"_s, int(siteloom::listRows(window).size())},
                             {u"rows"_s, QJsonArray::fromStringList(siteloom::listRows(window).mid(0, 3))},
                             {u"title"_s, window.Text6->text()},
                             {u"peakKib"_s, qint64(usage.ru_maxrss)},
                             {u"vmPeakKib"_s, vmPeakKib}};
    std::fputs(QJsonDocument(report).toJson(QJsonDocument::Compact).constData(), stdout);
    return 0;
}
