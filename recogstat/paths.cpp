#include "paths.h"

#include <QTextCodec>

QString systemPath(const QString &path)
{
    return QString(path).replace(QLatin1Char('\\'), QLatin1Char('/'));
}

QString programPath(const QString &path)
{
    return QString(path).replace(QLatin1Char('/'), QLatin1Char('\\'));
}

QByteArray enginePath(const QString &path)
{
    static QTextCodec *const codec = QTextCodec::codecForName("gb18030");
    return codec->fromUnicode(path);
}

QString fileNameOf(const QString &path)
{
    return path.mid(path.lastIndexOf(QLatin1Char('\\')) + 1);
}
