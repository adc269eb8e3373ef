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

// The plate box's line, view pixels.
constexpr double PlateLineWidth = 5.0;

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
    loadPicture(QImage(), PlateBox());
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

// A new picture starts centred at the zoom that is set, its plate framed.
void ShowImage::loadPicture(const QImage &picture, const PlateBox &plate)
{
    pixmap = QPixmap::fromImage(picture);
    centre = QPointF(pixmap.width() / 2.0, pixmap.height() / 2.0);
    dragging = false;
    box = plate;
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

// The box frames the plate rectangle of the picture as it is drawn, at
// every zoom and drag: the line lies just outside the plate, so that none
// of the plate's own pixels is hidden under it.
void ShowImage::drawPlateBox(QPainter &painter, const QRectF &picture) const
{
    const double k = viewScale();
    const double x = picture.x() + box.left * k;
    const double y = picture.y() + box.top * k;
    const double w = box.width * k;
    const double h = box.height * k;
    // a header's wrapped rectangle (right of its left edge) is no plate
    if (w <= 0 || h <= 0 || !onCanvas(x) || !onCanvas(y) || !onCanvas(x + w) || !onCanvas(y + h))
        return;

    const QPen pen(QBrush(Qt::green), PlateLineWidth, Qt::DashDotLine, Qt::RoundCap,
                   Qt::BevelJoin);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    const double out = PlateLineWidth / 2 + 1; // a pixel to spare for the rounding
    painter.drawRect(QRectF(x, y, w, h).adjusted(-out, -out, out, out));
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
