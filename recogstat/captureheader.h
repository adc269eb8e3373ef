// The capture header as the camera writes it: the first 788 bytes of every
// capture picture, with the plate rectangle the camera found and the plate
// text it recognised (integers little-endian). Its one definition, read by
// the program (capture.h) and written by the picture generator
// (tools/capturegen).
#ifndef CAPTUREHEADER_H
#define CAPTUREHEADER_H

#include <QtGlobal>

namespace CaptureHeader {
constexpr int Size = 788;
constexpr int OrderKey = 38; // 8 bytes; nothing in the program reads it
constexpr int PlateLeft = 156;
constexpr int PlateTop = 160;
constexpr int PlateRight = 164;
constexpr int PlateBottom = 168;
constexpr int PlateText = 420; // GBK, up to the first zero byte or the header's end
} // namespace CaptureHeader

// Only files larger than this are capture pictures; smaller "*.jpg" files in
// a camera's folder are thumbnails and the like.
constexpr qint64 MinPictureBytes = 51200;
// The smallest capture picture the program reads.
constexpr qint64 SmallestPictureBytes = MinPictureBytes + 1;

#endif // CAPTUREHEADER_H
