#include "fake_tormo.h"
#include "mainwindow.h"
#include "fixtures.h"

#include <QTemporaryDir>

// A review closed and opened again through the window (what the model
// resumes from the disk: tst_review; the real program killed: tst_resume_x11).
class TestResume : public QObject
{
    Q_OBJECT

    FreshFolder workFolder; // "image" below it

    static QByteArray contents(const QString &path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    // What the window shows of the review: position, name, mark and counts.
    static QString review(QWidget &w) { return shown(w) + '|' + tallies(w); }

private slots:
    void init()
    {
        FakeTormo::reset();
        QVERIFY(workFolder.renew());
    }

    // Closed and opened again with 是: marks, counts (the plate-invalid one
    // too), the verdict's name, the undo history, the first picture not filed.
    void yesResumesTheReview()
    {
        const QString folder = threePictures("three");
        QString rates;
        {
            MainWindow w;
            QFile("road.ts").open(QIODevice::WriteOnly);
            answerFileDialog(QFileInfo("road.ts").absoluteFilePath());
            click(w, "btn_OpenVideo");
            QCOMPARE(openFolder(w, folder), QStringList()); // never reviewed: no question
            for (const char *button : {"btn_Right", "btn_SeepSaveAs", "btn_PlateInvain", "btn_Result"})
                click(w, button);
            rates = child<QTableWidget>(w, "tb_Rate")->item(0, 0)->text();
        }
        MainWindow w;
        w.show();
        QCOMPARE(openFolder(w, folder, "是"), QStringList{"提示|继续上次的审核？"});
        QCOMPARE(review(w), QStringLiteral("3  /  3|c.jpg||3,1,1,0,0,0"));
        // shown with the counts, which add up to 过车总数 with it
        QCOMPARE(child<QLabel>(w, "la_PlateInvalidCount")->text(), QStringLiteral("捕获但车牌无效 1"));
        click(w, "btn_Result");
        QCOMPARE(child<QTableWidget>(w, "tb_Rate")->item(0, 0)->text(), rates);
        click(w, "btn_LastImg");
        QCOMPARE(child<QLabel>(w, "la_ImgFlag")->toolTip(), QStringLiteral("捕获但车牌无效"));
        QApplication::setActiveWindow(&w);
        QTest::keyClick(&w, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(review(w), QStringLiteral("2  /  3|b.jpg||2,1,1,0,0,0"));
        QCOMPARE(child<QLabel>(w, "la_PlateInvalidCount")->text(), QStringLiteral("捕获但车牌无效 0"));
    }

    // 否: a fresh review that files every picture again, the earlier one
    // archived whole; a later 是 resumes the new review alone.
    void noStartsAfresh()
    {
        const QString folder = threePictures("three");
        {
            MainWindow w;
            openFolder(w, folder);
            click(w, "btn_Right");
        }
        const QDir journals("image/审核记录");
        const QString name = journals.entryList({"*.txt"}, QDir::Files).value(0);
        const QByteArray old = contents(journals.filePath(name));
        {
            MainWindow w;
            QCOMPARE(openFolder(w, folder, "否"), QStringList{"提示|继续上次的审核？"});
            QCOMPARE(review(w), QStringLiteral("1  /  3|A.JPG||0,0,0,0,0,0"));
            QCOMPARE(click(w, "btn_Error"), QStringList());
        }
        const QStringList archives = journals.entryList(QDir::Dirs | QDir::NoDotAndDotDot);
        QCOMPARE(archives.size(), 1);
        const QDir archive(journals.filePath(archives[0]));
        QCOMPARE(contents(archive.filePath(name)), old);
        QCOMPARE(contents(archive.filePath("识别正确/A.JPG")), contents("three/A.JPG"));
        MainWindow w;
        QCOMPARE(openFolder(w, folder, "是"), QStringList{"提示|继续上次的审核？"});
        QCOMPARE(review(w), QStringLiteral("2  /  3|b.jpg||1,0,0,1,0,0"));
    }

    // A folder under review in one window is not opened in another, which
    // keeps its own review; once the first has moved on, it can be.
    void aFolderUnderReviewOpensInOneWindow()
    {
        const QString folder = threePictures("three");
        MainWindow first, second;
        openFolder(first, folder);
        openFolder(second, threePictures("other"));
        click(second, "btn_Right");
        QCOMPARE(openFolder(second, folder), QStringList{"提示|该文件夹正在另一个窗口中审核"});
        QCOMPARE(review(second), QStringLiteral("2  /  3|b.jpg||1,0,1,0,0,0"));
        openFolder(first, threePictures("third"));
        QCOMPARE(openFolder(second, folder), QStringList());
        QCOMPARE(review(second), QStringLiteral("1  /  3|A.JPG||0,0,0,0,0,0"));
    }

    // Cameras name by time and sequence: two folders' pictures share names.
    void twoFoldersWithTheSameNamesBothFile()
    {
        const QString one = threePictures("one");
        const QString two = folderOf("two", {{"A.JPG", capture(11)}, {"b.jpg", capture(12)}, {"c.jpg", capture(13)}});
        MainWindow w;
        openFolder(w, one);
        click(w, "btn_Right");
        QCOMPARE(openFolder(w, two), QStringList());
        QCOMPARE(click(w, "btn_Right"), QStringList());
        QCOMPARE(contents("image/识别正确/A.JPG"), contents("one/A.JPG"));
        QCOMPARE(contents("image/识别正确/A_2.JPG"), contents("two/A.JPG"));
        for (const QString &folder : {one, two}) {
            QCOMPARE(openFolder(w, folder, "是"), QStringList{"提示|继续上次的审核？"});
            QCOMPARE(review(w), QStringLiteral("2  /  3|b.jpg||1,0,1,0,0,0"));
        }
    }
};

QTEST_MAIN(TestResume)
#include "tst_resume.moc"
