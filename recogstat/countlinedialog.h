// "设置计数线": a still picture of the recording, on which the reviewer drags
// the counting line's two ends.
#ifndef COUNTLINEDIALOG_H
#define COUNTLINEDIALOG_H

#include "scanner.h"

#include <QDialog>
#include <QImage>

class LineCanvas;

class CountLineDialog : public QDialog
{
    Q_OBJECT

public:
    // `recording` in the system's form; `line` the one it is counted with now.
    CountLineDialog(const QString &recording, const scan::Line &line, QWidget *parent = nullptr);
    scan::Line line() const;

private:
    LineCanvas *canvas;
};

// The picture scaled to fit, the line over it; a press picks the nearer end,
// dragging moves it (kept inside the picture).
class LineCanvas : public QWidget
{
public:
    LineCanvas(const QImage &picture, const scan::Line &line, QWidget *parent = nullptr);
    scan::Line line() const { return current; }
    void setLine(const scan::Line &line);

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    QPointF toWidget(const scan::Point &p) const;
    scan::Point toLine(const QPointF &p) const;

    QImage picture;
    scan::Line current;
    scan::Point *dragged = nullptr;
};

#endif // COUNTLINEDIALOG_H
