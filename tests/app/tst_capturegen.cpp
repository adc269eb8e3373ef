#include "capture.h"
#include "capturegen.h"

#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

// The generated pictures are what the tests, the benchmark and the demo
// stand on: they must decode, carry a header that the program reads back as
// the painted plate, and come out the same for the same arguments.
class TestCaptureGen : public QObject
{
    Q_OBJECT

private slots:
    void picturesCarryTheirPlate_data()
    {
        QTest::addColumn<quint32>("seed");
        QTest::addColumn<int>("index");
        QTest::addColumn<QSize>("size");
        QTest::newRow("demo size") << 1u << 1 << QSize(1920, 1080);
        QTest::newRow("camera size") << 2u << 17 << QSize(2592, 1944);
        QTest::newRow("small, padded over the threshold") << 3u << 5 << QSize(200, 150);
        QTest::newRow("portrait") << 4u << 9 << QSize(600, 800);
    }

    void picturesCarryTheirPlate()
    {
        QFETCH(quint32, seed);
        QFETCH(int, index);
        QFETCH(QSize, size);

        const CaptureGen::Scene scene = CaptureGen::sceneFor(seed, index, size);
        QVERIFY(scene.hasVehicle); // the rows are pictures of vehicles
        const QByteArray bytes = CaptureGen::render(scene);
        QVERIFY(bytes.size() > MinPictureBytes);
        QCOMPARE(bytes.left(4), QByteArray("\xff\xd8\xff\xe7"));

        QImage picture;
        QVERIFY(picture.loadFromData(bytes, "JPEG"));
        QCOMPARE(picture.size(), size);
        QVERIFY(QRect(QPoint(), size).contains(scene.plate));

        PictureRecord r;
        QVERIFY(parseCaptureHeader(bytes.left(CaptureHeader::Size), r));
        QCOMPARE(QRect(QPoint(int(r.plateLeft), int(r.plateTop)),
                       QPoint(int(r.plateRight) - 1, int(r.plateBottom) - 1)),
                 scene.plate);
        QCOMPARE(r.plateText, scene.headerPlate);
        QVERIFY(QRegularExpression(QStringLiteral("^[京津沪渝冀豫云辽黑湘皖鲁新苏浙赣鄂桂甘晋蒙陕吉闽贵粤青藏川宁琼]"
                                                  "[A-HJ-NP-Z][0-9A-HJ-NP-Z]{5}$"))
                    .match(r.plateText)
                    .hasMatch());

        QCOMPARE(CaptureGen::render(CaptureGen::sceneFor(seed, index, size)),
                 CaptureGen::render(CaptureGen::sceneFor(seed, index, size)));
        QVERIFY(CaptureGen::render(CaptureGen::sceneFor(seed, index, size))
                != CaptureGen::render(CaptureGen::sceneFor(seed + 1, index, size)));
    }

    void exactSizes()
    {
        const CaptureGen::Scene scene = CaptureGen::sceneFor(1, 1, QSize(320, 240));
        for (qint64 exact : {51200, 51201, 51204}) {
            const QByteArray bytes = CaptureGen::render(scene, 0, exact);
            QCOMPARE(bytes.size(), exact);
            QVERIFY(!QImage::fromData(bytes).isNull());
        }
        QVERIFY(CaptureGen::render(scene, 0, 1000).isEmpty()); // cannot shrink
    }

    void seriesOnDisk()
    {
        QTemporaryDir dir;
        QCOMPARE(CaptureGen::writeSeries(dir.path(), 7, 1, 60, QSize(160, 120)), 60);
        const QVector<PictureRecord> records =
            readPictureFolder(QString(dir.path()).replace('/', '\\'));
        QCOMPARE(records.size(), 61); // name order is capture order
        int empty = 0, wrong = 0;
        for (int i = 1; i <= 60; ++i) {
            const CaptureGen::Scene scene = CaptureGen::sceneFor(7, i, QSize(160, 120));
            QCOMPARE(fileNameOf(records[i].filePath), scene.fileName);
            empty += !scene.hasVehicle;
            wrong += scene.hasVehicle && scene.headerPlate != scene.paintedPlate;
            QCOMPARE(records[i].plateText, scene.hasVehicle ? scene.headerPlate : QString());
        }
        // mostly right, a few wrong, the odd empty road
        QVERIFY2(wrong >= 1 && wrong <= 15 && empty <= 8,
                 qPrintable(QStringLiteral("%1 wrong, %2 empty").arg(wrong).arg(empty)));
    }
};

QTEST_MAIN(TestCaptureGen)
#include "tst_capturegen.moc"
