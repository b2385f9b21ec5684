#pragma once

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QProcess>
#include <QString>
#include <QStringList>

// Runs the real program (SITELOOM_BINARY, defined by the test's target) for the command-line tests.
namespace siteloom {

struct ProgramRun
{
    int exitCode = -1; // -1: the program did not end by itself (a signal, or a hang)
    QString out;
    QString err;
};

// Runs the program as a script would, without any display: a window, a QGuiApplication or a
// platform plugin would make it abort. A prefix is a command that runs it (prlimit, runuser, a
// shell script that finds the program's path in $0); settings holds NAME=value settings made
// after the display variables are removed.
inline ProgramRun runProgram(const QStringList& arguments, const QString& workingDirectory,
                             const QStringList& prefix = {}, const QStringList& settings = {})
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const QString& name :
         {QStringLiteral("DISPLAY"), QStringLiteral("WAYLAND_DISPLAY"), QStringLiteral("QT_QPA_PLATFORM")})
        environment.remove(name);
    for (const QString& variable : settings)
        environment.insert(variable.section(u'=', 0, 0), variable.section(u'=', 1));
    process.setProcessEnvironment(environment);
    process.setWorkingDirectory(workingDirectory);
    const QStringList command = prefix + QStringList{QStringLiteral(SITELOOM_BINARY)} + arguments;
    process.start(command.first(), command.mid(1));
    // Events are handled meanwhile, so that a test's own server answers the program. A program that
    // hangs is killed when the process object goes and, like one that did not start, reported as
    // exit -1.
    QDeadlineTimer deadline(60000);
    while (process.state() != QProcess::NotRunning && !deadline.hasExpired()) {
        process.waitForFinished(5);
        QCoreApplication::processEvents();
    }
    const bool finished = process.state() == QProcess::NotRunning &&
                          process.exitStatus() == QProcess::NormalExit &&
                          process.error() != QProcess::FailedToStart;
    return ProgramRun{finished ? process.exitCode() : -1, QString::fromUtf8(process.readAllStandardOutput()),
                      QString::fromUtf8(process.readAllStandardError())};
}

} // namespace siteloom
