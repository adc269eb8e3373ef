#ifndef SHOWIMAGE_H
#define SHOWIMAGE_H

#include <QPixmap>
#include <QPoint>
#include <QRect>
#include <QWidget>

// The capture-picture view: fits the whole picture into the view, zooms it
// about the view's centre, lets the reviewer drag it without losing it from
// sight, and outlines the plate from each load until the first zoom or drag.
class ShowImage : public QWidget
{
    Q_OBJECT

public:
    explicit ShowImage(QWidget *parent = nullptr);
    ~ShowImage() override;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

    // Shows the picture at `path` fitted into the view, with the plate
    // rectangle (picture pixels) outlined.
    void loadPicture(const QString &path, quint32 left, quint32 top,
                     quint32 width, quint32 height);
    // The same with a picture already decoded (a null one shows nothing).
    void loadPicture(const QImage &picture, quint32 left, quint32 top,
                     quint32 width, quint32 height);

signals:
    void get2end(bool);
    void get2beg(bool);
    void turn2default(int);

public slots:
    // Zoom in percent (100 is the fitted size).
    void arise_scale(int value);

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    enum DrawMode { Fitted = 0, Dragged = 1, Zoomed = 2 };

    // Added to the plate box's x once the picture was zoomed or dragged: the
    // box no longer matches the picture, so it is moved out of sight.
    static constexpr quint32 HiddenBoxShift = 1000;

    void startPicture(quint32 left, quint32 top, quint32 width, quint32 height);
    bool hasPicture() const;
    void zoomAboutCentre(QPainter &painter) const;
    QRect fittedRect() const;
    QRect draggedRect() const;
    void drawPlateBox(QPainter &painter) const;

    QPixmap pixmap;
    double scaleX = 1.0;
    double scaleY = 1.0;
    int offsetX = 0;
    int offsetY = 0;
    int drawMode = Fitted;
    quint32 boxShift = 0;
    quint32 boxLeft = 0;
    quint32 boxTop = 0;
    quint32 boxWidth = 0;
    quint32 boxHeight = 0;
    QPoint pressPos;
    QPoint movePos;
    QRect drawRect;
    // Sizes of the last paint, which the release handler works with.
    double pixWidth = 0;
    double pixHeight = 0;
    double viewWidth = 0;
    double viewHeight = 0;
    double fitRatio = 0;
};

#endif // SHOWIMAGE_H
