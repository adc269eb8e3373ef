#include "capturegen.h"

#include <QBuffer>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QImageWriter>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRandomGenerator>
#include <QTextCodec>
#include <QtEndian>

#include <cstring>

namespace CaptureGen {

namespace {

// The header (captureheader.h) sits in this application segment, right after start-of-image.
// APP1 and APP2 are avoided: decoders read Exif and colour profiles there.
constexpr uchar HeaderMarker = 0xE7;
constexpr uchar CommentMarker = 0xFE;
constexpr int MaxSegmentData = 65533;

const QString Provinces = QStringLiteral(
    "京津沪渝冀豫云辽黑湘皖鲁新苏浙赣鄂桂甘晋蒙陕吉闽贵粤青藏川宁琼");
// Plates use neither I nor O.
const QString Letters = QStringLiteral("ABCDEFGHJKLMNPQRSTUVWXYZ");
const QString Digits = QStringLiteral("0123456789");
// What a camera takes one plate character for when it gets it wrong.
const QString Seen = QStringLiteral("0D8B1T2Z5S6G");
const QString Misread = QStringLiteral("D0B8T1Z2S5G6");

// 08:00 on a March morning, UTC, as the first capture's time.
constexpr qint64 FirstCaptureMs = 1710489600000;

QChar pick(QRandomGenerator &rng, const QString &from)
{
    return from.at(int(rng.bounded(quint32(from.size()))));
}

QString plateText(QRandomGenerator &rng)
{
    QString text;
    text += pick(rng, Provinces);
    text += pick(rng, Letters);
    for (int i = 0; i < 5; ++i)
        text += rng.bounded(10) < 7 ? pick(rng, Digits) : pick(rng, Letters);
    return text;
}

// One character of the number (not the province) as a camera misreads it.
QString misread(QRandomGenerator &rng, const QString &text)
{
    QString wrong = text;
    const int at = 2 + int(rng.bounded(5));
    const int known = Seen.indexOf(wrong.at(at));
    wrong[at] = known >= 0 ? Misread.at(known) : pick(rng, Digits);
    if (wrong == text)
        wrong[at] = wrong.at(at) == QLatin1Char('7') ? QLatin1Char('1') : QLatin1Char('7');
    return wrong;
}

QColor bodyColour(QRandomGenerator &rng)
{
    static const QRgb colours[] = {0xf2f2f0, 0x1c1c1e, 0x8d939a, 0xb7bcc2, 0x7a1c1c,
                                   0x1f3a68, 0x3d4a3a, 0xc9b48a, 0x5a2f1b, 0xe8e4d8};
    QColor c(colours[rng.bounded(int(std::size(colours)))]);
    return c.lighter(90 + int(rng.bounded(20)));
}

void drawRoad(QPainter &p, QSize size)
{
    const int w = size.width(), h = size.height();
    QLinearGradient asphalt(0, 0, 0, h);
    asphalt.setColorAt(0, QColor(96, 98, 100));
    asphalt.setColorAt(1, QColor(70, 72, 74));
    p.fillRect(0, 0, w, h, asphalt);
    // the verge along the top of the picture
    p.fillRect(0, 0, w, int(h * 0.08), QColor(88, 104, 74));
    p.fillRect(0, int(h * 0.08), w, int(h * 0.015), QColor(170, 170, 165));

    // lane lines converge above the picture
    const QPointF vanish(w * 0.5, -h * 0.9);
    p.setPen(Qt::NoPen);
    const double lanes[] = {0.02, 0.36, 0.64, 0.98};
    for (int i = 0; i < 4; ++i) {
        const QPointF bottom(w * lanes[i], h);
        const bool dashed = i == 1 || i == 2;
        const int pieces = dashed ? 6 : 1;
        for (int d = 0; d < pieces; ++d) {
            const double t0 = dashed ? 0.09 + d * 0.16 : 0.09;
            const double t1 = dashed ? t0 + 0.09 : 1.0;
            auto at = [&](double t) {
                return QPointF(vanish.x() + (bottom.x() - vanish.x()) * (0.45 + 0.55 * t),
                               h * t);
            };
            const double half0 = w * 0.004 * (0.45 + 0.55 * t0);
            const double half1 = w * 0.004 * (0.45 + 0.55 * t1);
            QPolygonF stripe;
            stripe << at(t0) - QPointF(half0, 0) << at(t0) + QPointF(half0, 0)
                   << at(t1) + QPointF(half1, 0) << at(t1) - QPointF(half1, 0);
            p.setBrush(QColor(222, 222, 214));
            p.drawPolygon(stripe);
        }
    }
}

void drawPlate(QPainter &p, const Scene &s)
{
    const QRectF r(s.plate);
    const QColor ground = s.yellowPlate ? QColor(238, 184, 20) : QColor(18, 64, 170);
    const QColor ink = s.yellowPlate ? QColor(20, 20, 20) : QColor(245, 245, 245);
    p.setPen(Qt::NoPen);
    p.setBrush(ground);
    p.drawRoundedRect(r, r.height() * 0.08, r.height() * 0.08);
    p.setPen(QPen(ink, qMax(1.0, r.height() * 0.035)));
    p.setBrush(Qt::NoBrush);
    const double inset = r.height() * 0.07;
    p.drawRoundedRect(r.adjusted(inset, inset, -inset, -inset), inset, inset);

    // seven tall, narrow characters (45 x 90 mm), a wider gap after the
    // province and the letter
    QFont font(QStringLiteral("WenQuanYi Micro Hei"));
    font.setPixelSize(qMax(6, int(r.height() * 0.7)));
    font.setBold(true);
    p.setFont(font);
    p.setPen(ink);
    const QFontMetricsF metrics(font);
    const double cell = r.width() * 0.112;
    const double gap = r.width() * 0.08;
    double x = r.left() + (r.width() - 7 * cell - gap) / 2;
    for (int i = 0; i < s.paintedPlate.size(); ++i) {
        if (i == 2)
            x += gap;
        const QString glyph = s.paintedPlate.mid(i, 1);
        const double squeeze = qMin(1.0, cell * 0.9 / metrics.horizontalAdvance(glyph));
        p.save();
        p.translate(x + cell / 2, r.center().y());
        p.scale(squeeze, 1.0);
        const double w = cell / squeeze;
        p.drawText(QRectF(-w / 2, -r.height() / 2, w, r.height()), Qt::AlignCenter, glyph);
        p.restore();
        x += cell;
    }
}

void drawVehicle(QPainter &p, const Scene &s)
{
    const QRectF v(s.vehicle);
    const double w = v.width(), h = v.height();
    p.setPen(Qt::NoPen);

    // shadow, wheels
    p.setBrush(QColor(30, 30, 32, 150));
    p.drawEllipse(QRectF(v.left() - w * 0.04, v.bottom() - h * 0.06, w * 1.08, h * 0.12));
    p.setBrush(QColor(22, 22, 24));
    p.drawRoundedRect(QRectF(v.left() + w * 0.04, v.bottom() - h * 0.14, w * 0.16, h * 0.14), 6, 6);
    p.drawRoundedRect(QRectF(v.right() - w * 0.20, v.bottom() - h * 0.14, w * 0.16, h * 0.14), 6, 6);

    // cabin and windscreen
    const double roof = s.tall ? 0.0 : 0.1;
    QPainterPath cabin;
    cabin.moveTo(v.left() + w * 0.06, v.top() + h * 0.48);
    cabin.lineTo(v.left() + w * (0.16 + roof), v.top());
    cabin.lineTo(v.right() - w * (0.16 + roof), v.top());
    cabin.lineTo(v.right() - w * 0.06, v.top() + h * 0.48);
    cabin.closeSubpath();
    p.setBrush(s.body);
    p.drawPath(cabin);
    QLinearGradient glass(v.left(), v.top(), v.right(), v.top() + h * 0.45);
    glass.setColorAt(0, QColor(40, 50, 62));
    glass.setColorAt(0.45, QColor(92, 108, 124));
    glass.setColorAt(0.55, QColor(52, 62, 74));
    glass.setColorAt(1, QColor(28, 34, 42));
    QPainterPath screen;
    screen.moveTo(v.left() + w * 0.11, v.top() + h * 0.44);
    screen.lineTo(v.left() + w * (0.19 + roof), v.top() + h * 0.05);
    screen.lineTo(v.right() - w * (0.19 + roof), v.top() + h * 0.05);
    screen.lineTo(v.right() - w * 0.11, v.top() + h * 0.44);
    screen.closeSubpath();
    p.setBrush(glass);
    p.drawPath(screen);

    // body: bonnet, lights, grille, bumper
    QLinearGradient paintwork(0, v.top() + h * 0.45, 0, v.bottom());
    paintwork.setColorAt(0, s.body.lighter(115));
    paintwork.setColorAt(1, s.body.darker(125));
    p.setBrush(paintwork);
    p.drawRoundedRect(QRectF(v.left(), v.top() + h * 0.45, w, h * 0.45), w * 0.05, w * 0.05);
    p.setBrush(QColor(235, 238, 240));
    p.drawRoundedRect(QRectF(v.left() + w * 0.05, v.top() + h * 0.53, w * 0.2, h * 0.08), 8, 8);
    p.drawRoundedRect(QRectF(v.right() - w * 0.25, v.top() + h * 0.53, w * 0.2, h * 0.08), 8, 8);
    const QRectF grille(v.left() + w * 0.3, v.top() + h * 0.54, w * 0.4, h * 0.11);
    p.setBrush(QColor(28, 28, 30));
    p.drawRoundedRect(grille, 6, 6);
    p.setPen(QPen(QColor(120, 122, 126), qMax(1.0, h * 0.006)));
    for (int i = 1; i < 4; ++i)
        p.drawLine(QPointF(grille.left() + 4, grille.top() + grille.height() * i / 4),
                   QPointF(grille.right() - 4, grille.top() + grille.height() * i / 4));
    p.setPen(Qt::NoPen);
    p.setBrush(s.body.darker(150));
    p.drawRect(QRectF(v.left() + w * 0.02, v.top() + h * 0.80, w * 0.96, h * 0.04));

    drawPlate(p, s);
}

void drawStamp(QPainter &p, const Scene &s, int lane)
{
    QFont font(QStringLiteral("WenQuanYi Micro Hei"));
    font.setPixelSize(qMax(8, s.size.height() / 32));
    p.setFont(font);
    const QString when = QDateTime::fromMSecsSinceEpoch(qint64(s.orderKey), Qt::UTC)
                             .toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz"));
    const QString text = when + QStringLiteral("  车道%1").arg(lane);
    const QPoint at(s.size.height() / 40, s.size.height() / 40 + font.pixelSize());
    p.setPen(QColor(0, 0, 0));
    p.drawText(at + QPoint(1, 1), text);
    p.setPen(QColor(255, 255, 255));
    p.drawText(at, text);
}

// Sensor grain: a little noise on every channel, as real captures have.
void addGrain(QImage &image, quint32 seed)
{
    QRandomGenerator rng(seed);
    for (int y = 0; y < image.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const quint32 r = rng.generate();
            auto shift = [r](int channel, int byte) {
                return qBound(0, channel + int((r >> (8 * byte)) & 15) - 7, 255);
            };
            const QRgb c = line[x];
            line[x] = qRgb(shift(qRed(c), 0), shift(qGreen(c), 1), shift(qBlue(c), 2));
        }
    }
}

// Comment segments of `total` bytes in all (each at least 4).
QByteArray padding(qint64 total)
{
    QByteArray out;
    while (total > 0) {
        qint64 data = qMin<qint64>(total - 4, MaxSegmentData);
        // never leave less than a segment's 4 bytes for the next one
        if (total - 4 - data > 0 && total - 4 - data < 4)
            data -= 4;
        out += char(0xFF);
        out += char(CommentMarker);
        out += char((data + 2) >> 8);
        out += char((data + 2) & 0xFF);
        out += QByteArray(int(data), 'x');
        total -= data + 4;
    }
    return out;
}

} // namespace

Scene sceneFor(quint32 seed, int index, QSize size)
{
    const quint32 seeds[] = {seed, quint32(index)};
    QRandomGenerator rng(seeds, seeds + 2);
    Scene s;
    s.size = size;
    s.orderKey = quint64(FirstCaptureMs + qint64(index) * 7000 + rng.bounded(6000));
    s.fileName = QDateTime::fromMSecsSinceEpoch(qint64(s.orderKey), Qt::UTC)
                     .toString(QStringLiteral("yyyyMMdd_HHmmss_"))
                 + QStringLiteral("%1.jpg").arg(index, 4, 10, QLatin1Char('0'));
    s.grainSeed = rng.generate();

    const int kind = int(rng.bounded(100));
    s.hasVehicle = kind >= 4; // 4 in 100: an empty road
    if (!s.hasVehicle)
        return s;

    const double w = size.width(), h = size.height();
    const double scale = 0.9 + rng.bounded(0.25);
    const double vw = qMin(w * 0.46 * scale, h * 0.9);
    s.tall = rng.bounded(5) == 0;
    const double vh = vw * (s.tall ? 0.95 : 0.78);
    const double cx = w * (0.5 + (rng.bounded(0.3) - 0.15));
    const double bottom = h * (0.97 - rng.bounded(0.12));
    s.vehicle = QRectF(cx - vw / 2, bottom - vh, vw, vh).toRect();
    s.body = bodyColour(rng);

    // 440 x 140 mm, below the grille
    const double pw = vw * 0.27, ph = pw * 140 / 440;
    s.plate = QRectF(cx - pw / 2, s.vehicle.top() + vh * 0.67, pw, ph).toRect();
    s.yellowPlate = rng.bounded(8) == 0;
    s.paintedPlate = plateText(rng);
    s.headerPlate = kind < 14 ? misread(rng, s.paintedPlate) : s.paintedPlate;
    return s;
}

QByteArray captureHeader(const QRect &plate, const QString &plateText, quint64 orderKey)
{
    char d[CaptureHeader::Size] = {};
    d[0] = char(0xFF);
    d[1] = char(0xD8);
    d[2] = char(0xFF);
    d[3] = char(HeaderMarker);
    qToBigEndian<quint16>(CaptureHeader::Size - 4, d + 4); // the segment's length, itself included
    std::memcpy(d + 6, "capturegen", 10);
    qToLittleEndian<quint64>(orderKey, d + CaptureHeader::OrderKey);
    if (!plate.isNull()) {
        qToLittleEndian<quint32>(quint32(plate.left()), d + CaptureHeader::PlateLeft);
        qToLittleEndian<quint32>(quint32(plate.top()), d + CaptureHeader::PlateTop);
        qToLittleEndian<quint32>(quint32(plate.left() + plate.width()), d + CaptureHeader::PlateRight);
        qToLittleEndian<quint32>(quint32(plate.top() + plate.height()), d + CaptureHeader::PlateBottom);
    }
    static QTextCodec *const gbk = QTextCodec::codecForName("GBK");
    const int room = CaptureHeader::Size - CaptureHeader::PlateText - 1; // a zero ends the text
    const QByteArray text = gbk->fromUnicode(plateText).left(room);
    std::memcpy(d + CaptureHeader::PlateText, text.constData(), size_t(text.size()));
    return QByteArray(d, CaptureHeader::Size);
}

QImage paint(const Scene &scene)
{
    QImage image(scene.size, QImage::Format_RGB32);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    drawRoad(p, scene.size);
    if (scene.hasVehicle)
        drawVehicle(p, scene);
    drawStamp(p, scene, scene.hasVehicle && scene.vehicle.center().x() > scene.size.width() / 2 ? 2 : 1);
    p.end();
    addGrain(image, scene.grainSeed);
    return image;
}

QByteArray render(const Scene &scene, qint64 minBytes, qint64 exactBytes)
{
    QByteArray jpeg;
    QBuffer buffer(&jpeg);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpeg");
    writer.setQuality(88);
    if (!writer.write(paint(scene)))
        return {};

    const QByteArray header = captureHeader(scene.hasVehicle ? scene.plate : QRect(),
                                            scene.hasVehicle ? scene.headerPlate : QString(),
                                            scene.orderKey);
    // the encoder's own start-of-image marker is the header's first two bytes
    const qint64 natural = header.size() + jpeg.size() - 2;
    const qint64 wanted = exactBytes > 0 ? exactBytes : qMax(minBytes, natural);
    qint64 pad = wanted - natural;
    if (exactBytes <= 0 && pad > 0 && pad < 4)
        pad = 4; // a segment's smallest size
    if (pad < 0 || (pad > 0 && pad < 4))
        return {};
    return header + padding(pad) + jpeg.mid(2);
}

int writeSeries(const QString &folder, quint32 seed, int first, int count, QSize size)
{
    if (!QDir().mkpath(folder))
        return -1;
    for (int i = first; i < first + count; ++i) {
        const Scene scene = sceneFor(seed, i, size);
        QFile file(QDir(folder).filePath(scene.fileName));
        const QByteArray bytes = render(scene);
        if (bytes.isEmpty() || !file.open(QIODevice::WriteOnly)
            || file.write(bytes) != bytes.size())
            return -1;
    }
    return count;
}

} // namespace CaptureGen
