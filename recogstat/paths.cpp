#include "paths.h"

#include <QTextCodec>

QString systemPath(const QString &path)
{
    return QString(path).replace(QLatin1Char('\\'), QLatin1Char('/'));
}

QByteArray enginePath(const QString &path)
{
    static QTextCodec *const codec = QTextCodec::codecForName("gb18030");
    return codec->fromUnicode(path);
}
