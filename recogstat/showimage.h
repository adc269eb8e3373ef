#ifndef SHOWIMAGE_H
#define SHOWIMAGE_H

#include <QPixmap>
#include <QPoint>
#include <QRect>
#include <QWidget>

#include "capture.h" // PlateBox

// The zoom of the picture view in percent: 100 is the fitted size.
struct ZoomRange
{
    int fitted;
    int most;
};
constexpr ZoomRange Zoom{100, 250};

// The capture-picture view: fits the whole picture into the view, zooms it
// about the view's centre, lets the reviewer drag it without losing it from
// sight, and outlines the plate, on the same spot of the picture at every
// zoom and drag.
class ShowImage : public QWidget
{
    Q_OBJECT

public:
    explicit ShowImage(QWidget *parent = nullptr);
    ~ShowImage() override;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

    // Shows `picture` fitted into the view at the current zoom, centred,
    // with the plate rectangle `plate` (picture pixels) framed. A null
    // picture shows nothing.
    void loadPicture(const QImage &picture, const PlateBox &plate);

signals:
    void get2end(bool);
    void get2beg(bool);
    void turn2default(int);

public slots:
    // Zoom in percent (100 is the fitted size), about the view's centre.
    void arise_scale(int value);

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    bool hasPicture() const;
    // View pixels per picture pixel at the current zoom.
    double viewScale() const;
    // `c` moved as little as needed so that the picture stays in sight: an
    // axis on which it is larger than the view leaves no gap, one on which
    // it is smaller keeps it wholly inside.
    QPointF clamped(QPointF c) const;
    // Where the picture is drawn, view pixels, with `c` at the view's centre.
    QRectF pictureRect(QPointF c) const;
    void drawPlateBox(QPainter &painter, const QRectF &picture) const;

    QPixmap pixmap;
    double scaleX = 1.0;
    double scaleY = 1.0;
    // The point of the picture (picture pixels) at the view's centre: a
    // zoom keeps it there, a drag moves it with the mouse.
    QPointF centre;
    // The drag under way: where it started, on the view and on the picture.
    bool dragging = false;
    QPoint pressPos;
    QPointF pressCentre;
    PlateBox box;
};

#endif // SHOWIMAGE_H
