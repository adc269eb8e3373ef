#include "showimage.h"

#include <QPainter>
#include <QtTest>

// Drives the view as the reviewer does (mouse and zoom) and reads back what
// is on screen. Pictures are flat colours (or two flat halves), so where a
// part of a picture was drawn is the bounding box of its colour in a grab.
class TestShowImage : public QObject
{
    Q_OBJECT

private:
    static constexpr QRgb PictureColour = 0xffc83232;
    static constexpr QRgb OtherColour = 0xff3232c8;
    // A flat picture, or one whose right half has another colour.
    static QImage makePicture(int w, int h, bool twoHalves = false)
    {
        QImage image(w, h, QImage::Format_RGB32);
        image.fill(PictureColour);
        if (twoHalves) {
            QPainter painter(&image);
            painter.fillRect(w / 2, 0, w - w / 2, h, QColor(OtherColour));
        }
        return image;
    }

    static int countAndBound(ShowImage &view, QRgb colour, QRect *bounds)
    {
        const QImage shot = view.grab().toImage().convertToFormat(QImage::Format_RGB32);
        int n = 0;
        for (int y = 0; y < shot.height(); ++y)
            for (int x = 0; x < shot.width(); ++x)
                if (shot.pixel(x, y) == colour) {
                    ++n;
                    if (bounds)
                        *bounds |= QRect(x, y, 1, 1);
                }
        return n;
    }

    // Where the picture's (left half's) colour shows.
    static QRect pictureOnScreen(ShowImage &view)
    {
        QRect found;
        countAndBound(view, PictureColour, &found);
        return found;
    }

    static int greenPixels(ShowImage &view)
    {
        return countAndBound(view, 0xff00ff00, nullptr);
    }

    static void moveHeld(ShowImage &view, QPoint to)
    {
        QMouseEvent move(QEvent::MouseMove, to, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(&view, &move);
    }

    static void drag(ShowImage &view, QPoint from, QPoint to)
    {
        QTest::mousePress(&view, Qt::LeftButton, Qt::NoModifier, from);
        moveHeld(view, to);
        QTest::mouseRelease(&view, Qt::LeftButton, Qt::NoModifier, to);
    }

private slots:
    void sizeHints()
    {
        ShowImage view;
        QCOMPARE(view.sizeHint(), QSize(1900, 1700));
        QCOMPARE(view.minimumSizeHint(), QSize(100, 100));
    }

    void fitsAndCentresThePicture()
    {
        ShowImage view;
        view.resize(800, 500);
        view.loadPicture(makePicture(1600, 1200), {600, 500, 160, 40});
        // r = 2.4: 666.67 x 500, centred at x = trunc(66.67)
        QCOMPARE(pictureOnScreen(view), QRect(66, 0, 666, 500));
        QVERIFY(greenPixels(view) > 0); // the plate box
    }

    void zoomsAboutTheCentre()
    {
        ShowImage view;
        view.resize(800, 500);
        view.loadPicture(makePicture(200, 250), {50, 100, 80, 20});
        QCOMPARE(pictureOnScreen(view), QRect(200, 0, 400, 500));
        QVERIFY(greenPixels(view) > 0);

        view.arise_scale(150); // 400 x 500 at (200, 0), scaled 1.5 about (400, 250)
        QCOMPARE(pictureOnScreen(view), QRect(100, 0, 600, 500));
        QVERIFY(greenPixels(view) > 0);

        // the next load, at 100 percent, fits again
        view.arise_scale(100);
        view.loadPicture(makePicture(200, 250), {50, 100, 80, 20});
        QCOMPARE(pictureOnScreen(view), QRect(200, 0, 400, 500));
    }

    void draggingACoveringPictureNeverShowsAGap()
    {
        ShowImage view;
        view.resize(800, 500);
        view.loadPicture(makePicture(1600, 1000, true), {0, 0, 0, 0});
        QCOMPARE(pictureOnScreen(view), QRect(0, 0, 400, 500));
        view.arise_scale(200); // 1600 x 1000 view pixels, centred: at (-400, -250)

        // with the mouse: 300 to the right, the left half up to 700
        drag(view, QPoint(400, 250), QPoint(700, 300));
        QCOMPARE(pictureOnScreen(view), QRect(0, 0, 700, 500));

        // far to the left: the right edge stops at the view's right edge
        drag(view, QPoint(700, 300), QPoint(-2000, 300));
        QCOMPARE(pictureOnScreen(view), QRect());

        // a short drag back is followed exactly: 100 columns of the left half
        drag(view, QPoint(400, 250), QPoint(500, 250));
        QCOMPARE(pictureOnScreen(view), QRect(0, 0, 100, 500));
    }

    void draggingASmallerPictureKeepsItInside()
    {
        ShowImage view;
        view.resize(800, 500);
        view.loadPicture(makePicture(400, 500), {0, 0, 0, 0});
        QCOMPARE(pictureOnScreen(view), QRect(200, 0, 400, 500));

        // while held: follows the mouse inside the view
        QTest::mousePress(&view, Qt::LeftButton, Qt::NoModifier, QPoint(300, 200));
        moveHeld(view, QPoint(350, 200));
        QCOMPARE(pictureOnScreen(view), QRect(250, 0, 400, 500));

        // pushed past the right edge: stops at the edge, and stays there
        moveHeld(view, QPoint(900, 200));
        QCOMPARE(pictureOnScreen(view), QRect(400, 0, 400, 500));
        QTest::mouseRelease(&view, Qt::LeftButton, Qt::NoModifier, QPoint(900, 200));
        QCOMPARE(pictureOnScreen(view), QRect(400, 0, 400, 500));

        drag(view, QPoint(300, 200), QPoint(100, 200));
        QCOMPARE(pictureOnScreen(view), QRect(200, 0, 400, 500));
    }

    void zoomedPictureMovesWithTheMouse()
    {
        // 1000 x 400 in 800 x 500: r = 1.25, fitted 800 x 320 at (0, 90);
        // at 150 percent 1200 x 480 at (-200, 10): wider than the view, not taller
        ShowImage view;
        view.resize(800, 500);
        view.loadPicture(makePicture(1000, 400, true), {0, 0, 0, 0});
        QCOMPARE(pictureOnScreen(view), QRect(0, 90, 400, 320));
        view.arise_scale(150);
        QCOMPARE(pictureOnScreen(view), QRect(0, 10, 400, 480));

        QTest::mousePress(&view, Qt::LeftButton, Qt::NoModifier, QPoint(400, 250));
        moveHeld(view, QPoint(450, 250)); // the left half's 600 columns from -150
        QCOMPARE(pictureOnScreen(view), QRect(0, 10, 450, 480));
        moveHeld(view, QPoint(350, 250));
        QCOMPARE(pictureOnScreen(view), QRect(0, 10, 350, 480));
        moveHeld(view, QPoint(350, 400)); // down: inside, so at most to the bottom
        QCOMPARE(pictureOnScreen(view), QRect(0, 20, 350, 480));
        QTest::mouseRelease(&view, Qt::LeftButton, Qt::NoModifier, QPoint(350, 400));
        QCOMPARE(pictureOnScreen(view), QRect(0, 20, 350, 480));
    }

    void plateBoxFramesThePlate_data()
    {
        QTest::addColumn<QSize>("size");
        QTest::addColumn<QRect>("plate"); // as the header gives it, picture pixels
        QTest::addColumn<bool>("zoomFirst"); // as a step back keeps the zoom
        QTest::addColumn<int>("zoom");
        QTest::addColumn<QPoint>("drag");
        const QSize hd(1920, 1080), big(2592, 1944);
        QTest::newRow("1920x1080 fitted") << hd << QRect(900, 600, 160, 40) << false << 100 << QPoint();
        QTest::newRow("2592x1944 fitted") << big << QRect(1200, 1300, 220, 60) << false << 100 << QPoint();
        QTest::newRow("2592x1944 at 187 %") << big << QRect(1200, 1000, 220, 60) << false << 187 << QPoint();
        QTest::newRow("a step back at 187 %") << hd << QRect(900, 500, 160, 40) << true << 187 << QPoint();
        QTest::newRow("145 %, dragged left") << big << QRect(1200, 1000, 220, 60) << false << 145 << QPoint(-50, 0);
        QTest::newRow("120 %, dragged right and down") << hd << QRect(900, 500, 160, 40) << false << 120 << QPoint(40, 15);
    }

    // The plate is painted in its own colour: the box lies around it, its
    // 5-pixel line just outside, at every zoom and drag.
    void plateBoxFramesThePlate()
    {
        QFETCH(QSize, size);
        QFETCH(QRect, plate);
        QFETCH(bool, zoomFirst);
        QFETCH(int, zoom);
        QFETCH(QPoint, drag);
        QImage picture = makePicture(size.width(), size.height());
        QPainter(&picture).fillRect(plate, QColor(OtherColour));

        ShowImage view;
        view.resize(800, 500);
        if (zoomFirst)
            view.arise_scale(zoom);
        view.loadPicture(picture, {quint32(plate.x()), quint32(plate.y()), quint32(plate.width()),
                                   quint32(plate.height())});
        view.arise_scale(zoom);
        QRect mark;
        countAndBound(view, OtherColour, &mark);
        if (!drag.isNull()) {
            this->drag(view, QPoint(400, 250), QPoint(400, 250) + drag);
            const QPoint before = mark.center();
            mark = QRect();
            countAndBound(view, OtherColour, &mark);
            QCOMPARE(mark.center() - before, drag); // with the mouse
        }
        // the plate as drawn: the fitted scale times the zoom
        const double k = qMin(800.0 / size.width(), 500.0 / size.height()) * zoom / 100;
        QVERIFY2(qAbs(mark.width() - plate.width() * k) <= 1.5
                     && qAbs(mark.height() - plate.height() * k) <= 1.5,
                 qPrintable(QString("%1x%2").arg(mark.width()).arg(mark.height())));
        QCOMPARE(countAndBound(view, OtherColour, nullptr), mark.width() * mark.height());

        QRect box;
        countAndBound(view, 0xff00ff00, &box);
        const QMargins off(mark.left() - box.left(), mark.top() - box.top(),
                           box.right() - mark.right(), box.bottom() - mark.bottom());
        for (int side : {off.left(), off.top(), off.right(), off.bottom()})
            QVERIFY2(side >= 5 && side <= 8, qPrintable(QString("%1 %2 %3 %4").arg(off.left())
                     .arg(off.top()).arg(off.right()).arg(off.bottom())));
    }

    void nullPictureDrawsOnlyTheBackground()
    {
        ShowImage view;
        view.resize(300, 200);
        view.loadPicture(QImage(), {10, 10, 40, 20});
        QCOMPARE(pictureOnScreen(view), QRect());
        QCOMPARE(greenPixels(view), 0);
        view.arise_scale(200);
        drag(view, QPoint(10, 10), QPoint(50, 50));
        const QImage shot = view.grab().toImage();
        QCOMPARE(shot.pixelColor(150, 100), view.palette().color(QPalette::WindowText));
    }

    void wrappedPlateRectangleIsNotDrawn()
    {
        // a header whose right edge lies left of its left edge: the width wraps
        ShowImage view;
        view.resize(800, 500);
        view.loadPicture(makePicture(100, 100), {50, 10, quint32(-40), 20});
        QCOMPARE(pictureOnScreen(view), QRect(150, 0, 500, 500));
        QCOMPARE(greenPixels(view), 0);
    }
};

QTEST_MAIN(TestShowImage)
#include "tst_showimage.moc"
