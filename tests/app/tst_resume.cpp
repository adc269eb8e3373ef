#include "fake_tormo.h"
#include "journal.h"
#include "mainwindow.h"
#include "review.h"

#include <QTemporaryDir>

// A review recorded, then damaged or changed on disk, and resumed: the
// journal on its own, then through the window (closed and opened again;
// tst_resume_x11 kills the real program).
class TestResume : public QObject
{
    Q_OBJECT

    FreshFolder workFolder; // "image" below it

    static QByteArray contents(const QString &path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    static void write(const QString &path, const QByteArray &bytes)
    {
        QDir().mkpath(QFileInfo(path).path());
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
            qFatal("cannot write %s", qPrintable(path));
    }
    static QString slashed(QString path) { return path.replace('\\', '/'); }

    // What the window shows of the review: position, name, mark and counts.
    static QString review(QWidget &w) { return shown(w) + '|' + tallies(w); }

private slots:
    void init()
    {
        FakeTormo::reset();
        QVERIFY(workFolder.renew());
    }

    void theDiskBearsOutTheJournal_data()
    {
        QTest::addColumn<QStringList>("steps"); // after: file A.JPG 识别正确, snap 7_0_1_5, file b.jpg 多拍空拍
        QTest::addColumn<QStringList>("filings");
        QTest::addColumn<int>("snapshots");
        QTest::addColumn<int>("unrecorded");
        const QString a = "A.JPG>image\\识别正确\\A.JPG", b = "b.jpg>image\\多拍空拍\\b.jpg";
        QTest::newRow("as recorded") << QStringList() << QStringList{a, b} << 1 << 0;
        // c's copy stands, no longer on record
        QTest::newRow("last line cut in half") << QStringList{"file c.jpg 非机动车", "cut"}
                                               << QStringList{a, b} << 1 << 1;
        QTest::newRow("a line after a cut one") << QStringList{"snap 9_0_0_1", "cut", "snap 8_0_0_2"}
                                                << QStringList{a, b} << 2 << 0;
        QTest::newRow("a line damaged") << QStringList{"flip"} << QStringList{a, b} << 0 << 0;
        QTest::newRow("undone, filed again") << QStringList{"undo 识别正确/A.JPG", "file A.JPG 识别错误"}
                                             << QStringList{b, "A.JPG>image\\识别错误\\A.JPG"} << 1 << 0;
        QTest::newRow("a copy deleted by hand") << QStringList{"delete 多拍空拍/b.jpg"}
                                                << QStringList{a} << 1 << 0;
        QTest::newRow("a copy changed by hand") << QStringList{"plant 识别正确/A.JPG"}
                                                << QStringList{b} << 1 << 0;
        QTest::newRow("a snapshot deleted by hand") << QStringList{"delete 漏拍/7_0_1_5.jpg"}
                                                    << QStringList{a, b} << 0 << 0;
        QTest::newRow("copies without a line")
            << QStringList{"plant 非机动车/A.JPG A.JPG", "plant 识别错误/c_2.jpg c.jpg", "plant 识别错误/c.jpg",
                           "plant 识别错误/x.jpg A.JPG"}
            << QStringList{a, b} << 1 << 2;
    }

    // Each step as the window takes it, or a hand on the disk.
    void theDiskBearsOutTheJournal()
    {
        QFETCH(QStringList, steps);
        QFETCH(QStringList, filings);
        QFETCH(int, snapshots);
        QFETCH(int, unrecorded);
        threePictures("pics");
        ReviewJournal journal("pics");
        const QString file = slashed(journal.path());
        for (const QString &step : QStringList{"file A.JPG 识别正确", "snap 7_0_1_5", "file b.jpg 多拍空拍"} + steps) {
            const QStringList w = step.split(' ');
            QByteArray bytes = contents(file);
            const int lastLine = bytes.lastIndexOf('\n', bytes.size() - 2) + 1;
            if (w[0] == "file") {
                QDir().mkpath("image/" + w[2]);
                const QString target = copyTarget("pics\\" + w[1], "image\\" + w[2] + '\\');
                QVERIFY(journal.recordFiling({w[1], target}));
                QVERIFY(QFile::copy("pics/" + w[1], slashed(target)));
            } else if (w[0] == "undo") {
                QVERIFY(QFile::remove("image/" + w[1]));
                QVERIFY(journal.recordUndo("image\\" + QString(w[1]).replace('/', '\\')));
            } else if (w[0] == "snap") { // as the engine writes it
                write("image/漏拍/" + w[1] + ".jpg", "jpeg");
                QVERIFY(journal.recordSnapshot("image\\漏拍\\" + w[1]));
            } else if (w[0] == "cut") {
                write(file, bytes.left(lastLine + (bytes.size() - lastLine) / 2));
            } else if (w[0] == "flip") { // a byte of the snapshot's line
                bytes[lastLine - 20] = char(bytes[lastLine - 20] ^ 1);
                write(file, bytes);
            } else if (w[0] == "delete") {
                QVERIFY(QFile::remove("image/" + w[1]));
            } else if (w[0] == "plant") {
                write("image/" + w[1], w.size() > 2 ? contents("pics/" + w[2]) : QByteArray("other"));
            }
        }

        // found again from another spelling of the same folder
        const ResumedReview resumed = holdAgainstDisk(
            ReviewJournal(QDir::current().absoluteFilePath("pics/../pics")).read(),
            {"pics\\A.JPG", "pics\\b.jpg", "pics\\c.jpg"},
            {"image\\识别正确\\", "image\\识别错误\\", "image\\多拍空拍\\", "image\\非机动车\\"});
        QStringList kept;
        for (const JournalFiling &f : resumed.review.filings)
            kept << f.picture + '>' + f.copy;
        QCOMPARE(kept, filings);
        QCOMPARE(resumed.review.snapshots.size(), snapshots);
        QCOMPARE(resumed.unrecorded, unrecorded);
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
        click(w, "btn_Result");
        QCOMPARE(child<QTableWidget>(w, "tb_Rate")->item(0, 0)->text(), rates);
        click(w, "btn_LastImg");
        QCOMPARE(child<QLabel>(w, "la_ImgFlag")->toolTip(), QStringLiteral("捕获但车牌无效"));
        QApplication::setActiveWindow(&w);
        QTest::keyClick(&w, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(review(w), QStringLiteral("2  /  3|b.jpg||2,1,1,0,0,0"));
    }

    // 否: a fresh review, the earlier journal kept whole; a later 是
    // resumes the new review and reports the old review's copy.
    void noStartsAfreshAndKeepsTheOldJournal()
    {
        const QString folder = threePictures("three");
        {
            MainWindow w;
            openFolder(w, folder);
            click(w, "btn_Right");
        }
        const QDir journals("image/审核记录");
        const QByteArray old = contents(journals.filePath(journals.entryList(QDir::Files).value(0)));
        {
            MainWindow w;
            QCOMPARE(openFolder(w, folder, "否"), QStringList{"提示|继续上次的审核？"});
            QCOMPARE(review(w), QStringLiteral("1  /  3|A.JPG||0,0,0,0,0,0"));
            QCOMPARE(click(w, "btn_Right"), QStringList{"提示|文件已存在"}); // filed by the old review
            click(w, "btn_Error");
        }
        const QStringList kept = journals.entryList(QDir::Files);
        QCOMPARE(kept.size(), 2);
        QVERIFY(contents(journals.filePath(kept[0])) == old || contents(journals.filePath(kept[1])) == old);
        MainWindow w;
        QCOMPARE(openFolder(w, folder, "是"), (QStringList{"提示|继续上次的审核？", "提示|1 张已归档图片不在记录中"}));
        QCOMPARE(review(w), QStringLiteral("1  /  3|A.JPG||1,0,0,1,0,0"));
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
