#include "mainwindow.h"
#include "fixtures.h"
#include "showimage.h"

#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QtTest>

// The picture review clicked as the reviewer does, on generated capture
// pictures: what the window shows and what lands on disk.
using Files = QMap<QString, QByteArray>;

class TestPictures : public QObject
{
    Q_OBJECT

private:
    FreshFolder workFolder; // "image" below it

    static QString text(MainWindow &w, const char *label) { return child<QLabel>(w, label)->text(); }

    static int greenPixels(QWidget *view)
    {
        const QImage shot = view->grab().toImage().convertToFormat(QImage::Format_RGB32);
        const auto *pixels = reinterpret_cast<const QRgb *>(shot.constBits());
        return int(std::count(pixels, pixels + shot.width() * shot.height(), 0xff00ff00u));
    }

private slots:
    void init()
    {
        QVERIFY(workFolder.renew());
    }

    void openingShowsTheFirstPictureAndStartsANewCount()
    {
        const QString folder = folderOf(
            "mixed", {{"A.JPG", capture(1)}, {"b.jpg", capture(2, {20, 30, 100, 30}, "沪B0C1D2")},
                      {"c.txt", capture(3)}, {"d.jpg", capture(4, {}, "x", 51200)},
                      {"e.jpg", capture(5, {}, "y", 51201)}});
        MainWindow w;
        w.resize(1400, 1000);
        w.show();
        child<QTableWidget>(w, "tb_Result")->item(2, 0)->setText("7");
        child<QTableWidget>(w, "tb_Rate")->item(1, 0)->setText("50.00%");

        QCOMPARE(openFolder(w, folder), QStringList());
        QCOMPARE(shown(w), QStringLiteral("1  /  3|A.JPG|"));
        QCOMPARE(text(w, "la_ShowCarImg"), QStringLiteral("京A12345"));
        QCOMPARE(tallies(w), QStringLiteral("0,0,0,0,0,0"));
        QCOMPARE(child<QTableWidget>(w, "tb_Rate")->item(1, 0)->text(), QStringLiteral("0"));
        for (const char *name : {"btn_Result", "btn_LastImg", "btn_NextImg", "btn_Right",
                                 "btn_Error", "btn_More", "btn_FeiJiDong", "btn_PlateInvain",
                                 "btn_OutPut", "btn_SeepSaveAs"})
            QVERIFY2(child(w, name)->isEnabled(), name);

        // the crop is that part of the very picture; the view outlines the plate
        const QImage crop = child<QLabel>(w, "la_CarImg")->pixmap(Qt::ReturnByValue).toImage();
        QCOMPARE(crop, QImage(folder + "/A.JPG").copy(100, 40, 223, 56).convertToFormat(crop.format()));
        QVERIFY(greenPixels(w.findChild<ShowImage *>()) > 0);

        QCOMPARE(click(w, "btn_NextImg"), QStringList());
        QCOMPARE(shown(w), QStringLiteral("2  /  3|b.jpg|"));
        QCOMPARE(text(w, "la_ShowCarImg"), QStringLiteral("沪B0C1D2"));
        QCOMPARE(child<QLabel>(w, "la_CarImg")->pixmap(Qt::ReturnByValue).size(), QSize(110, 48));
        click(w, "btn_NextImg");
        QCOMPARE(shown(w), QStringLiteral("3  /  3|e.jpg|")); // 51200 bytes is too small
    }

    void navigationStopsAtBothEnds()
    {
        MainWindow w;
        openFolder(w, threePictures());
        QCOMPARE(click(w, "btn_LastImg"), QStringList{"提示|当前是第一张"});
        QCOMPARE(shown(w), QStringLiteral("1  /  3|A.JPG|"));
        QCOMPARE(click(w, "btn_NextImg", 2), QStringList());
        QCOMPARE(shown(w), QStringLiteral("3  /  3|c.jpg|"));
        QCOMPARE(click(w, "btn_NextImg"), QStringList{"提示|当前已经是最后一张了"});
        QCOMPARE(shown(w), QStringLiteral("3  /  3|c.jpg|"));
        click(w, "btn_LastImg");
        QCOMPARE(shown(w), QStringLiteral("2  /  3|b.jpg|"));
    }

    void onlyAStepForwardResetsTheZoom_data()
    {
        QTest::addColumn<int>("steps"); // Next presses before zooming
        QTest::addColumn<QByteArray>("button");
        QTest::addColumn<int>("zoom");
        QTest::newRow("next") << 0 << QByteArray("btn_NextImg") << 100;
        QTest::newRow("previous") << 1 << QByteArray("btn_LastImg") << 180;
        QTest::newRow("next on the last") << 2 << QByteArray("btn_NextImg") << 180;
        QTest::newRow("previous on the first") << 0 << QByteArray("btn_LastImg") << 180;
        QTest::newRow("a verdict steps forward") << 0 << QByteArray("btn_More") << 100;
    }

    void onlyAStepForwardResetsTheZoom()
    {
        QFETCH(int, steps);
        QFETCH(QByteArray, button);
        QFETCH(int, zoom);
        MainWindow w;
        openFolder(w, threePictures());
        click(w, "btn_NextImg", steps);
        child<QSpinBox>(w, "sb_ImgSize")->setValue(180);
        click(w, button.constData());
        QCOMPARE(child<QSpinBox>(w, "sb_ImgSize")->value(), zoom);
    }

    void eachVerdictFilesACopyAndCountsIt_data()
    {
        QTest::addColumn<QByteArray>("button");
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("counts");
        QTest::newRow("识别正确") << QByteArray("btn_Right") << "image/识别正确"
                              << "1,0,1,0,0,0";
        QTest::newRow("识别错误") << QByteArray("btn_Error") << "image/识别错误"
                              << "1,0,0,1,0,0";
        QTest::newRow("多拍/空拍") << QByteArray("btn_More") << "image/多拍空拍"
                               << "0,0,0,0,1,0";
        QTest::newRow("捕获但车牌无效") << QByteArray("btn_PlateInvain") << "image/捕获但车牌无效"
                                 << "1,0,0,0,0,0";
        QTest::newRow("非机动车") << QByteArray("btn_FeiJiDong") << "image/非机动车"
                              << "0,0,0,0,0,1";
    }

    void eachVerdictFilesACopyAndCountsIt()
    {
        QFETCH(QByteArray, button);
        QFETCH(QString, folder);
        QFETCH(QString, counts);
        MainWindow w;
        const QString pictures = threePictures();
        openFolder(w, pictures);

        QCOMPARE(click(w, button.constData()), QStringList());
        QCOMPARE(tallies(w), counts);
        QCOMPARE(shown(w), QStringLiteral("2  /  3|b.jpg|"));
        QFile copy(folder + "/A.JPG");
        QVERIFY(copy.open(QIODevice::ReadOnly));
        QCOMPARE(copy.readAll(), capture(1));
        QCOMPARE(QDir(folder).entryList(QDir::Files), QStringList{"A.JPG"});
        click(w, "btn_LastImg");
        QCOMPARE(shown(w), QStringLiteral("1  /  3|A.JPG|已处理！"));

        // filed once: another verdict on it only steps on
        for (const char *again : {"btn_Error", "btn_Right"}) {
            QCOMPARE(click(w, again), QStringList());
            QCOMPARE(shown(w), QStringLiteral("2  /  3|b.jpg|"));
            QCOMPARE(tallies(w), counts);
            click(w, "btn_LastImg");
        }
        QCOMPARE(QDir("image").entryList(QDir::Files | QDir::NoDotAndDotDot), QStringList());
        QCOMPARE(QDir("image/识别错误").entryList(QDir::Files).size(),
                 folder == "image/识别错误" ? 1 : 0);
    }

    void aFolderWithoutPicturesKeepsTheReview_data()
    {
        QTest::addColumn<Files>("files");
        QTest::addColumn<bool>("cancel");
        QTest::newRow("cancelled dialog") << Files{} << true;
        QTest::newRow("empty folder") << Files{} << false;
        QTest::newRow("small or other files")
            << Files{{"a.jpg", capture(1, {}, "a", 51200)},
                                         {"b.png", capture(2)}, {"c.jpeg", capture(3)}}
            << false;
        QTest::newRow("a picture the program cannot reach")
            << Files{{"x\\y.jpg", capture(1)}} << false;
    }

    void aFolderWithoutPicturesKeepsTheReview()
    {
        QFETCH(Files, files);
        QFETCH(bool, cancel);
        const QString other = folderOf("other", files);

        // before any folder: nothing opens
        {
            MainWindow w;
            const QStringList said = openFolder(w, cancel ? QString() : other);
            QCOMPARE(said.size(), cancel ? 0 : 1);
            QVERIFY(!child(w, "btn_NextImg")->isEnabled());
        }

        MainWindow w;
        openFolder(w, threePictures());
        click(w, "btn_Right");
        const QString before = shown(w);
        const QString plate = text(w, "la_ShowCarImg");
        const QString counts = tallies(w);

        const QStringList said = openFolder(w, cancel ? QString() : other);
        QCOMPARE(said, cancel ? QStringList() : QStringList{"提示|所选文件夹中没有可用的抓拍图片"});
        QCOMPARE(shown(w), before);
        QCOMPARE(text(w, "la_ShowCarImg"), plate);
        QCOMPARE(tallies(w), counts);
        // still the same review, processed mark included
        click(w, "btn_LastImg");
        QCOMPARE(shown(w), QStringLiteral("1  /  3|A.JPG|已处理！"));
    }

    void aFolderHoldsAsManyPicturesAsItHas()
    {
        const QByteArray one = capture(1);
        Files files;
        for (int i = 1; i <= 1001; ++i)
            files.insert(QStringLiteral("p%1.jpg").arg(i, 4, 10, QLatin1Char('0')), one);
        MainWindow w;
        openFolder(w, folderOf("many", files));
        QCOMPARE(shown(w), QStringLiteral("1  /  1001|p0001.jpg|"));
        QCOMPARE(click(w, "btn_NextImg", 1000), QStringList());
        QCOMPARE(shown(w), QStringLiteral("1001  /  1001|p1001.jpg|"));
        // the last picture is filed and marked, and stays
        QCOMPARE(click(w, "btn_Right"), QStringList{"提示|当前已经是最后一张了"});
        QCOMPARE(shown(w), QStringLiteral("1001  /  1001|p1001.jpg|已处理！"));
        QVERIFY(QFile::exists("image/识别正确/p1001.jpg"));
        QCOMPARE(tallies(w), QStringLiteral("1,0,1,0,0,0"));
    }

    void aPictureThatDoesNotDecodeStillShowsItsTexts()
    {
        QByteArray broken = capture(1).left(4000); // header and the start of the picture
        broken.append(QByteArray(60000, '\x11'));
        MainWindow w;
        w.show();
        openFolder(w, folderOf("broken", {{"a.jpg", broken}}));
        QCOMPARE(shown(w), QStringLiteral("1  /  1|a.jpg|"));
        QCOMPARE(text(w, "la_ShowCarImg"), QStringLiteral("京A12345"));
        QVERIFY(child<QLabel>(w, "la_CarImg")->pixmap(Qt::ReturnByValue).isNull());
        QCOMPARE(greenPixels(w.findChild<ShowImage *>()), 0);
    }
};

QTEST_MAIN(TestPictures)
#include "tst_pictures.moc"
