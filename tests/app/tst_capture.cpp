#include "capture.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtEndian>
#include <QtTest>

namespace {

// A header written byte by byte here, not by the generator.
QByteArray header(quint32 left, quint32 top, quint32 right, quint32 bottom,
                  const QByteArray &textBytes, int size = CaptureHeader::Size)
{
    QByteArray h(size, '\x55'); // no zero anywhere unless written
    auto put = [&](int at, quint32 v) {
        if (at + 4 <= size)
            qToLittleEndian(v, h.data() + at);
    };
    put(156, left);
    put(160, top);
    put(164, right);
    put(168, bottom);
    if (size > 420)
        h.replace(420, qMin(textBytes.size(), size - 420), textBytes.left(size - 420));
    return h;
}

// A file of `size` bytes that starts with a header naming its plate `text`.
bool writePicture(const QString &path, int size, const QByteArray &text)
{
    QByteArray bytes = header(1, 2, 3, 4, text + '\0');
    bytes.resize(size); // zeros past the header
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == size;
}

} // namespace

// The capture header, the folder listing and the crop arithmetic, without
// any widget.
class TestCapture : public QObject
{
    Q_OBJECT

private slots:
    void headerFields_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("read");
        QTest::addColumn<QList<quint32>>("edges"); // left, top, right, bottom
        QTest::addColumn<QString>("text");

        // 京A12345 in GBK (not through Qt's codec)
        const QByteArray jingA = QByteArray::fromHex("bea94131323334350000");
        QTest::newRow("plate and GBK text")
            << header(100, 50, 303, 87, jingA) << true << QList<quint32>{100, 50, 303, 87}
            << QStringLiteral("京A12345");
        QTest::newRow("little-endian, all 32 bits")
            << header(0x01020304, 0xfffffffe, 0x80000000, 7, QByteArray(1, '\0')) << true
            << QList<quint32>{0x01020304, 0xfffffffe, 0x80000000, 7} << QString();
        QTest::newRow("text ends at the first zero")
            << header(0, 0, 0, 0, QByteArray("AB\0CD", 5)) << true << QList<quint32>{0, 0, 0, 0}
            << QStringLiteral("AB");
        QTest::newRow("text without zero ends with the header")
            << header(0, 0, 0, 0, QByteArray(368, 'Z')) + "tail" << true << QList<quint32>{0, 0, 0, 0}
            << QString(368, QLatin1Char('Z'));
        QTest::newRow("one byte short") << header(1, 2, 3, 4, "X", 787) << false
                                        << QList<quint32>{9, 9, 9, 9} << QStringLiteral("old");
        QTest::newRow("empty") << QByteArray() << false << QList<quint32>{9, 9, 9, 9}
                               << QStringLiteral("old");
    }

    void headerFields()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, read);
        QFETCH(QList<quint32>, edges);
        QFETCH(QString, text);

        PictureRecord r;
        r.plateLeft = r.plateTop = r.plateRight = r.plateBottom = 9;
        r.plateText = QStringLiteral("old");
        QCOMPARE(parseCaptureHeader(bytes, r), read);
        QCOMPARE((QList<quint32>{r.plateLeft, r.plateTop, r.plateRight, r.plateBottom}), edges);
        QCOMPARE(r.plateText, text);
    }

    void folderListing_data()
    {
        QTest::addColumn<QStringList>("files"); // name:size
        QTest::addColumn<QStringList>("pictures");

        QTest::newRow("any case, by name ignoring case, only *.jpg")
            << QStringList{"b.jpg:60000", "c.txt:60000", "A.JPG:60000", "d.jpeg:60000",
                           "B2.Jpg:60000", "a1.jpg:60000"}
            << QStringList{"A.JPG", "a1.jpg", "b.jpg", "B2.Jpg"};
        QTest::newRow("only files over 51200 bytes, headers of their own")
            << QStringList{"a.jpg:51200", "b.jpg:51201", "c.jpg:100", "d.jpg:0", "e.jpg:60000"}
            << QStringList{"b.jpg", "e.jpg"};
        QTest::newRow("a name the program cannot reach is skipped")
            << QStringList{"x\\y.jpg:60000", "z.jpg:60000"} << QStringList{"z.jpg"};
        QTest::newRow("listing order, not capture order")
            << QStringList{"2.jpg:60000", "10.jpg:60000", "1.jpg:60000"}
            << QStringList{"1.jpg", "10.jpg", "2.jpg"};
        QTest::newRow("nothing usable") << QStringList{"a.jpg:51200", "b.png:60000"}
                                        << QStringList{};
    }

    void folderListing()
    {
        QFETCH(QStringList, files);
        QFETCH(QStringList, pictures);

        QTemporaryDir dir;
        QStringList jpgs;
        for (const QString &file : files) {
            const QString name = file.section(':', 0, 0);
            QVERIFY(writePicture(dir.filePath(name), file.section(':', 1).toInt(),
                                 name.toUtf8()));
            if (name.endsWith(".jpg", Qt::CaseInsensitive))
                jpgs << name;
        }
        QDir(dir.path()).mkdir("sub.jpg"); // a folder is no picture

        const QString folder = QString(dir.path()).replace('/', '\\');
        QStringList names{"stale"};
        const QVector<PictureRecord> records = readPictureFolder(folder, &names);
        QCOMPARE(records.size(), pictures.size() + 1);
        QCOMPARE(records[0].filePath, QString()); // slot 0 stays empty
        for (int i = 0; i < pictures.size(); ++i) {
            QCOMPARE(records[i + 1].filePath, folder + '\\' + pictures[i]);
            QCOMPARE(records[i + 1].plateText, pictures[i]); // header of that very file
            QCOMPARE(records[i + 1].processed, false);
        }
        // every listed name, small files too
        std::sort(jpgs.begin(), jpgs.end());
        std::sort(names.begin(), names.end());
        QCOMPARE(names, jpgs);
    }

    void fileName_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("name");
        QTest::newRow("backslashes") << "C:\\pics\\a.jpg" << "a.jpg";
        QTest::newRow("slashes are no separator") << "C:/pics/a.jpg" << "C:/pics/a.jpg";
        QTest::newRow("mixed") << "/tmp\\pics/x\\b c.jpg" << "b c.jpg";
        QTest::newRow("bare name") << "a.jpg" << "a.jpg";
        QTest::newRow("trailing backslash") << "C:\\pics\\" << "";
    }

    void fileName()
    {
        QFETCH(QString, path);
        QFETCH(QString, name);
        QCOMPARE(fileNameOf(path), name);
    }

    void crop_data()
    {
        QTest::addColumn<QList<quint32>>("plate"); // left, top, right, bottom
        QTest::addColumn<QList<qint64>>("crop");   // left, top, width, height
        QTest::addColumn<QList<quint32>>("box");   // handed to the view
        QTest::addColumn<QRect>("onPicture");      // on a 1920 x 1080 picture

        QTest::newRow("worked example: 203 x 1.1 = 223.3, 47 x 1.2 = 56.4")
            << QList<quint32>{100, 50, 303, 87} << QList<qint64>{100, 40, 223, 56}
            << QList<quint32>{100, 50, 203, 37} << QRect(100, 40, 223, 56);
        QTest::newRow("no plate: nothing to crop")
            << QList<quint32>{0, 0, 0, 0} << QList<qint64>{0, -10, 0, 12}
            << QList<quint32>{0, 0, 0, 0} << QRect();
        QTest::newRow("plate at the top: the crop starts above the picture")
            << QList<quint32>{10, 4, 110, 34} << QList<qint64>{10, -6, 110, 48}
            << QList<quint32>{10, 4, 100, 30} << QRect(10, 0, 110, 42);
        QTest::newRow("plate at the bottom right: the crop is clipped")
            << QList<quint32>{1900, 1040, 1960, 1075} << QList<qint64>{1900, 1030, 66, 54}
            << QList<quint32>{1900, 1040, 60, 35} << QRect(1900, 1030, 20, 50);
        QTest::newRow("right edge left of the left edge wraps far out")
            << QList<quint32>{300, 50, 100, 87} << QList<qint64>{300, 40, 4724463805, 56}
            << QList<quint32>{300, 50, 4294967096, 37} << QRect(300, 40, 1620, 56);
        QTest::newRow("bottom above the top wraps far out")
            << QList<quint32>{100, 50, 110, 40} << QList<qint64>{100, 40, 11, 0}
            << QList<quint32>{100, 50, 10, 4294967286} << QRect();
        QTest::newRow("edges beyond any picture")
            << QList<quint32>{0xffffff00, 0xffffff00, 0xffffffff, 0xffffffff}
            << QList<qint64>{-256, -266, 280, 318} << QList<quint32>{0xffffff00, 0xffffff00, 255, 255}
            << QRect(0, 0, 24, 52);
    }

    void crop()
    {
        QFETCH(QList<quint32>, plate);
        QFETCH(QList<qint64>, crop);
        QFETCH(QList<quint32>, box);
        QFETCH(QRect, onPicture);

        PictureRecord r;
        r.plateLeft = plate[0];
        r.plateTop = plate[1];
        r.plateRight = plate[2];
        r.plateBottom = plate[3];
        const PlateCrop c = plateCrop(r);
        QCOMPARE((QList<qint64>{c.left, c.top, c.width, c.height}), crop);
        const PlateBox b = plateBox(r);
        QCOMPARE((QList<quint32>{b.left, b.top, b.width, b.height}), box);
        QCOMPARE(cropOnPicture(c, QSize(1920, 1080)), onPicture);
    }
};

QTEST_GUILESS_MAIN(TestCapture)
#include "tst_capture.moc"
