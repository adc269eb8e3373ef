#include "capturegen.h"
#include "dialogs.h"
#include "fake_tormo.h"
#include "mainwindow.h"
#include "widgets.h"

#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QtTest>

// A review closed and opened again, through the window: what it resumes as,
// what 否 keeps, and folders whose pictures share their names.
class TestResume : public QObject
{
    Q_OBJECT

    QString startDir = QDir::currentPath();
    QScopedPointer<QTemporaryDir> work; // the current folder, "image" below it

    static QString shown(MainWindow &w)
    {
        QStringList texts;
        for (const char *label : {"la_ImgNum", "la_FileName", "la_ImgFlag"})
            texts << child<QLabel>(w, label)->text();
        return texts.join('|');
    }
    static QString tallies(MainWindow &w)
    {
        QStringList counts;
        for (int row = 0; row < 6; ++row)
            counts << child<QTableWidget>(w, "tb_Result")->item(row, 0)->text();
        return counts.join(',');
    }
    static QString rates(MainWindow &w)
    {
        click(w, "btn_Result");
        QStringList texts;
        for (int row = 0; row < 4; ++row)
            texts << child<QTableWidget>(w, "tb_Rate")->item(row, 0)->text();
        return texts.join(',');
    }

    // A.JPG, b.jpg and c.jpg; `seed` tells one folder's pictures from another's.
    static QString threePictures(const QString &name, int seed = 0)
    {
        QDir().mkpath(name);
        int i = seed;
        for (const char *file : {"A.JPG", "b.jpg", "c.jpg"}) {
            QFile f(name + '/' + file);
            const QByteArray bytes =
                CaptureGen::render(CaptureGen::sceneFor(3, ++i, QSize(400, 300)), 51201, 0);
            if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
                qFatal("cannot write %s", file);
        }
        return QDir::current().absoluteFilePath(name);
    }

    // Every message box said while it lives, as "title|text"; the question
    // whether to resume is answered with `answer`.
    struct Boxes
    {
        QStringList said;
        QTimer timer;
        explicit Boxes(const QString &answer = QString())
        {
            timer.setInterval(5);
            QObject::connect(&timer, &QTimer::timeout, [this, answer] {
                auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
                if (!box || !box->isVisible())
                    return;
                said << box->windowTitle() + '|' + box->text();
                for (QAbstractButton *button : box->buttons())
                    if (button->text() == answer)
                        return button->click();
                box->done(0);
            });
            timer.start();
        }
    };

    static QStringList click(MainWindow &w, const char *button, const QString &answer = QString())
    {
        Boxes boxes(answer);
        QTest::mouseClick(child(w, button), Qt::LeftButton);
        return boxes.said;
    }
    static QStringList open(MainWindow &w, const QString &folder, const QString &answer = QString())
    {
        answerFileDialog(folder);
        return click(w, "btn_OpenImg", answer);
    }
    static QStringList undo(MainWindow &w)
    {
        Boxes boxes;
        QApplication::setActiveWindow(&w);
        QTest::keyClick(w.focusWidget() ? w.focusWidget() : &w, Qt::Key_Z, Qt::ControlModifier);
        return boxes.said;
    }
    static QStringList journals()
    {
        return QDir("image/审核记录").entryList(QDir::Files, QDir::Name);
    }
    static QByteArray contents(const QString &path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

private slots:
    void init()
    {
        FakeTormo::reset();
        work.reset(new QTemporaryDir);
        QVERIFY(QDir::setCurrent(work->path()));
    }
    void cleanupTestCase() { QDir::setCurrent(startDir); }

    void resumingShowsWhatTheDiskHolds_data()
    {
        QTest::addColumn<QString>("deleted"); // a copy deleted by hand meanwhile
        QTest::addColumn<QString>("planted"); // a copy of A put into a verdict folder by hand
        QTest::addColumn<QStringList>("said");
        QTest::addColumn<QString>("review"); // shown, tallies
        QTest::addColumn<QString>("undone"); // the same after Ctrl+Z
        QTest::newRow("as left") << QString() << QString() << QStringList{"提示|继续上次的审核？"}
                                 << "3  /  3|c.jpg| 3,1,1,0,0,0" << "2  /  3|b.jpg| 2,1,1,0,0,0";
        QTest::newRow("a copy deleted by hand")
            << "image/捕获但车牌无效/b.jpg" << QString() << QStringList{"提示|继续上次的审核？"}
            << "2  /  3|b.jpg| 2,1,1,0,0,0" << "1  /  3|A.JPG| 1,1,0,0,0,0";
        QTest::newRow("a copy without a line")
            << QString() << "image/非机动车/A.JPG"
            << QStringList{"提示|继续上次的审核？", "提示|1 张已归档图片不在记录中"}
            << "3  /  3|c.jpg| 3,1,1,0,0,0" << "2  /  3|b.jpg| 2,1,1,0,0,0";
    }

    void resumingShowsWhatTheDiskHolds()
    {
        QFETCH(QString, deleted);
        QFETCH(QString, planted);
        QFETCH(QStringList, said);
        QFETCH(QString, review);
        QFETCH(QString, undone);
        const QString folder = threePictures("three");
        QString before;
        {
            MainWindow w;
            QFile("road.ts").open(QIODevice::WriteOnly);
            answerFileDialog(QFileInfo("road.ts").absoluteFilePath());
            click(w, "btn_OpenVideo");
            QCOMPARE(open(w, folder), QStringList()); // never reviewed: no question
            click(w, "btn_Right");
            click(w, "btn_SeepSaveAs");
            click(w, "btn_PlateInvain");
            before = rates(w);
        }
        if (!deleted.isEmpty())
            QVERIFY(QFile::remove(deleted));
        if (!planted.isEmpty()) {
            QDir().mkpath(QFileInfo(planted).path());
            QVERIFY(QFile::copy("three/A.JPG", planted));
        }

        MainWindow w;
        w.show();
        QCOMPARE(open(w, folder, "是"), said);
        QCOMPARE(shown(w) + ' ' + tallies(w), review);
        if (deleted.isEmpty())
            QCOMPARE(rates(w), before); // the plate-invalid count with them
        // the picture before is filed, its verdict named
        click(w, "btn_LastImg");
        auto *mark = child<QLabel>(w, "la_ImgFlag");
        QCOMPARE(mark->text() + mark->toolTip(), QStringLiteral("已处理！")
                                                     + (deleted.isEmpty() ? "捕获但车牌无效" : "识别正确"));
        QCOMPARE(undo(w), QStringList());
        QCOMPARE(shown(w) + ' ' + tallies(w), undone);
        QCOMPARE(mark->toolTip(), QString());
    }

    // 否: the review of the spec's fresh start, the earlier journal kept
    // whole; a later 是 resumes the new review only.
    void noStartsAfreshAndKeepsTheOldJournal()
    {
        const QString folder = threePictures("three");
        {
            MainWindow w;
            open(w, folder);
            click(w, "btn_Right");
        }
        QCOMPARE(journals().size(), 1);
        const QByteArray old = contents("image/审核记录/" + journals()[0]);
        {
            MainWindow w;
            QCOMPARE(open(w, folder, "否"), QStringList{"提示|继续上次的审核？"});
            QCOMPARE(shown(w) + ' ' + tallies(w), QStringLiteral("1  /  3|A.JPG| 0,0,0,0,0,0"));
            QCOMPARE(journals().size(), 1);
            QCOMPARE(contents("image/审核记录/" + journals()[0]), old);
            QCOMPARE(click(w, "btn_Right"), QStringList{"提示|文件已存在"}); // filed by the old review
            click(w, "btn_Error");
            QCOMPARE(journals().size(), 2);
        }
        MainWindow w;
        QCOMPARE(open(w, folder, "是"),
                 (QStringList{"提示|继续上次的审核？", "提示|1 张已归档图片不在记录中"}));
        QCOMPARE(shown(w) + ' ' + tallies(w), QStringLiteral("1  /  3|A.JPG| 1,0,0,1,0,0"));
    }

    // Cameras name by time and sequence: two folders' pictures share names.
    void twoFoldersWithTheSameNamesBothFile()
    {
        const QString one = threePictures("one");
        const QString two = threePictures("two", 10);
        MainWindow w;
        open(w, one);
        QCOMPARE(click(w, "btn_Right"), QStringList());
        QCOMPARE(open(w, two), QStringList());
        QCOMPARE(click(w, "btn_Right"), QStringList());
        QCOMPARE(tallies(w), QStringLiteral("1,0,1,0,0,0"));
        QCOMPARE(contents("image/识别正确/A.JPG"), contents("one/A.JPG"));
        QCOMPARE(contents("image/识别正确/A_2.JPG"), contents("two/A.JPG"));
        for (const QString &folder : {one, two}) {
            QCOMPARE(open(w, folder, "是"), QStringList{"提示|继续上次的审核？"});
            QCOMPARE(shown(w) + ' ' + tallies(w), QStringLiteral("2  /  3|b.jpg| 1,0,1,0,0,0"));
        }
    }
};

QTEST_MAIN(TestResume)
#include "tst_resume.moc"
