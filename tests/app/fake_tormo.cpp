#include "fake_tormo.h"

#include "Tormo.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTextCodec>

namespace FakeTormo {

QStringList calls;
int nextPort = 0;
bool openFails = false;
bool snapshotFails = false;
int fileTime = 0;
int playedTime = 0;

void reset()
{
    calls.clear();
    nextPort = 0;
    openFails = false;
    snapshotFails = false;
    fileTime = 0;
    playedTime = 0;
}

QStringList callsOf(const QString &name)
{
    QStringList found;
    for (const QString &call : calls) {
        if (call.startsWith(name + QLatin1Char('(')))
            found << call;
    }
    return found;
}

} // namespace FakeTormo

namespace {

using FakeTormo::calls;

QString text(const char *path)
{
    return QTextCodec::codecForName("gb18030")->toUnicode(path);
}

QString log(const char *name, std::initializer_list<QString> args)
{
    return QLatin1String(name) + QLatin1Char('(') + QStringList(args).join(QLatin1Char(','))
           + QLatin1Char(')');
}

QString num(int value)
{
    return QString::number(value);
}

} // namespace

extern "C" {

int Tormo_Initialize(void)
{
    calls << log("Initialize", {});
    return 1;
}

int Tormo_OpenMediaFile(const char *path, int *port)
{
    calls << log("OpenMediaFile", {text(path)});
    if (FakeTormo::openFails)
        return 0;
    *port = FakeTormo::nextPort++;
    return 1;
}

int Tormo_AttachPlayWnd(int port, uintptr_t, int flag)
{
    calls << log("AttachPlayWnd", {num(port), num(flag)});
    return 1;
}

int Tormo_GetFileTime(int port, int *seconds)
{
    calls << log("GetFileTime", {num(port)});
    *seconds = FakeTormo::fileTime;
    return 1;
}

int Tormo_StartPlay(int port)
{
    calls << log("StartPlay", {num(port)});
    return 1;
}

int Tormo_PausePlay(int port, int pause)
{
    calls << log("PausePlay", {num(port), num(pause)});
    return 1;
}

int Tormo_SpeedPlay(int port, int code)
{
    calls << log("SpeedPlay", {num(port), num(code)});
    return 1;
}

int Tormo_GetPlayedTime(int port, int *seconds)
{
    calls << log("GetPlayedTime", {num(port)});
    *seconds = FakeTormo::playedTime;
    return 1;
}

int Tormo_SetPlayedTime(int port, int seconds)
{
    calls << log("SetPlayedTime", {num(port), num(seconds)});
    return 1;
}

int Tormo_Snapshot(int port, int flag, const char *path)
{
    calls << log("Snapshot", {num(port), num(flag), text(path)});
    if (FakeTormo::snapshotFails)
        return 0;
    // path.jpg, or the first free of path_2.jpg, path_3.jpg, ...
    const QString base = text(path).replace(QLatin1Char('\\'), QLatin1Char('/'));
    QString file = base + QStringLiteral(".jpg");
    for (int n = 2; QFile::exists(file); ++n)
        file = base + QStringLiteral("_%1.jpg").arg(n);
    QDir().mkpath(QFileInfo(file).path());
    QFile out(file);
    return out.open(QIODevice::WriteOnly) && out.write("snapshot") == 8 ? 1 : 0;
}

int Tormo_CloseMediaFile(int port)
{
    calls << log("CloseMediaFile", {num(port)});
    return 1;
}

} // extern "C"
