// Realistic capture pictures for trying out, testing and timing RecogStat:
// a road seen from a roadside camera, one vehicle head-on with its licence
// plate, the camera's time stamp, encoded as a JPEG whose first 788 bytes are
// the capture header (inside an application segment, so that every JPEG
// decoder skips it). The same seed and index always give the same bytes.
#ifndef CAPTUREGEN_H
#define CAPTUREGEN_H

#include <QByteArray>
#include <QColor>
#include <QImage>
#include <QRect>
#include <QSize>
#include <QString>

#include "captureheader.h"

namespace CaptureGen {

// What one capture shows and what the camera wrote about it.
struct Scene
{
    QSize size;
    bool hasVehicle = true;
    QRect vehicle;         // the vehicle's outline, picture pixels
    QColor body;
    bool tall = false;     // a van rather than a car
    QString paintedPlate;  // on the plate, e.g. "京A12345"
    QString headerPlate;   // what the camera recognised: usually the same
    bool yellowPlate = false;
    QRect plate;           // the plate as painted, picture pixels
    quint64 orderKey = 0;  // capture time, milliseconds since 1970 (UTC)
    QString fileName;      // e.g. "20240315_080512_0007.jpg"
    quint32 grainSeed = 0; // the sensor noise
};

// The scene of picture `index` of the series `seed` in a picture of `size`:
// most pictures are recognised right, some carry a misread character, a
// few show an empty road (no plate, empty text).
Scene sceneFor(quint32 seed, int index, QSize size);

// The capture header for a plate rectangle and text (GBK): 788 bytes that
// start the file (start-of-image marker, then the application segment).
QByteArray captureHeader(const QRect &plate, const QString &plateText, quint64 orderKey);

// The whole file: the scene painted and encoded, behind its capture header.
// It is padded with comment segments to at least `minBytes` and, when
// `exactBytes` is given, to exactly that many (empty when that is not
// possible, i.e. the picture is already larger).
QByteArray render(const Scene &scene, qint64 minBytes = SmallestPictureBytes, qint64 exactBytes = 0);

// The picture alone, before encoding.
QImage paint(const Scene &scene);

// Writes pictures first .. first + count - 1 of the series `seed` into
// `folder` (created if needed) under their scene's names; the number
// written, or -1 on a write error.
int writeSeries(const QString &folder, quint32 seed, int first, int count, QSize size);

} // namespace CaptureGen

#endif // CAPTUREGEN_H
