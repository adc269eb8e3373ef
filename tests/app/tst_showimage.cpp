#include "showimage.h"

#include <QPainter>
#include <QTemporaryDir>
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
    QTemporaryDir dir;

    // A flat picture, or one whose right half has another colour.
    QString makePicture(int w, int h, bool twoHalves = false)
    {
        const QString path = dir.filePath(
            QStringLiteral("pic_%1x%2_%3.png").arg(w).arg(h).arg(twoHalves));
        QImage image(w, h, QImage::Format_RGB32);
        image.fill(PictureColour);
        if (twoHalves) {
            QPainter painter(&image);
            painter.fillRect(w / 2, 0, w - w / 2, h, QColor(OtherColour));
        }
        image.save(path);
        return path;
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
        view.loadPicture(makePicture(1600, 1200), 600, 500, 160, 40);
        // r = 2.4: 666.67 x 500, centred at x = trunc(66.67)
        QCOMPARE(pictureOnScreen(view), QRect(66, 0, 666, 500));
        QVERIFY(greenPixels(view) > 0); // the plate box
    }

    void zoomsAboutTheCentre()
    {
        ShowImage view;
        view.resize(800, 500);
        view.loadPicture(makePicture(200, 250), 50, 100, 80, 20);
        QCOMPARE(pictureOnScreen(view), QRect(200, 0, 400, 500));
        QVERIFY(greenPixels(view) > 0);

        view.arise_scale(150); // 400 x 500 at (200, 0), scaled 1.5 about (400, 250)
        QCOMPARE(pictureOnScreen(view), QRect(100, 0, 600, 500));
        QVERIFY(greenPixels(view) > 0);

        // the next load, at 100 percent, fits again
        view.arise_scale(100);
        view.loadPicture(makePicture(200, 250), 50, 100, 80, 20);
        QCOMPARE(pictureOnScreen(view), QRect(200, 0, 400, 500));
    }

    void draggingACoveringPictureNeverShowsAGap()
    {
        ShowImage view;
        view.resize(800, 500);
        view.loadPicture(makePicture(1600, 1000, true), 0, 0, 0, 0);
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
        view.loadPicture(makePicture(400, 500), 0, 0, 0, 0);
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
        view.loadPicture(makePicture(1000, 400, true), 0, 0, 0, 0);
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

    void plateBoxStaysOnItsSpotOfThePicture_data()
    {
        QTest::addColumn<bool>("zoomFirst"); // as a step back keeps the zoom
        QTest::addColumn<int>("zoom");
        QTest::addColumn<QPoint>("drag");
        QTest::newRow("a step back at 187 %") << true << 187 << QPoint();
        QTest::newRow("145 %, dragged left") << false << 145 << QPoint(-50, 0);
        QTest::newRow("120 %, dragged right and down") << false << 120 << QPoint(40, 30);
    }

    // The box of plate (400, 250, 80, 20) in an 800 x 500 picture shown 1:1
    // lies at (380, 230), 80 x 20: around a mark painted at its centre.
    void plateBoxStaysOnItsSpotOfThePicture()
    {
        QFETCH(bool, zoomFirst);
        QFETCH(int, zoom);
        QFETCH(QPoint, drag);
        QImage picture(800, 500, QImage::Format_RGB32);
        picture.fill(PictureColour);
        QPainter(&picture).fillRect(410, 235, 20, 10, QColor(OtherColour));
        const QString path = dir.filePath(QStringLiteral("mark.png"));
        picture.save(path);

        ShowImage view;
        view.resize(800, 500);
        if (zoomFirst)
            view.arise_scale(zoom);
        view.loadPicture(path, 400, 250, 80, 20);
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
        QRect box;
        countAndBound(view, 0xff00ff00, &box);
        const QPoint off = box.center() - mark.center();
        QVERIFY2(qAbs(off.x()) <= 2 && qAbs(off.y()) <= 2, qPrintable(QString("%1 %2").arg(off.x()).arg(off.y())));
        QVERIFY(qAbs(box.width() - (80 * zoom / 100 + 5)) <= 3);
    }

    void nullPictureDrawsOnlyTheBackground()
    {
        ShowImage view;
        view.resize(300, 200);
        view.loadPicture(dir.filePath(QStringLiteral("missing.jpg")), 10, 10, 40, 20);
        QCOMPARE(pictureOnScreen(view), QRect());
        QCOMPARE(greenPixels(view), 0);
        view.arise_scale(200);
        drag(view, QPoint(10, 10), QPoint(50, 50));
        const QImage shot = view.grab().toImage();
        QCOMPARE(shot.pixelColor(150, 100), view.palette().color(QPalette::WindowText));
    }

    void plateBoxAboveThePictureIsNotDrawn()
    {
        // a top above a quarter of the plate's width wraps far out of sight
        ShowImage view;
        view.resize(800, 500);
        view.loadPicture(makePicture(100, 100), 10, 10, 80, 40);
        QCOMPARE(pictureOnScreen(view), QRect(150, 0, 500, 500));
        QCOMPARE(greenPixels(view), 0);
    }
};

QTEST_MAIN(TestShowImage)
#include "tst_showimage.moc"
