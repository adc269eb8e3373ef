#include "fake_tormo.h"
#include "mainwindow.h"
#include "playback.h"
#include "fixtures.h"

#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QSlider>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTimeEdit>
#include <QtTest>

// The playback row and the missed-capture snapshot, clicked as the reviewer
// does, against the recording stand-in of the engine: what the engine is
// told, and what the window shows.
class TestVideo : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir dir;
    QString startDir;

    static QString text(MainWindow &w, const char *label)
    {
        return child<QLabel>(w, label)->text();
    }

    // Opens a recording through the dialog, then forgets the calls so far.
    QString open(MainWindow &w, const QString &name = QStringLiteral("road.ts"))
    {
        const QString path = dir.filePath(name);
        QFile file(path);
        if (!file.exists()) {
            file.open(QIODevice::WriteOnly);
            file.close();
        }
        answerFileDialog(path);
        click(w, "btn_OpenVideo");
        return path;
    }

    // The engine calls since the last forget, without the position polls.
    static QStringList calls()
    {
        QStringList found;
        for (const QString &call : FakeTormo::calls) {
            if (!call.startsWith(QLatin1String("GetPlayedTime")))
                found << call;
        }
        return found;
    }

    static void forget() { FakeTormo::calls.clear(); }

    static QStringList repeat(int times, const char *button)
    {
        QStringList list;
        for (int i = 0; i < times; ++i)
            list << QLatin1String(button);
        return list;
    }

private slots:
    void initTestCase()
    {
        startDir = QDir::currentPath();
        QVERIFY(QDir::setCurrent(dir.path()));
    }

    void cleanupTestCase() { QDir::setCurrent(startDir); }

    void init() { FakeTormo::reset(); }

    void openingPlaysFromTheStartAtNormalSpeed()
    {
        FakeTormo::fileTime = 3725;
        MainWindow w;
        w.show();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        forget();
        const QString path = open(w);

        QCOMPARE(calls(), QStringList({"OpenMediaFile(" + path + ")", "AttachPlayWnd(0,1)",
                                       "GetFileTime(0)", "StartPlay(0)"}));
        QCOMPARE(text(w, "la_PlayerTime"), QStringLiteral("/1:2:5"));
        QCOMPARE(text(w, "la_PlaySpeed"), QStringLiteral("*1"));
        QCOMPARE(child<QSlider>(w, "sl_PlayTime")->maximum(), 3725);
        for (const char *name :
             {"btn_Play", "btn_PlayPause", "btn_PlayBack", "btn_PlayStop", "btn_PlaySpeed"})
            QVERIFY2(child(w, name)->isEnabled(), name);
        QCOMPARE(QApplication::focusWidget(), child(w, "btn_PlayPause"));

        // the poll follows the engine's position
        FakeTormo::playedTime = 75;
        QTRY_COMPARE(text(w, "la_CurTime"), QStringLiteral("0:1:15"));
        QCOMPARE(child<QSlider>(w, "sl_PlayTime")->value(), 75);
    }

    void aSecondRecordingClosesTheFirstAndStartsWhereItWas()
    {
        MainWindow w;
        open(w, QStringLiteral("first.ts"));
        click(w, "btn_PlaySpeed");
        forget();

        // the dialog starts where the last answer was
        QString startedIn;
        const QString second = dir.filePath(QStringLiteral("second.ts"));
        QFile(second).open(QIODevice::WriteOnly);
        onNextModal([&](QWidget *modal) {
            auto *dialog = qobject_cast<QFileDialog *>(modal);
            startedIn = dialog->directory().absolutePath();
            dialog->selectFile(second);
            static_cast<QDialog *>(dialog)->accept();
        });
        click(w, "btn_OpenVideo");

        QCOMPARE(startedIn, QDir(dir.path()).absolutePath());
        QCOMPARE(calls().mid(0, 3), QStringList({"CloseMediaFile(0)",
                                                 "OpenMediaFile(" + second + ")",
                                                 "AttachPlayWnd(1,1)"}));
        QCOMPARE(text(w, "la_PlaySpeed"), QStringLiteral("*1"));
        QVERIFY(FakeTormo::callsOf("SpeedPlay").isEmpty());
    }

    void aCancelledDialogChangesNothing()
    {
        MainWindow w;
        w.show();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        answerFileDialog(QString());
        click(w, "btn_OpenVideo");
        QCOMPARE(calls(), QStringList({"Initialize()"}));
        QVERIFY(!child(w, "btn_Play")->isEnabled());

        open(w);
        click(w, "btn_PlayPause");
        forget();
        answerFileDialog(QString());
        click(w, "btn_OpenVideo");
        QCOMPARE(calls(), QStringList());
        QCOMPARE(w.focusWidget(), child(w, "btn_Play"));
    }

    void speedButtons_data()
    {
        QTest::addColumn<QStringList>("presses");
        QTest::addColumn<QStringList>("codes");
        QTest::addColumn<QStringList>("labels");
        const char *faster = "btn_PlaySpeed";
        const char *slower = "btn_PlayBack";
        QTest::newRow("faster from *1")
            << repeat(4, faster) << QStringList({"3", "4", "5"})
            << QStringList({"*2", "*4", "*8", "*8"});
        QTest::newRow("slower from *8")
            << repeat(3, faster) + repeat(4, slower)
            << QStringList({"3", "4", "5", "4", "3", "2"})
            << QStringList({"*2", "*4", "*8", "*4", "*2", "*1", "*1"});
        QTest::newRow("slower at *1") << repeat(2, slower) << QStringList()
                                      << QStringList({"*1", "*1"});
    }

    void speedButtons()
    {
        QFETCH(QStringList, presses);
        QFETCH(QStringList, codes);
        QFETCH(QStringList, labels);
        MainWindow w;
        open(w);
        QStringList shown;
        for (const QString &button : presses) {
            click(w, qPrintable(button));
            shown << text(w, "la_PlaySpeed");
        }
        QStringList sent;
        for (const QString &call : FakeTormo::callsOf(QStringLiteral("SpeedPlay")))
            sent << call.section(QLatin1Char(','), 1).chopped(1);
        QCOMPARE(sent, codes);
        QCOMPARE(shown, labels);
    }

    void stopIsAPauseAtTheStartAtNormalSpeed()
    {
        FakeTormo::fileTime = 600;
        MainWindow w;
        w.show();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        open(w);
        click(w, "btn_PlaySpeed");
        click(w, "btn_PlaySpeed");
        FakeTormo::playedTime = 200;
        QTRY_COMPARE(text(w, "la_CurTime"), QStringLiteral("0:3:20"));
        forget();

        click(w, "btn_PlayStop");
        QCOMPARE(calls(), QStringList({"PausePlay(0,1)", "SpeedPlay(0,2)", "SetPlayedTime(0,0)"}));
        QCOMPARE(text(w, "la_PlaySpeed"), QStringLiteral("*1"));
        QCOMPARE(text(w, "la_CurTime"), QStringLiteral("0:0:0"));
        QCOMPARE(child<QSlider>(w, "sl_PlayTime")->value(), 0);
        QCOMPARE(QApplication::focusWidget(), child(w, "btn_Play"));

        // stopped, nothing polls; Play resumes and polls again
        FakeTormo::calls.clear();
        QTest::qWait(50);
        QVERIFY(FakeTormo::callsOf(QStringLiteral("GetPlayedTime")).isEmpty());
        click(w, "btn_Play");
        QCOMPARE(calls(), QStringList({"PausePlay(0,0)"}));
        QCOMPARE(QApplication::focusWidget(), child(w, "btn_PlayPause"));
        QTRY_VERIFY(!FakeTormo::callsOf(QStringLiteral("GetPlayedTime")).isEmpty());

        click(w, "btn_PlayPause");
        QCOMPARE(calls().last(), QStringLiteral("PausePlay(0,1)"));
        QCOMPARE(QApplication::focusWidget(), child(w, "btn_Play"));
    }

    void timeEditor_data()
    {
        QTest::addColumn<bool>("withVideo");
        QTest::addColumn<QTime>("time");
        QTest::addColumn<QString>("call");
        QTest::addColumn<QString>("notice");
        const QString invalid = QStringLiteral("提示|请输入有效时间");
        QTest::newRow("the end") << true << QTime(0, 10, 0) << "SetPlayedTime(0,600)" << "";
        QTest::newRow("past the end") << true << QTime(0, 10, 1) << "" << invalid;
        QTest::newRow("an hour") << true << QTime(1, 0, 0) << "" << invalid;
        QTest::newRow("no video, 0:00:01") << false << QTime(0, 0, 1) << "" << invalid;
        // back to 0:00:00 after 0:00:01: the port is still -1
        QTest::newRow("no video, 0:00:00")
            << false << QTime(0, 0, 0) << "SetPlayedTime(-1,0)" << invalid;
    }

    void timeEditor()
    {
        QFETCH(bool, withVideo);
        QFETCH(QTime, time);
        QFETCH(QString, call);
        QFETCH(QString, notice);
        FakeTormo::fileTime = 600;
        MainWindow w;
        if (withVideo)
            open(w);
        auto *editor = child<QTimeEdit>(w, "ed_SetPlayTime");
        Notices notices;
        if (time == QTime(0, 0, 0))
            editor->setTime(QTime(0, 0, 1));
        forget();
        editor->setTime(time);
        QCOMPARE(FakeTormo::callsOf(QStringLiteral("SetPlayedTime")),
                 call.isEmpty() ? QStringList() : QStringList(call));
        QTRY_COMPARE(notices.said, notice.isEmpty() ? QStringList() : QStringList(notice));
    }

    void positionSliderSeeksWhereItIsLetGo_data()
    {
        QTest::addColumn<double>("from"); // along the groove, 0 to 1; < 0: on the handle
        QTest::addColumn<double>("to");
        QTest::newRow("the handle dragged") << -1.0 << 0.5;
        QTest::newRow("a click on the groove") << 0.75 << 0.75;
    }

    // 600 s long and playing at 0:1:40: the poll shows the engine's
    // position, but not while the handle is held.
    void positionSliderSeeksWhereItIsLetGo()
    {
        QFETCH(double, from);
        QFETCH(double, to);
        FakeTormo::fileTime = 600;
        FakeTormo::playedTime = 100;
        MainWindow w;
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        open(w);
        auto *slider = child<QSlider>(w, "sl_PlayTime");
        QTRY_COMPARE(slider->value(), 100);
        forget();
        const auto along = [slider](double f) {
            return QPoint(int(f * slider->width()), slider->height() / 2);
        };
        const QPoint handle = from < 0 ? QPoint(int(100.0 / 600 * slider->width()), slider->height() / 2)
                                       : along(from);
        QTest::mousePress(slider, Qt::LeftButton, Qt::NoModifier, handle);
        QMouseEvent move(QEvent::MouseMove, along(to), Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(slider, &move);
        QVERIFY(slider->isSliderDown());
        const int target = slider->value();
        QVERIFY2(qAbs(target - to * 600) < 40, qPrintable(QString::number(target)));
        QTest::qWait(50); // polls
        QCOMPARE(slider->value(), target);
        QCOMPARE(text(w, "la_CurTime"), clockText(target));
        QCOMPARE(FakeTormo::callsOf("SetPlayedTime"), QStringList());

        QTest::mouseRelease(slider, Qt::LeftButton, Qt::NoModifier, along(to));
        QCOMPARE(FakeTormo::callsOf("SetPlayedTime"),
                 QStringList{QString("SetPlayedTime(0,%1)").arg(target)});
    }

    // The engine pauses at the end and reports the length.
    void theEndPausesAndPlayStartsAgain()
    {
        FakeTormo::fileTime = 600;
        MainWindow w;
        w.show();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        open(w);
        forget();
        FakeTormo::playedTime = 600;
        QTRY_COMPARE(QApplication::focusWidget(), child(w, "btn_Play"));
        QCOMPARE(text(w, "la_CurTime"), QStringLiteral("0:10:0"));
        QCOMPARE(calls(), QStringList{"PausePlay(0,1)"});
        forget();
        QTest::qWait(30);
        QCOMPARE(FakeTormo::callsOf("GetPlayedTime"), QStringList()); // paused: no poll

        click(w, "btn_Play");
        QCOMPARE(calls(), (QStringList{"SetPlayedTime(0,0)", "PausePlay(0,0)"}));
        QCOMPARE(text(w, "la_CurTime"), QStringLiteral("0:0:0"));
        QCOMPARE(QApplication::focusWidget(), child(w, "btn_PlayPause"));
    }

    void missedVehicleIsSnapshotAndCounted_data()
    {
        QTest::addColumn<bool>("opens");
        QTest::addColumn<bool>("writes");
        QTest::addColumn<QStringList>("said");
        QTest::addColumn<QStringList>("counts");
        QTest::newRow("on disk") << true << true << QStringList() << QStringList{"1", "1"};
        QTest::newRow("nothing written")
            << true << false << QStringList{"提示|抓拍失败"} << QStringList{"0", "0"};
        QTest::newRow("the recording did not open")
            << false << true << QStringList{"提示|录像无法打开", "提示|请导入本地录像"}
            << QStringList{"0", "0"};
    }

    void missedVehicleIsSnapshotAndCounted()
    {
        QFETCH(bool, opens);
        QFETCH(bool, writes);
        QFETCH(QStringList, said);
        QFETCH(QStringList, counts);
        MainWindow w;
        child(w, "btn_SeepSaveAs")->setEnabled(true); // as a picture folder does
        QCOMPARE(click(w, "btn_SeepSaveAs"), QStringList{"提示|请导入本地录像"});
        QCOMPARE(tallies(w), QStringLiteral("0,0,0,0,0,0"));
        QVERIFY(FakeTormo::callsOf(QStringLiteral("Snapshot")).isEmpty());

        // a recording that does not open leaves the one before closed
        FakeTormo::fileTime = 3800; // 3725 is not the end: playback goes on
        open(w);
        FakeTormo::openFails = !opens;
        FakeTormo::snapshotFails = !writes;
        FakeTormo::playedTime = 3725;
        QFile(dir.filePath("other.ts")).open(QIODevice::WriteOnly);
        answerFileDialog(dir.filePath("other.ts"));
        QStringList notices = click(w, "btn_OpenVideo");
        forget();
        notices += click(w, "btn_SeepSaveAs");
        QCOMPARE(notices, said);
        QCOMPARE(tallies(w), counts.join(',') + ",0,0,0,0");
        QCOMPARE(QDir("image/漏拍").entryList(QDir::Files).size(), opens && writes ? 1 : 0);
        if (opens) {
            const QStringList snapshots = FakeTormo::callsOf(QStringLiteral("Snapshot"));
            const QRegularExpression name(QStringLiteral(R"(^Snapshot\(1,1,image\\漏拍\\(\d+)_1_2_5\)$)"));
            QVERIFY2(snapshots.size() == 1 && name.match(snapshots[0]).hasMatch(),
                     qPrintable(snapshots.join(' ')));
            QCOMPARE(calls(), snapshots); // playback goes on undisturbed
        } else {
            QCOMPARE(text(w, "la_CurTime") + text(w, "la_PlayerTime") + text(w, "la_PlaySpeed"),
                     QStringLiteral("0:0:0/0:0:0"));
            QCOMPARE(child<QSlider>(w, "sl_PlayTime")->value(), 0);
            for (const char *name :
                 {"btn_Play", "btn_PlayPause", "btn_PlayBack", "btn_PlayStop", "btn_PlaySpeed"})
                QVERIFY2(!child(w, name)->isEnabled(), name);
            // nothing polls the closed recording
            QTest::qWait(30);
            QCOMPARE(FakeTormo::callsOf(QStringLiteral("GetPlayedTime")), QStringList());
        }
        QDir("image").removeRecursively();
    }

    void closingReleasesOnlyAnOpenedPort()
    {
        { MainWindow w; forget(); }
        QCOMPARE(calls(), QStringList());
        {
            MainWindow w;
            open(w);
            open(w);
            forget();
        }
        QCOMPARE(calls(), QStringList({"CloseMediaFile(1)"}));
    }
};

QTEST_MAIN(TestVideo)
#include "tst_video.moc"
