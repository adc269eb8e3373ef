// The passages in a window: the count, the marks, and Down / Up stepping
// from one vehicle to the next and back, playing from 2 s before each.
#include "countlinedialog.h"
#include "passagepanel.h"

#include <QLabel>
#include <QMainWindow>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QSlider>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <QVBoxLayout>

class TestPassagePanel : public QObject
{
    Q_OBJECT

private slots:
    void stepsThroughEveryVehicle()
    {
        QTemporaryDir work;
        QVERIFY(QDir::setCurrent(work.path()));
        QMainWindow window;
        auto *central = new QWidget;
        auto *layout = new QVBoxLayout(central);
        auto *slider = new QSlider(Qt::Horizontal);
        auto *counts = new QTableWidget(6, 1);
        counts->setMinimumHeight(250);
        layout->addWidget(slider);
        layout->addWidget(counts);
        window.setCentralWidget(central);

        int position = 0;
        QVector<int> played;
        PassagePanel::Player player;
        player.position = [&] { return position; };
        player.playFrom = [&](int seconds) {
            played << seconds;
            position = seconds;
        };
        PassagePanel panel(&window, slider, counts, player);
        window.show();
        QApplication::setActiveWindow(&window);
        QVERIFY(QTest::qWaitForWindowActive(&window));

        QSignalSpy finished(&panel, &PassagePanel::scanFinished);
        slider->setRange(0, 60);
        panel.open(QStringLiteral(SCAN_TEST_MEDIA "/mixed.ts"), 60);
        QVERIFY(finished.wait(60000));
        const QVector<scan::Passage> list = panel.passages();
        QVERIFY(list.size() >= 10);
        QCOMPARE(window.findChild<QLabel *>("la_Detected")->text(), QStringLiteral("检测到 %1 辆").arg(list.size()));
        QVERIFY(slider->findChild<PassageMarks *>());
        auto *next = window.findChild<QToolButton *>("btn_NextVehicle");
        QVERIFY(next->toolTip().contains(QKeySequence(Qt::Key_Down).toString(QKeySequence::NativeText)));

        // Down through all of them (the player standing where it was sent), one more does nothing.
        QVector<int> expected;
        for (const scan::Passage &p : list) {
            QTest::keyClick(&window, Qt::Key_Down);
            expected << std::max(0, int(p.ms / 1000) - 2);
        }
        QTest::keyClick(&window, Qt::Key_Down);
        QCOMPARE(played, expected);
        // Up goes back one.
        QTest::keyClick(&window, Qt::Key_Up);
        QCOMPARE(played.last(), std::max(0, int(list[list.size() - 2].ms / 1000) - 2));
        // Moved far away by hand, the next step is the first passage after the player.
        position = int(list[list.size() / 2].ms / 1000) - 30;
        position = std::max(position, 0);
        next->click();
        int first = 0;
        while (list[first].ms <= qint64(position) * 1000)
            ++first;
        QCOMPARE(played.last(), std::max(0, int(list[first].ms / 1000) - 2));

        // Closed: nothing to step to, no marks.
        panel.close();
        QVERIFY(!next->isEnabled());
        QVERIFY(panel.passages().isEmpty());
    }

    // The nearer end follows a drag, inside the picture; Cancel keeps the line.
    void countLineDialogDragsAnEnd()
    {
        const scan::Line line;
        CountLineDialog dialog(QStringLiteral(SCAN_TEST_MEDIA "/mixed.ts"), line);
        auto *canvas = dialog.findChild<LineCanvas *>();
        QVERIFY(canvas);
        QCOMPARE(canvas->size(), QSize(640, 360));
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QTest::mousePress(canvas, Qt::LeftButton, {}, QPoint(630, 215));
        QTest::mouseMove(canvas, QPoint(600, 100));
        QMouseEvent move(QEvent::MouseMove, QPointF(620, 90), Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(canvas, &move);
        QTest::mouseRelease(canvas, Qt::LeftButton, {}, QPoint(620, 90));
        QCOMPARE(dialog.line().a, line.a);
        QVERIFY(qAbs(dialog.line().b.x - 620 / 640.0) < 0.01);
        QVERIFY(qAbs(dialog.line().b.y - 90 / 360.0) < 0.01);
        QMouseEvent outside(QEvent::MouseMove, QPointF(-50, 900), Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
        QTest::mousePress(canvas, Qt::LeftButton, {}, QPoint(5, 215));
        QApplication::sendEvent(canvas, &outside);
        QTest::mouseRelease(canvas, Qt::LeftButton, {}, QPoint(0, 359));
        QCOMPARE(dialog.line().a, (scan::Point{0.0, 1.0}));
    }
};

QTEST_MAIN(TestPassagePanel)
#include "tst_passagepanel.moc"
