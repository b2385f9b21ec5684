#include "publishcommand.h"

#include "buildcommand.h"
#include "commandline_output.h"
#include "publish/keyring.h"
#include "publish/publisher.h"
#include "userstate/userstate.h"

#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QTextStream>

#include <cstdio>
#include <termios.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace siteloom {

namespace {

// The target or public address the window keeps for the base directory (the settings file the
// window writes, read here without the platform layer).
QString keptSetting(const QString& baseDirectory, PublishSetting setting)
{
    const QString file = settingsFilePath(u"siteloom"_s);
    if (!QFileInfo(file).isFile())
        return {};
    const QSettings settings(file, QSettings::IniFormat);
    return settings
        .value(publishSettingsSection.toString() + u'/' + publishSettingKey(baseDirectory, setting))
        .toString();
}

// A line typed on the terminal; without echo for a password.
QString askTerminal(const QString& prompt, bool secret)
{
    std::fputs(prompt.toLocal8Bit().constData(), stderr);
    std::fflush(stderr);
    termios saved{};
    const bool hide = secret && tcgetattr(STDIN_FILENO, &saved) == 0;
    if (hide) {
        termios quiet = saved;
        quiet.c_lflag &= ~tcflag_t(ECHO);
        tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet);
    }
    QTextStream in(stdin);
    const QString line = in.readLine();
    if (hide) {
        tcsetattr(STDIN_FILENO, TCSAFLUSH, &saved);
        std::fputs("\n", stderr);
    }
    return line;
}

} // namespace

int runPublish(const PublishOptions& options, Keyring& keyring)
{
    QString written;
    if (const int status = buildPageFile(options.file, options.directory, &written); status != exitDone)
        return status;
    const QString baseDirectory = QFileInfo(written).absolutePath();

    const QString address =
        options.to.isNull() ? keptSetting(baseDirectory, PublishSetting::Target) : options.to;
    TargetProblem problem = TargetProblem::None;
    const std::optional<PublishTarget> target = parsePublishTarget(address, &problem);
    if (!target) {
        writeLine(stderr, targetProblemMessage(problem));
        return exitMessage;
    }
    QFile file(written);
    if (!file.open(QIODevice::ReadOnly)) {
        writeLine(stderr,
                  publishStepFailedMessage(PublishStep::Upload, TransferFailure::Other, file.errorString()));
        return exitMessage;
    }

    PublishRequest request;
    request.target = *target;
    request.pageName = QFileInfo(written).fileName();
    request.page = file.readAll();
    request.publicUrl = options.publicUrl.isNull() ? keptSetting(baseDirectory, PublishSetting::PublicUrl)
                                                   : options.publicUrl;
    request.force = options.force;
    request.dryRun = options.dryRun;
    if (!options.dryRun) {
        const std::optional<QString> kept = keyring.read(keyringKey(targetAddress(*target)));
        if (kept)
            request.password = *kept;
        else if (isatty(STDIN_FILENO))
            request.password = askTerminal(passwordPrompt(targetAddress(*target)), true);
    }

    const PublishProgress progress = [](PublishStep, const QString& line) { writeLine(stdout, line); };
    PublishResult result = publishPage(request, progress);
    if (result.outcome == PublishResult::Outcome::HostKeyUnknown && isatty(STDIN_FILENO)) {
        writeLine(stderr, result.lines.join(u'\n'));
        if (askTerminal(u"受け入れますか？ (yes/no): "_s, false).trimmed() != u"yes")
            return exitMessage;
        request.acceptedHostKey = result.hostKeyFingerprint;
        result = publishPage(request, progress);
    }
    const bool done = result.outcome == PublishResult::Outcome::Verified ||
                      result.outcome == PublishResult::Outcome::DryRun;
    for (const QString& line : std::as_const(result.lines)) {
        if (!line.endsWith(u"…"_s))
            writeLine(done || line == publishedMessage() ? stdout : stderr, line);
    }
    return done ? exitDone : exitMessage;
}

} // namespace siteloom
