#include "showimage.h"

#include <QMouseEvent>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace {

// Where a dragged picture lands on one axis while the button is held.
// t is the wanted position, size the picture's extent, view the view's.
// "Inside": a picture smaller than the view stays wholly inside it.
int insideRule(int t, double size, double view)
{
    if (t <= 0)
        return 0;
    if (t + size < view)
        return t;
    return int(view - size);
}

// "Cover": a picture larger than the view never shows a gap at either edge.
int coverRule(int t, double size, double view)
{
    if (t >= 0)
        return 0;
    if (t + size >= view)
        return t;
    return int(view - size);
}

// Where a drag is committed on one axis at release. For a picture smaller
// than the view this differs from insideRule: pushed past the far edge it
// snaps back to 0, at or past the near edge it goes to the far edge.
int committedOffset(int offset, double size, double view)
{
    if (offset >= 0 && offset + size >= view)
        return 0;
    if (offset > 0 && offset + size < view)
        return offset;
    if (offset <= 0 && offset + size > view)
        return offset;
    return int(view - size);
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

// A new picture starts fitted, with its plate outlined.
void ShowImage::startPicture(quint32 left, quint32 top, quint32 width, quint32 height)
{
    offsetX = 0;
    offsetY = 0;
    drawMode = Fitted;
    boxShift = 0;
    boxLeft = left;
    boxTop = top;
    boxWidth = width;
    boxHeight = height;
    update();
}

void ShowImage::arise_scale(int value)
{
    scaleX = scaleY = value / 100.0;
    boxShift = HiddenBoxShift;
    drawMode = Zoomed;
    update();
}

void ShowImage::mousePressEvent(QMouseEvent *event)
{
    pressPos = event->pos();
}

void ShowImage::mouseMoveEvent(QMouseEvent *event)
{
    movePos = event->pos();
    drawMode = Dragged;
    update();
}

void ShowImage::mouseReleaseEvent(QMouseEvent *event)
{
    const QPoint p = event->pos();
    offsetX += p.x() - pressPos.x();
    offsetY += p.y() - pressPos.y();
    drawMode = Dragged;
    // The drop is now in the offsets: a repaint before the next move (a
    // resize, say) must not apply the drag's distance a second time.
    pressPos = movePos;

    if (!(fitRatio > 0) || !std::isfinite(fitRatio))
        return; // nothing was painted yet, or no picture
    offsetX = committedOffset(offsetX, pixWidth / fitRatio * scaleX, viewWidth);
    offsetY = committedOffset(offsetY, pixHeight / fitRatio * scaleY, viewHeight);
}

bool ShowImage::hasPicture() const
{
    return !pixmap.isNull() && fitRatio > 0 && std::isfinite(fitRatio);
}

void ShowImage::zoomAboutCentre(QPainter &painter) const
{
    painter.translate(viewWidth * 0.5, viewHeight * 0.5);
    painter.scale(scaleX, scaleY);
    painter.translate(-viewWidth * 0.5, -viewHeight * 0.5);
}

QRect ShowImage::fittedRect() const
{
    const double w = pixWidth / fitRatio;
    const double h = pixHeight / fitRatio;
    return QRect(int(viewWidth * 0.5 - w * 0.5), int(viewHeight * 0.5 - h * 0.5),
                 int(w), int(h));
}

QRect ShowImage::draggedRect() const
{
    const double w = pixWidth / fitRatio * scaleX;
    const double h = pixHeight / fitRatio * scaleY;
    const int tx = offsetX + movePos.x() - pressPos.x();
    const int ty = offsetY + movePos.y() - pressPos.y();
    // One rule for both axes: a picture smaller than the view in either
    // direction is kept inside on both.
    int x, y;
    if (viewWidth > w || viewHeight > h) {
        x = insideRule(tx, w, viewWidth);
        y = insideRule(ty, h, viewHeight);
    } else {
        x = coverRule(tx, w, viewWidth);
        y = coverRule(ty, h, viewHeight);
    }
    return QRect(x, y, int(w), int(h));
}

void ShowImage::drawPlateBox(QPainter &painter) const
{
    const double r = fitRatio;
    const double x = (viewWidth * 0.5 - pixWidth / r * 0.5) + boxLeft / r
                     + double(boxShift) - double(boxHeight);
    // Unsigned on purpose: the box is raised by a quarter of the plate's
    // width, and a plate at the very top wraps out of sight.
    const quint32 top = boxTop - boxWidth / 4;
    const double y = (viewHeight * 0.5 - pixHeight / r * 0.5) + top / r;
    if (!onCanvas(x) || !onCanvas(y) || !onCanvas(boxWidth) || !onCanvas(boxHeight))
        return;

    painter.setPen(QPen(QBrush(Qt::green), 5.0, Qt::DashDotLine, Qt::RoundCap,
                        Qt::BevelJoin));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(QRect(int(x), int(y), int(boxWidth), int(boxHeight)));
}

void ShowImage::paintEvent(QPaintEvent *)
{
    pixWidth = pixmap.width();
    pixHeight = pixmap.height();
    viewWidth = width();
    viewHeight = height();
    fitRatio = std::max(pixWidth / viewWidth, pixHeight / viewHeight);

    QPainter painter(this);
    if (!hasPicture())
        return; // the background only

    painter.save();
    switch (drawMode) {
    case Fitted:
        zoomAboutCentre(painter);
        drawRect = fittedRect();
        offsetX = drawRect.x();
        offsetY = drawRect.y();
        break;
    case Zoomed:
        zoomAboutCentre(painter); // the last rectangle, scaled about the centre
        break;
    case Dragged:
        boxShift = HiddenBoxShift;
        drawRect = draggedRect();
        break;
    }
    painter.drawPixmap(QRectF(drawRect), pixmap, QRectF(pixmap.rect()));
    painter.restore();

    drawPlateBox(painter);
}
