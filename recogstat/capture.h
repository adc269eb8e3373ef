// Capture pictures as the camera writes them: a JPEG file whose first 788
// bytes are the capture header, with the plate rectangle the camera found
// and the plate text it recognised. Bytes in, fields out; no widget here.
#ifndef CAPTURE_H
#define CAPTURE_H

#include <QByteArray>
#include <QRect>
#include <QString>
#include <QStringList>
#include <QVector>

#include "captureheader.h"
#include "paths.h" // fileNameOf

// One capture picture of the opened folder, with what its capture header says.
struct PictureRecord
{
    QString filePath; // folder, "\", file name
    quint32 plateRight = 0;
    quint32 plateLeft = 0;
    quint32 plateBottom = 0;
    quint32 plateTop = 0;
    QString plateText;
    bool processed = false; // once copied into a verdict folder
};

// Fills the plate fields of `record` from a header; false (record untouched)
// when `header` is shorter than a capture header. The header is not
// otherwise validated.
bool parseCaptureHeader(const QByteArray &header, PictureRecord &record);

// Reads the header of the capture picture at `path` (the program's "\"
// form) into a fresh record; false, leaving the record as it was, when the
// file cannot be opened or read or is no larger than MinPictureBytes.
bool readPictureRecord(const QString &path, PictureRecord &record);

// The capture pictures of `folder` (the program's "\" form): its "*.jpg"
// files in any letter case, in name order ignoring case, those larger than
// MinPictureBytes whose header can be read. Slot 0 of the result is an
// empty record, so the pictures are numbered from 1. `names`, if given,
// receives every listed name, small files included.
QVector<PictureRecord> readPictureFolder(const QString &folder, QStringList *names = nullptr);

// The plate crop shown above the plate text: from the plate's left edge and
// 10 pixels above its top, 1.1 times the plate's width and 1.2 times its
// height plus 10 pixels. The edges are unsigned 32-bit and their differences
// wrap; the sizes are taken in floating point from the unsigned values and
// truncated. The corner reaches the picture as signed pixels, so a plate
// within 10 pixels of the top starts the crop above the picture. 64-bit, so
// that no header overflows it; nothing is clipped here.
struct PlateCrop
{
    qint64 left = 0;
    qint64 top = 0;
    qint64 width = 0;
    qint64 height = 0;
};
PlateCrop plateCrop(const PictureRecord &record);

// The part of the crop that lies on a picture of `size`; empty when none.
QRect cropOnPicture(const PlateCrop &crop, const QSize &size);

// The plate rectangle handed to the picture view: left, top, width, height
// (unsigned, wrapping like the crop).
struct PlateBox
{
    quint32 left = 0;
    quint32 top = 0;
    quint32 width = 0;
    quint32 height = 0;
};
PlateBox plateBox(const PictureRecord &record);

#endif // CAPTURE_H
