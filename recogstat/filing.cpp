#include "filing.h"

#include "paths.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

QString copyTarget(const QString &picture, const QString &folder)
{
    const QString name = fileNameOf(picture);
    const int dot = name.lastIndexOf(QLatin1Char('.'));
    const QString stem = dot > 0 ? name.left(dot) : name;
    const QString extension = dot > 0 ? name.mid(dot) : QString();
    for (int n = 1;; ++n) {
        const QString target =
            folder + (n == 1 ? name : stem + QLatin1Char('_') + QString::number(n) + extension);
        if (!QFileInfo::exists(systemPath(target)))
            return target;
        if (sameContents(target, picture))
            return QString();
    }
}

QString unsuffixed(const QString &name)
{
    static const QRegularExpression suffixed(QStringLiteral("^(.+)_([2-9]|[1-9][0-9]+)(\\.[^.]*)?$"));
    const QRegularExpressionMatch m = suffixed.match(name);
    return m.hasMatch() ? m.captured(1) + m.captured(3) : QString();
}

bool sameContents(const QString &a, const QString &b)
{
    QFile one(systemPath(a));
    QFile other(systemPath(b));
    if (!one.open(QIODevice::ReadOnly) || !other.open(QIODevice::ReadOnly)
        || one.size() != other.size())
        return false;
    constexpr qint64 Chunk = 1 << 16;
    for (;;) {
        const QByteArray part = one.read(Chunk);
        if (part != other.read(Chunk))
            return false;
        if (part.isEmpty())
            return one.atEnd(); // not at the end: a read failed
    }
}

QString snapshotFile(const QString &name, int n)
{
    return n <= 1 ? name + QStringLiteral(".jpg") : name + QStringLiteral("_%1.jpg").arg(n);
}

int snapshotsOnDisk(const QString &name)
{
    int n = 0;
    // an empty file is a write that failed
    while (QFileInfo(systemPath(snapshotFile(name, n + 1))).size() > 0)
        ++n;
    return n;
}
