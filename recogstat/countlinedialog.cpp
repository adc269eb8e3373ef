#include "countlinedialog.h"

#include <QDialogButtonBox>
#include <QFile>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

// The picture is shown at most this wide (it keeps its shape).
constexpr int CanvasWidth = 640;
constexpr int EndRadius = 6;
const QColor LineColour(255, 60, 0);

QImage stillOf(const QString &recording)
{
    const auto still = scan::stillPicture(QFile::encodeName(recording).toStdString(), 0);
    if (!still)
        return {};
    QImage image(still->width, still->height, QImage::Format_Grayscale8);
    for (int y = 0; y < still->height; ++y)
        memcpy(image.scanLine(y), &still->grey[size_t(y) * still->width], size_t(still->width));
    return image;
}

} // namespace

LineCanvas::LineCanvas(const QImage &image, const scan::Line &line, QWidget *parent)
    : QWidget(parent)
    , current(line)
{
    const QSize size = image.isNull() ? QSize(CanvasWidth, CanvasWidth * 9 / 16)
                                      : image.size().scaled(CanvasWidth, CanvasWidth, Qt::KeepAspectRatio);
    picture = image.isNull() ? image : image.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    setFixedSize(size);
    setCursor(Qt::CrossCursor);
}

void LineCanvas::setLine(const scan::Line &line)
{
    current = line;
    update();
}

QPointF LineCanvas::toWidget(const scan::Point &p) const
{
    return {p.x * width(), p.y * height()};
}

scan::Point LineCanvas::toLine(const QPointF &p) const
{
    return {qBound(0.0, p.x() / width(), 1.0), qBound(0.0, p.y() / height(), 1.0)};
}

void LineCanvas::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    if (picture.isNull())
        painter.fillRect(rect(), Qt::darkGray);
    else
        painter.drawImage(0, 0, picture);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(LineColour, 2));
    painter.drawLine(toWidget(current.a), toWidget(current.b));
    painter.setBrush(LineColour);
    for (const scan::Point &end : {current.a, current.b})
        painter.drawEllipse(toWidget(end), EndRadius, EndRadius);
}

void LineCanvas::mousePressEvent(QMouseEvent *event)
{
    const QPointF at = event->localPos();
    const QPointF a = toWidget(current.a), b = toWidget(current.b);
    dragged = QLineF(at, a).length() <= QLineF(at, b).length() ? &current.a : &current.b;
    *dragged = toLine(at);
    update();
}

void LineCanvas::mouseMoveEvent(QMouseEvent *event)
{
    if (!dragged)
        return;
    *dragged = toLine(event->localPos());
    update();
}

void LineCanvas::mouseReleaseEvent(QMouseEvent *)
{
    // Two ends in one place make no line: the drag is taken back.
    if (current.a == current.b)
        current.b = {current.a.x < 0.5 ? 1.0 : 0.0, current.a.y};
    dragged = nullptr;
    update();
}

CountLineDialog::CountLineDialog(const QString &recording, const scan::Line &line, QWidget *parent)
    : QDialog(parent)
{
    setWindowTitle(tr("设置计数线"));
    const QImage picture = stillOf(recording);
    canvas = new LineCanvas(picture, line, this);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(picture.isNull() ? tr("录像无法显示；拖动计数线的两端")
                                                  : tr("拖动计数线的两端；车辆越过此线即计为一辆")));
    layout->addWidget(canvas);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel
                                         | QDialogButtonBox::RestoreDefaults);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(buttons->button(QDialogButtonBox::RestoreDefaults), &QPushButton::clicked, this,
            [this] { canvas->setLine(scan::Line{}); });
}

scan::Line CountLineDialog::line() const
{
    return canvas->line();
}
