#include "capture.h"

#include "paths.h"

#include <QDir>
#include <QFile>
#include <QSize>
#include <QTextCodec>
#include <QtEndian>

#include <cmath>
#include <cstring>

namespace {

quint32 edgeAt(const QByteArray &header, int offset)
{
    return qFromLittleEndian<quint32>(header.constData() + offset);
}

} // namespace

bool parseCaptureHeader(const QByteArray &header, PictureRecord &record)
{
    if (header.size() < CaptureHeader::Size)
        return false;
    record.plateLeft = edgeAt(header, CaptureHeader::PlateLeft);
    record.plateTop = edgeAt(header, CaptureHeader::PlateTop);
    record.plateRight = edgeAt(header, CaptureHeader::PlateRight);
    record.plateBottom = edgeAt(header, CaptureHeader::PlateBottom);

    const char *text = header.constData() + CaptureHeader::PlateText;
    const int room = CaptureHeader::Size - CaptureHeader::PlateText;
    const void *end = std::memchr(text, 0, size_t(room));
    const int length = end ? int(static_cast<const char *>(end) - text) : room;
    static QTextCodec *const gbk = QTextCodec::codecForName("GBK");
    record.plateText = gbk->toUnicode(text, length);
    return true;
}

bool readPictureRecord(const QString &path, PictureRecord &record)
{
    // Unbuffered: only the header is read, not a buffer's worth of picture.
    QFile file(systemPath(path));
    if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered)
        || file.size() <= MinPictureBytes)
        return false;
    char header[CaptureHeader::Size];
    PictureRecord read;
    if (file.read(header, CaptureHeader::Size) != CaptureHeader::Size
        || !parseCaptureHeader(QByteArray::fromRawData(header, CaptureHeader::Size), read))
        return false;
    read.filePath = path;
    record = read;
    return true;
}

QVector<PictureRecord> readPictureFolder(const QString &folder, QStringList *names)
{
    // QDir's own order for a folder is by name ignoring case, and its name
    // filters ignore case: "A.JPG" comes before "b.jpg". The sizes come from
    // the open files, which saves a second look at each one.
    const QStringList listed = QDir(systemPath(folder), QStringLiteral("*.jpg"),
                                    QDir::Name | QDir::IgnoreCase, QDir::Files)
                                   .entryList();
    QVector<PictureRecord> records(1);
    records.reserve(listed.size() + 1);
    for (const QString &name : listed) {
        PictureRecord record;
        if (readPictureRecord(folder + QLatin1Char('\\') + name, record))
            records << record;
    }
    if (names)
        *names = listed;
    return records;
}

PlateCrop plateCrop(const PictureRecord &r)
{
    const quint32 width = r.plateRight - r.plateLeft;
    const quint32 height = r.plateBottom - r.plateTop + 10;
    PlateCrop crop;
    crop.left = qint32(r.plateLeft);
    crop.top = qint32(r.plateTop - 10);
    crop.width = qint64(std::trunc(double(width) * 1.1));
    crop.height = qint64(std::trunc(double(height) * 1.2));
    return crop;
}

QRect cropOnPicture(const PlateCrop &crop, const QSize &size)
{
    const qint64 left = qMax<qint64>(crop.left, 0);
    const qint64 top = qMax<qint64>(crop.top, 0);
    const qint64 right = qMin<qint64>(crop.left + crop.width, size.width());
    const qint64 bottom = qMin<qint64>(crop.top + crop.height, size.height());
    if (right <= left || bottom <= top)
        return QRect();
    return QRect(int(left), int(top), int(right - left), int(bottom - top));
}

PlateBox plateBox(const PictureRecord &r)
{
    return {r.plateLeft, r.plateTop, r.plateRight - r.plateLeft, r.plateBottom - r.plateTop};
}
