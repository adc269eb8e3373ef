#include "xsession.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QStandardPaths>
#include <QThread>

namespace {

// Lets this process handle its events (its own windows get the keys) for
// `ms`, every 40 ms, as a busy program does: Qt then tells the server's key
// repeats from presses no better than in a reviewer's hands.
void wait(int ms)
{
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < ms) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(40);
    }
}

QByteArray run(const QString &program, const QStringList &args, int ms = 5000)
{
    QProcess process;
    process.start(program, args);
    while (!process.waitForFinished(10)) {
        if (process.state() == QProcess::NotRunning || ms <= 0) {
            process.kill();
            process.waitForFinished();
            return {};
        }
        QCoreApplication::processEvents();
        ms -= 10;
    }
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        return {};
    const QByteArray out = process.readAllStandardOutput();
    return out.isNull() ? QByteArray("") : out;
}

} // namespace

XSession::~XSession()
{
    for (QProcess *process : {&windowManager, &server}) {
        if (process->state() != QProcess::NotRunning) {
            process->terminate();
            if (!process->waitForFinished(3000))
                process->kill();
            process->waitForFinished();
        }
    }
}

bool XSession::lacking(QString *why)
{
    QStringList missing;
    for (const char *program : {"Xvfb", "openbox", "xdotool", "xprop"})
        if (QStandardPaths::findExecutable(QLatin1String(program)).isEmpty())
            missing << QLatin1String(program);
    *why = QStringLiteral("no X server with a window manager here: %1 not installed")
               .arg(missing.join(QLatin1String(", ")));
    return !missing.isEmpty();
}

bool XSession::start(QString *why)
{
    // -displayfd 1: the server picks a free display and writes its number
    // to its standard output once it accepts clients.
    server.setProcessChannelMode(QProcess::SeparateChannels);
    server.setStandardErrorFile(QProcess::nullDevice());
    server.start(QStringLiteral("Xvfb"), {"-displayfd", "1", "-screen", "0", "1280x1024x24",
                                         "-nolisten", "tcp", "-noreset"});
    QByteArray number;
    const QDeadlineTimer deadline(10000);
    while (!number.contains('\n') && !deadline.hasExpired() && server.state() != QProcess::NotRunning) {
        server.waitForReadyRead(100);
        number += server.readAllStandardOutput();
    }
    if (!number.contains('\n')) {
        *why = QStringLiteral("Xvfb did not start");
        return false;
    }
    qputenv("DISPLAY", ':' + number.trimmed());

    windowManager.setStandardOutputFile(QProcess::nullDevice());
    windowManager.setStandardErrorFile(QProcess::nullDevice());
    // The manager is up once it names itself on the root window. Now and
    // then (one start in some tens) openbox runs but never takes the
    // screen: then it is started afresh.
    for (int attempt = 0; attempt < 3; ++attempt) {
        windowManager.start(QStringLiteral("openbox"), {"--sm-disable"});
        const QDeadlineTimer up(5000);
        while (!up.hasExpired()) {
            if (run(QStringLiteral("xprop"), {"-root", "_NET_SUPPORTING_WM_CHECK"}).contains("window id"))
                return true;
            QThread::msleep(50);
        }
        windowManager.kill();
        windowManager.waitForFinished();
    }
    *why = QStringLiteral("openbox did not start");
    return false;
}

QByteArray XSession::xdotool(const QStringList &args)
{
    return run(QStringLiteral("xdotool"), args);
}

void XSession::hold(const QString &keys, int ms)
{
    xdotool({"keydown", keys});
    wait(ms);
    xdotool({"keyup", keys});
    wait(300); // the last events on their way
}

void XSession::press(const QStringList &keys, int gapMs)
{
    for (const QString &key : keys) {
        xdotool({"key", key});
        wait(gapMs);
    }
}

qulonglong XSession::waitForWindow(const QString &windowClass, int ms)
{
    const QDeadlineTimer deadline(ms);
    while (!deadline.hasExpired()) {
        const QByteArray found = xdotool({"search", "--onlyvisible", "--class", windowClass});
        if (!found.trimmed().isEmpty())
            return found.split('\n').first().toULongLong();
        wait(100);
    }
    return 0;
}

qulonglong XSession::waitForTitle(const QString &title, int ms)
{
    // Asked again and again rather than with --sync: a window that goes
    // while xdotool walks the tree (the program makes and drops some as it
    // starts) ends its search with an X error.
    const QDeadlineTimer deadline(ms);
    while (!deadline.hasExpired()) {
        const QByteArray found = xdotool({"search", "--onlyvisible", "--name", '^' + title + '$'});
        if (const qulonglong id = found.split('\n').first().toULongLong())
            return waitForFocus(id, int(deadline.remainingTime())) ? id : 0;
        wait(50);
    }
    return 0;
}

qulonglong XSession::activeWindow()
{
    return xdotool({"getactivewindow"}).trimmed().toULongLong();
}

bool XSession::waitForFocus(qulonglong window, int ms)
{
    const QDeadlineTimer deadline(ms);
    while (activeWindow() != window) {
        if (deadline.hasExpired())
            return false;
        wait(50);
    }
    return true;
}

void XSession::startProgram(QProcess &process, const QString &program, const QString &folder)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    process.setProcessEnvironment(env);
    process.setWorkingDirectory(folder);
    process.start(program, QStringList());
}
