// A display of a test's own, on which the program meets the X server as on
// a reviewer's desktop: Xvfb on a display number it picks itself
// (-displayfd, so that parallel runs never race for one), a window manager
// (openbox), and keys and clicks sent through the server (xdotool, i.e.
// XTest), so that they arrive as a keyboard's do: a held key repeats as the
// server repeats it. For the program in this process (start the session
// before the QApplication) or in a process of its own (startProgram).
#ifndef XSESSION_H
#define XSESSION_H

#include <QProcess>
#include <QStringList>

class XSession
{
public:
    XSession() = default;
    XSession(const XSession &) = delete;
    XSession &operator=(const XSession &) = delete;
    ~XSession(); // ends what it started

    // The programs a session needs that this machine lacks, named in `why`
    // as a test reports them when it skips; false when it has them all.
    static bool lacking(QString *why);
    // The exit status of a test that skipped (the tests' SKIP_RETURN_CODE).
    static constexpr int Skipped = 77;

    // Starts the server and the window manager and sets DISPLAY for this
    // process and what it starts; false, with the reason in `why`, if not.
    bool start(QString *why);

    // Runs xdotool with these arguments (a few seconds at most); its output,
    // or a null array when it failed.
    QByteArray xdotool(const QStringList &args);
    // Holds `keys` (xdotool's names, e.g. "4", "ctrl+z") down for `ms`
    // milliseconds while this process goes on handling its events.
    void hold(const QString &keys, int ms);
    // Presses and releases each of `keys` in turn, `gapMs` apart.
    void press(const QStringList &keys, int gapMs = 150);
    // The first visible window of this WM_CLASS, waiting up to `ms` for it; 0 if none.
    qulonglong waitForWindow(const QString &windowClass, int ms = 15000);
    // The first visible window titled `title`, once it has the keyboard,
    // waiting up to `ms` for both; 0 if it did not come.
    qulonglong waitForTitle(const QString &title, int ms = 15000);
    // The window that has the keyboard now.
    qulonglong activeWindow();
    // Waits up to `ms` until `window` has the keyboard: the window manager
    // gives it a moment after the window shows, and keys sent before go astray.
    bool waitForFocus(qulonglong window, int ms = 10000);

    // Starts `program` in `folder` on this display, on Qt's X11 platform.
    void startProgram(QProcess &process, const QString &program, const QString &folder);

private:
    QProcess server;
    QProcess windowManager;
};

#endif // XSESSION_H
