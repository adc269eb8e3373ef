// A display of a test's own for driving the real program as a person does:
// Xvfb on a free display number (-displayfd: other tests run theirs at the
// same time), a window manager that focuses new windows, and xdotool for
// keys and clicks through XTest.
#ifndef X11SESSION_H
#define X11SESSION_H

#include <QProcess>
#include <QStringList>
#include <QThread>

class X11Session
{
public:
    // Starts the server and the window manager; false when either would not.
    bool start()
    {
        // -displayfd 1: the server writes the number it chose to its stdout
        server.setProcessChannelMode(QProcess::SeparateChannels);
        server.setReadChannel(QProcess::StandardOutput);
        server.start(QStringLiteral("Xvfb"), {"-displayfd", "1", "-screen", "0", "1400x1000x24",
                                               "-nolisten", "tcp"});
        if (!server.waitForStarted() || !waitForLine(server)) {
            qWarning("Xvfb: %s", server.readAllStandardError().constData());
            return false;
        }
        display = ':' + QString::fromLatin1(server.readLine().trimmed());
        qputenv("DISPLAY", display.toLatin1());
        // Now and then (one start in some tens) openbox runs but never takes
        // the screen: then it is started afresh.
        for (int attempt = 0; attempt < 3; ++attempt) {
            manager.start(QStringLiteral("openbox"), {"--sm-disable"});
            if (!manager.waitForStarted())
                return false;
            for (int waited = 0; waited < 5000; waited += 50) { // up once it names the desktop
                if (run({"get_desktop"}).ok)
                    return true;
                QThread::msleep(50);
            }
            manager.kill();
            manager.waitForFinished();
        }
        qWarning("openbox did not come up on %s", qPrintable(display));
        return false;
    }

    ~X11Session()
    {
        for (QProcess *p : {&manager, &server}) {
            p->terminate();
            if (!p->waitForFinished(3000))
                p->kill();
            p->waitForFinished(1000);
        }
    }

    struct Result
    {
        bool ok = false;
        QByteArray out;
    };
    // xdotool with `args`; given up (and not ok) after `ms`.
    static Result run(const QStringList &args, int ms = 10000)
    {
        QProcess xdotool;
        xdotool.start(QStringLiteral("xdotool"), args);
        if (!xdotool.waitForFinished(ms)) {
            xdotool.kill();
            xdotool.waitForFinished();
            return {};
        }
        return {xdotool.exitStatus() == QProcess::NormalExit && xdotool.exitCode() == 0,
                xdotool.readAllStandardOutput()};
    }

    // The first visible window titled `title` once it has the keyboard
    // focus, waiting for both; 0 if it did not come.
    static unsigned long window(const QString &title, int ms = 15000)
    {
        // Asked again and again rather than with --sync: a window that goes
        // while xdotool walks the tree (the program makes and drops some as
        // it starts) ends its search with an X error.
        for (int waited = 0; waited < ms; waited += 50) {
            const Result found = run({"search", "--onlyvisible", "--name", '^' + title + '$'});
            if (const unsigned long id = found.out.split('\n').value(0).toULong())
                return focused(id) ? id : 0;
            QThread::msleep(50);
        }
        return 0;
    }

    // Waits until `id` has the keyboard focus: the window manager gives it
    // a moment after the window shows, and keys sent before it go astray.
    static bool focused(unsigned long id, int ms = 10000)
    {
        for (int waited = 0; waited < ms; waited += 50) {
            if (run({"getactivewindow"}).out.trimmed().toULong() == id)
                return true;
            QThread::msleep(50);
        }
        return false;
    }

    QString display;

private:
    static bool waitForLine(QProcess &p)
    {
        while (!p.canReadLine())
            if (!p.waitForReadyRead(10000))
                return false;
        return true;
    }

    QProcess server;
    QProcess manager;
};

#endif // X11SESSION_H
