#include "application.h"

#include "commandline_output.h"
#include "icon/applicationicon.h"
#include "main1/main1.h"
#include "qtplatform.h"
#include "ui/ui.h"
#include "version/version.h"

#include <QApplication>
#include <QFileInfo>
#include <QLocale>
#include <QTimer>

#include <cstdlib>

using namespace Qt::StringLiterals;

namespace siteloom {

namespace {

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

} // namespace

void prepareApplication()
{
    ignoreFileSizeSignal();
    prepareHeadlessApplication(); // name, version and Qt's Japanese, as without a window
    // The desktop matches windows to the installed desktop entry (and so to its name and icon) by
    // this id.
    QGuiApplication::setDesktopFileName(QString::fromUtf16(applicationId));
    QApplication::setWindowIcon(applicationIcon());
    QLocale::setDefault(QLocale(QLocale::Japanese, QLocale::Japan));
    installFontSubstitutions();
    QApplication::setFont(interfaceFont(QApplication::font()));
}

void showMainWindow(main1& window, const QString& listFile)
{
    window.show();
    if (!listFile.isEmpty())
        QTimer::singleShot(0, &window, [&window, listFile] { window.loadListFile(listFile); });
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

} // namespace siteloom
