#include "dialogs.h"
#include "mainwindow.h"
#include "widgets.h"

#include <QDirIterator>
#include <QImage>
#include <QLabel>
#include <QSlider>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTimeEdit>
#include <QtTest>

#include <clocale>

// A real recording on the real engine, through the window: it plays, pauses,
// seeks, and a missed vehicle leaves a picture on disk.
class TestVideoEndToEnd : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir dir;
    QString startDir;

    static int position(MainWindow &w) { return child<QSlider>(w, "sl_PlayTime")->value(); }

    static void click(MainWindow &w, const char *button)
    {
        QTest::mouseClick(child(w, button), Qt::LeftButton);
    }

private slots:
    void initTestCase()
    {
        startDir = QDir::currentPath();
        QVERIFY(QDir::setCurrent(dir.path()));
        std::setlocale(LC_NUMERIC, "C");
    }

    void cleanupTestCase() { QDir::setCurrent(startDir); }

    void playPauseSeekAndSnapshot()
    {
        // "한" lies outside GBK: the name reaches the engine intact anyway
        const QString recording = dir.filePath(QStringLiteral("路口录像한.ts"));
        QVERIFY(QFile::copy(QStringLiteral(TEST_RECORDING), recording));

        MainWindow w;
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        answerFileDialog(recording);
        click(w, "btn_OpenVideo");
        QCOMPARE(child<QLabel>(w, "la_PlayerTime")->text(), QStringLiteral("/0:0:30"));

        // playing: the slider and the time label follow
        QTRY_VERIFY_WITH_TIMEOUT(position(w) >= 2, 10000);
        QCOMPARE(child<QLabel>(w, "la_CurTime")->text(), QStringLiteral("0:0:%1").arg(position(w)));

        // paused: they stand still
        click(w, "btn_PlayPause");
        const int paused = position(w);
        QTest::qWait(1500);
        QCOMPARE(position(w), paused);

        // the time editor seeks; Play goes on from there
        child<QTimeEdit>(w, "ed_SetPlayTime")->setTime(QTime(0, 0, 20));
        click(w, "btn_Play");
        QTRY_VERIFY_WITH_TIMEOUT(position(w) >= 20, 10000);

        // (the snapshot button comes with a picture folder; none is needed here)
        child(w, "btn_SeepSaveAs")->setEnabled(true);
        click(w, "btn_SeepSaveAs");
        auto *tallies = child<QTableWidget>(w, "tb_Result");
        QCOMPARE(tallies->item(0, 0)->text(), QStringLiteral("1"));
        QCOMPARE(tallies->item(1, 0)->text(), QStringLiteral("1"));
        QDirIterator shots(QStringLiteral("image/漏拍"), {QStringLiteral("*.jpg")}, QDir::Files);
        QVERIFY(shots.hasNext());
        const QImage shot(shots.next());
        QCOMPARE(shot.size(), QSize(704, 576));
        QVERIFY2(QRegularExpression(QStringLiteral(R"(^\d+_0_0_2\d\.jpg$)"))
                     .match(shots.fileName()).hasMatch(),
                 qPrintable(shots.fileName()));
        QVERIFY(!shots.hasNext());
    }
};

QTEST_MAIN(TestVideoEndToEnd)
#include "tst_video_e2e.moc"
