#include "paths.h"

#include <QCryptographicHash>
#include <QFileInfo>
#include <QTextCodec>

const QString RecordFolder = QStringLiteral("image\\审核记录\\");

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

QString canonicalPath(const QString &path)
{
    const QFileInfo info(path);
    return info.canonicalFilePath().isEmpty() ? info.absoluteFilePath() : info.canonicalFilePath();
}

QString recordId(const QString &text)
{
    return QString::fromLatin1(
        QCryptographicHash::hash(text.toUtf8(), QCryptographicHash::Sha1).toHex().left(16));
}
