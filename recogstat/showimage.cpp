#include "showimage.h"

#include <QMouseEvent>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace {

// The position of the picture's near edge on one axis, kept in sight: a
// picture larger than the view leaves no gap at either edge, a smaller one
// stays wholly inside.
double inSight(double edge, double size, double view)
{
    return size > view ? std::clamp(edge, view - size, 0.0) : std::clamp(edge, 0.0, view - size);
}

// Values far outside the view are not drawn; this also keeps the conversion
// to int defined for plate rectangles with wrapped coordinates.
bool onCanvas(double v)
{
    return std::isfinite(v) && std::abs(v) < 1e6;
}

} // namespace

ShowImage::ShowImage(QWidget *parent)
    : QWidget(parent)
{
    loadPicture(QString(), 0, 0, 0, 0);
    setBackgroundRole(QPalette::WindowText);
    setAutoFillBackground(true);
}

ShowImage::~ShowImage() = default;

QSize ShowImage::sizeHint() const
{
    return QSize(1900, 1700);
}

QSize ShowImage::minimumSizeHint() const
{
    return QSize(100, 100);
}

void ShowImage::loadPicture(const QString &path, quint32 left, quint32 top,
                            quint32 width, quint32 height)
{
    pixmap.load(path);
    startPicture(left, top, width, height);
}

void ShowImage::loadPicture(const QImage &picture, quint32 left, quint32 top,
                            quint32 width, quint32 height)
{
    pixmap = QPixmap::fromImage(picture);
    startPicture(left, top, width, height);
}

// A new picture starts centred at the zoom that is set, its plate outlined.
void ShowImage::startPicture(quint32 left, quint32 top, quint32 width, quint32 height)
{
    centre = QPointF(pixmap.width() / 2.0, pixmap.height() / 2.0);
    dragging = false;
    boxLeft = left;
    boxTop = top;
    boxWidth = width;
    boxHeight = height;
    update();
}

void ShowImage::arise_scale(int value)
{
    // about what is on screen now, which may have been kept in sight
    if (hasPicture())
        centre = clamped(centre);
    scaleX = scaleY = value / 100.0;
    update();
}

void ShowImage::mousePressEvent(QMouseEvent *event)
{
    dragging = hasPicture();
    pressPos = event->pos();
    if (dragging)
        pressCentre = clamped(centre);
}

// The picture follows the mouse for as long as it stays in sight.
void ShowImage::mouseMoveEvent(QMouseEvent *event)
{
    if (!dragging)
        return;
    centre = pressCentre - QPointF(event->pos() - pressPos) / viewScale();
    update();
}

// The picture stays where it was dropped.
void ShowImage::mouseReleaseEvent(QMouseEvent *event)
{
    if (!dragging)
        return;
    dragging = false;
    centre = clamped(pressCentre - QPointF(event->pos() - pressPos) / viewScale());
    update();
}

bool ShowImage::hasPicture() const
{
    return !pixmap.isNull() && width() > 0 && height() > 0;
}

double ShowImage::viewScale() const
{
    const double fitRatio = std::max(pixmap.width() / double(width()),
                                     pixmap.height() / double(height()));
    return scaleX / fitRatio;
}

QPointF ShowImage::clamped(QPointF c) const
{
    const QRectF at = pictureRect(c);
    const double x = inSight(at.x(), at.width(), width());
    const double y = inSight(at.y(), at.height(), height());
    return c - QPointF(x - at.x(), y - at.y()) / viewScale();
}

QRectF ShowImage::pictureRect(QPointF c) const
{
    const double k = viewScale();
    return QRectF(width() * 0.5 - c.x() * k, height() * 0.5 - c.y() * k,
                  pixmap.width() * k, pixmap.height() * k);
}

// The box lies at the plate's place, moved left by the plate's height and up
// by a quarter of its width, in its picture-pixel size at the fitted zoom;
// it is zoomed and moved with the picture.
void ShowImage::drawPlateBox(QPainter &painter, const QRectF &picture) const
{
    const double s = scaleX;
    const double r = s / viewScale(); // picture pixels per view pixel, fitted
    // Unsigned on purpose: a plate at the very top wraps out of sight.
    const quint32 top = boxTop - boxWidth / 4;
    const double x = picture.x() + (boxLeft / r - double(boxHeight)) * s;
    const double y = picture.y() + top / r * s;
    const double w = boxWidth * s;
    const double h = boxHeight * s;
    if (!onCanvas(x) || !onCanvas(y) || !onCanvas(w) || !onCanvas(h))
        return;

    painter.setPen(QPen(QBrush(Qt::green), 5.0, Qt::DashDotLine, Qt::RoundCap,
                        Qt::BevelJoin));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(QRect(int(x), int(y), int(w), int(h)));
}

void ShowImage::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    if (!hasPicture())
        return; // the background only

    const QRectF picture = pictureRect(clamped(centre));
    // whole pixels, the fractions cut (but for rounding noise: a drag of
    // whole pixels moves the picture by as many)
    const auto pixel = [](double v) { return int(std::floor(v + 1e-6)); };
    const QRect drawn(pixel(picture.x()), pixel(picture.y()), pixel(picture.width()),
                      pixel(picture.height()));
    painter.drawPixmap(QRectF(drawn), pixmap, QRectF(pixmap.rect()));
    drawPlateBox(painter, picture);
}
