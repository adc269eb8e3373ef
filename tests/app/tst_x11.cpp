#include "fake_tormo.h"
#include "mainwindow.h"
#include "fixtures.h"
#include "xsession.h"

#include <QApplication>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTimeEdit>
#include <QtTest>

#include <cstdio>

namespace {
XSession *x = nullptr;
}

// The review under a real X server and window manager, its keys sent
// through the server: a held key repeats as a keyboard's does.
class TestX11 : public QObject
{
    Q_OBJECT

    FreshFolder workFolder; // "image" below it

    static int filesIn(const QString &folder)
    {
        int n = 0;
        for (const QString &sub : QDir(folder).entryList(QDir::Dirs | QDir::NoDotAndDotDot))
            if (sub != QStringLiteral("审核记录")) // the review's journal is no filing
                n += QDir(folder + '/' + sub).entryList(QDir::Files).size();
        return n;
    }

private slots:
    void init()
    {
        FakeTormo::reset();
        QVERIFY(workFolder.renew());
    }

    void onePressDoesOneThing_data()
    {
        QTest::addColumn<bool>("withVideo");
        // "click <button>", "minutes <time editor>" (a click through the
        // server), "wait <ms>", "hold <keys>", "keys <k> <k> ..."
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<QString>("counts");
        QTest::addColumn<int>("files"); // below "image": verdict copies and snapshots
        QTest::addColumn<QString>("seek"); // the last one; empty: none
        QTest::newRow("a held verdict key files one picture")
            << false << QStringList{"hold 4"} << "0,0,0,0,0,1" << 1 << "";
        QTest::newRow("a held 0 makes one snapshot")
            << true << QStringList{"hold 0"} << "1,1,0,0,0,0" << 1 << "";
        QTest::newRow("a held Ctrl+Z takes back one filing")
            << false << QStringList{"click btn_Right", "click btn_Error", "click btn_More", "hold ctrl+z"}
            << "2,0,1,1,0,0" << 2 << "";
        QTest::newRow("a time typed after a pause in the editor seeks and files nothing")
            << true << QStringList{"minutes ed_SetPlayTime", "wait 1500", "keys 0 1 3 0"}
            << "0,0,0,0,0,0" << 0 << "SetPlayedTime(0,90)";
        QTest::newRow("a time typed at once seeks, a digit after a pause files nothing")
            << true << QStringList{"minutes ed_SetPlayTime", "keys 0 1 3 0", "wait 1500", "keys 1"}
            << "0,0,0,0,0,0" << 0 << "SetPlayedTime(0,90)";
        QTest::newRow("Space with no recording presses no verdict")
            << false << QStringList{"click btn_Right", "keys space space"} << "1,0,1,0,0,0" << 1 << "";
    }

    void onePressDoesOneThing()
    {
        QFETCH(bool, withVideo);
        QFETCH(QStringList, steps);
        QFETCH(QString, counts);
        QFETCH(int, files);
        QFETCH(QString, seek);
        FakeTormo::fileTime = 5 * 3600; // every typed time is in it
        MainWindow w;
        w.show();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        if (withVideo) {
            QFile("road.ts").open(QIODevice::WriteOnly);
            answerFileDialog(QFileInfo("road.ts").absoluteFilePath());
            click(w, "btn_OpenVideo");
        }
        openFolder(w, threePictures());
        Notices notices; // a time beyond the recording's end says so
        for (const QString &step : steps) {
            if (!w.isActiveWindow()) // after a dialog, the manager may leave it to us
                w.activateWindow();
            QTRY_VERIFY(w.isActiveWindow());
            const QString what = step.section(' ', 1);
            if (step.startsWith("click"))
                QTest::mouseClick(child(w, qPrintable(what)), Qt::LeftButton);
            else if (step.startsWith("minutes")) { // "0:00:00": just right of "0:0"
                auto *editor = child<QTimeEdit>(w, qPrintable(what));
                const QWidget *edit = editor->findChild<QLineEdit *>();
                // on the window as the server has it: the manager may just have moved it
                const QPoint at = edit->mapTo(
                    &w, QPoint(edit->fontMetrics().horizontalAdvance("0:0") + 3, edit->height() / 2));
                // On a busy machine the manager's activation of the window
                // may reach Qt after the click, which then goes nowhere.
                QTRY_VERIFY(QApplication::focusWidget());
                for (int attempt = 0; attempt < 3 && !editor->hasFocus(); ++attempt) {
                    x->xdotool({"mousemove", "0", "0"}); // from elsewhere, as a hand does
                    x->xdotool({"mousemove", "--window", QString::number(w.winId()),
                                QString::number(at.x()), QString::number(at.y()), "click", "1"});
                    (void)QTest::qWaitFor([editor] { return editor->hasFocus(); }, 3000);
                }
                QVERIFY(editor->hasFocus());
            } else if (step.startsWith("wait"))
                QTest::qWait(what.toInt());
            else if (step.startsWith("hold"))
                x->hold(what, 1500);
            else
                x->press(what.split(' '));
        }
        QTest::qWait(200);
        QCOMPARE(tallies(w), counts);
        QCOMPARE(filesIn("image"), files);
        const QStringList seeks = FakeTormo::callsOf("SetPlayedTime");
        QCOMPARE(seek.isEmpty() || seeks.isEmpty() ? QString() : seeks.last(), seek);
    }

    // The real program: closing it while it plays leaves no X error behind.
    void closingDuringPlaybackExitsCleanly()
    {
        QVERIFY(QFile::copy(QStringLiteral(TEST_RECORDING), "road.ts"));
        QPoint openVideo;
        {
            MainWindow probe; // the same window in the same fonts: where the button is
            probe.setAttribute(Qt::WA_DontShowOnScreen);
            probe.show();
            QWidget *button = child(probe, "btn_OpenVideo");
            openVideo = button->mapTo(&probe, button->rect().center());
        }
        QProcess program;
        x->startProgram(program, QStringLiteral(RECOGSTAT_PROGRAM), QDir::currentPath());
        const qulonglong window = x->waitForWindow("RecogStat");
        QVERIFY(window);
        QTRY_COMPARE_WITH_TIMEOUT(x->activeWindow(), window, 10000);
        const QString id = QString::number(window);
        x->xdotool({"mousemove", "--window", id, QString::number(openVideo.x()),
                    QString::number(openVideo.y()), "click", "1"});
        QTRY_VERIFY_WITH_TIMEOUT(x->activeWindow() != window, 10000); // the file dialog
        x->xdotool({"type", "--delay", "20", QFileInfo("road.ts").absoluteFilePath()});
        x->press({"Return"});
        QTRY_COMPARE_WITH_TIMEOUT(x->activeWindow(), window, 10000);
        QTest::qWait(2000); // playing
        x->press({"alt+F4"}); // the window manager closes it, as its close button does

        QVERIFY(program.state() == QProcess::NotRunning || program.waitForFinished(20000));
        const QString errors = QString::fromLocal8Bit(program.readAllStandardError());
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.exitCode(), 0);
        for (const char *x11 : {"X Error", "BadWindow", "QXcbConnection", "Timers cannot"})
            QVERIFY2(!errors.contains(QLatin1String(x11)), qPrintable(errors));
    }
};

int main(int argc, char *argv[])
{
    XSession session;
    QString why;
    if (XSession::lacking(&why)) {
        std::printf("skipped: %s\n", qPrintable(why));
        return XSession::Skipped;
    }
    if (!session.start(&why)) {
        std::fprintf(stderr, "tst_x11: %s\n", qPrintable(why));
        return 1;
    }
    x = &session;
    qputenv("QT_QPA_PLATFORM", "xcb");
    QApplication app(argc, argv);
    TestX11 test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_x11.moc"
