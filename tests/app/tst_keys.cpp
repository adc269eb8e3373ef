#include "capturegen.h"
#include "dialogs.h"
#include "fake_tormo.h"
#include "mainwindow.h"
#include "widgets.h"

#include <QDirIterator>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTimeEdit>
#include <QtTest>

// The review from the keyboard and Ctrl+Z, on generated capture pictures.
class TestKeys : public QObject
{
    Q_OBJECT

    QString startDir = QDir::currentPath();
    QScopedPointer<QTemporaryDir> work; // the current folder, "image" below it

    // Position, name and mark; the tallies; every file below "image" with its size.
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
    static QStringList filed()
    {
        QStringList files;
        for (QDirIterator it("image", QDir::Files, QDirIterator::Subdirectories); it.hasNext();) {
            const QString path = it.next();
            if (!path.startsWith("image/审核记录/")) // the review's journal files nothing
                files << path + ':' + QString::number(it.fileInfo().size());
        }
        files.sort();
        return files;
    }

    static QByteArray capture(int index)
    {
        return CaptureGen::render(CaptureGen::sceneFor(3, index, QSize(400, 300)), 51201, 0);
    }

    // A.JPG, b.jpg and c.jpg in a folder below the current one.
    static QString threePictures(const QString &name)
    {
        QDir().mkpath(name);
        int i = 0;
        for (const char *file : {"A.JPG", "b.jpg", "c.jpg"}) {
            QFile f(name + '/' + file);
            if (!f.open(QIODevice::WriteOnly) || f.write(capture(++i)) < 51201)
                qFatal("cannot write %s", file);
        }
        return QDir::current().absoluteFilePath(name);
    }

    static QStringList click(MainWindow &w, const char *button)
    {
        Notices notices;
        QTest::mouseClick(child(w, button), Qt::LeftButton);
        return notices.said;
    }

    // A key at the window's focused control. Without a window manager the
    // window is not active again after a dialog, so it is made so.
    static QStringList press(MainWindow &w, int key)
    {
        Notices notices;
        QApplication::setActiveWindow(&w);
        QTest::keyClick(w.focusWidget() ? w.focusWidget() : &w, Qt::Key(key & ~Qt::KeyboardModifierMask),
                        Qt::KeyboardModifiers(key & Qt::KeyboardModifierMask));
        return notices.said;
    }
    static QStringList undo(MainWindow &w) { return press(w, Qt::CTRL | Qt::Key_Z); }

    static void openFolder(MainWindow &w, const QString &folder)
    {
        answerFileDialog(folder);
        click(w, "btn_OpenImg");
    }

    // Shown and active, optionally with a recording, three pictures open.
    static void start(MainWindow &w, bool withVideo = false)
    {
        w.show();
        QApplication::setActiveWindow(&w);
        QVERIFY(QTest::qWaitForWindowActive(&w));
        if (withVideo) {
            QFile("road.ts").open(QIODevice::WriteOnly);
            answerFileDialog(QFileInfo("road.ts").absoluteFilePath());
            click(w, "btn_OpenVideo");
        }
        openFolder(w, threePictures("three"));
    }

private slots:
    void init()
    {
        FakeTormo::reset();
        work.reset(new QTemporaryDir);
        QVERIFY(QDir::setCurrent(work->path()));
    }
    void cleanupTestCase() { QDir::setCurrent(startDir); }

    void aKeyDoesWhatAClickOnItsButtonDoes_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<QByteArray>("button");
        QTest::addColumn<bool>("withVideo"); // without: the focus stays on the button
        const QList<QPair<QList<int>, const char *>> keyMap = {
            {{Qt::Key_1, Qt::KeypadModifier | Qt::Key_1}, "btn_Right"},
            {{Qt::Key_2, Qt::KeypadModifier | Qt::Key_2}, "btn_Error"},
            {{Qt::Key_3, Qt::KeypadModifier | Qt::Key_3}, "btn_More"},
            {{Qt::Key_4, Qt::KeypadModifier | Qt::Key_4}, "btn_FeiJiDong"},
            {{Qt::Key_5, Qt::KeypadModifier | Qt::Key_5}, "btn_PlateInvain"},
            {{Qt::Key_0, Qt::KeypadModifier | Qt::Key_0}, "btn_SeepSaveAs"},
            {{Qt::Key_Left, Qt::Key_PageUp}, "btn_LastImg"},
            {{Qt::Key_Right, Qt::Key_PageDown}, "btn_NextImg"}};
        for (const auto &entry : keyMap)
            for (bool withVideo : {true, false})
                for (int key : entry.first)
                    QTest::addRow("%s %s%s", qPrintable(QKeySequence(key).toString()), entry.second,
                                  withVideo ? "" : " no video")
                        << key << QByteArray(entry.second) << withVideo;
    }

    // The same review clicked and keyed, in two working folders: the same
    // notices, picture, tallies, files, snapshots, zoom and focus.
    void aKeyDoesWhatAClickOnItsButtonDoes()
    {
        QFETCH(int, key);
        QFETCH(QByteArray, button);
        QFETCH(bool, withVideo);
        QStringList outcome[2];
        for (int keyed = 0; keyed < 2; ++keyed) {
            init();
            MainWindow w;
            start(w, withVideo);
            click(w, "btn_NextImg"); // picture 2 of 3: both steps go somewhere
            child<QSpinBox>(w, "sb_ImgSize")->setValue(180);
            const QStringList said = keyed ? press(w, key) : click(w, button.constData());
            outcome[keyed] = QStringList{said.join(';'), shown(w), tallies(w), filed().join(';'),
                                         QString::number(FakeTormo::callsOf("Snapshot").size()),
                                         child<QSpinBox>(w, "sb_ImgSize")->text(),
                                         w.focusWidget()->objectName()};
        }
        QCOMPARE(outcome[1], outcome[0]);
    }

    void aKeyGoesToTheFocusedEditorOrNowhere_data()
    {
        QTest::addColumn<QByteArray>("control"); // focused; a review button before any folder
        QTest::addColumn<int>("key");
        QTest::newRow("time editor 1") << QByteArray("ed_SetPlayTime") << int(Qt::Key_1);
        QTest::newRow("time editor PgUp") << QByteArray("ed_SetPlayTime") << int(Qt::Key_PageUp);
        QTest::newRow("spin box keypad 2") << QByteArray("sb_ImgSize") << int(Qt::KeypadModifier | Qt::Key_2);
        QTest::newRow("spin box PgUp") << QByteArray("sb_ImgSize") << int(Qt::Key_PageUp);
        QTest::newRow("disabled, 1") << QByteArray() << int(Qt::Key_1);
        QTest::newRow("disabled, 0") << QByteArray() << int(Qt::Key_0);
        QTest::newRow("disabled, Right") << QByteArray() << int(Qt::Key_Right);
        QTest::newRow("nothing to undo") << QByteArray() << int(Qt::CTRL | Qt::Key_Z);
    }

    // No recording is open, so no focus hand-back moves the focus.
    void aKeyGoesToTheFocusedEditorOrNowhere()
    {
        QFETCH(QByteArray, control);
        QFETCH(int, key);
        MainWindow w;
        w.show();
        QApplication::setActiveWindow(&w);
        QVERIFY(QTest::qWaitForWindowActive(&w));
        QWidget *focus = child(w, "btn_OpenImg");
        if (!control.isEmpty()) {
            openFolder(w, threePictures("three"));
            click(w, "btn_NextImg");
            auto *editor = child<QAbstractSpinBox>(w, control.constData());
            if (auto *time = qobject_cast<QTimeEdit *>(editor))
                time->setSelectedSection(QDateTimeEdit::HourSection);
            else
                editor->selectAll();
            focus = editor;
        }
        QApplication::setActiveWindow(&w);
        focus->setFocus();
        const QString before = control.isEmpty() ? QString() : child<QAbstractSpinBox>(w, control)->text();
        const QString review = shown(w);

        const QStringList said = press(w, key);
        if (control.isEmpty())
            QCOMPARE(said, QStringList());
        else
            QVERIFY(child<QAbstractSpinBox>(w, control)->text() != before);
        QCOMPARE(w.focusWidget(), focus);
        QCOMPARE(shown(w), review);
        QCOMPARE(tallies(w), QStringLiteral("0,0,0,0,0,0"));
        QCOMPARE(filed(), QStringList());
        QCOMPARE(FakeTormo::callsOf("Snapshot"), QStringList());
    }

    void undoTakesBackAFiling_data()
    {
        QTest::addColumn<QByteArray>("button");
        QTest::addColumn<QString>("counts");
        QTest::addColumn<int>("platesInvalid");
        QTest::newRow("识别正确") << QByteArray("btn_Right") << "1,0,1,0,0,0" << 0;
        QTest::newRow("识别错误") << QByteArray("btn_Error") << "1,0,0,1,0,0" << 0;
        QTest::newRow("多拍/空拍") << QByteArray("btn_More") << "0,0,0,0,1,0" << 0;
        QTest::newRow("非机动车") << QByteArray("btn_FeiJiDong") << "0,0,0,0,0,1" << 0;
        QTest::newRow("捕获但车牌无效") << QByteArray("btn_PlateInvain") << "1,0,0,0,0,0" << 1;
    }

    void undoTakesBackAFiling()
    {
        QFETCH(QByteArray, button);
        QFETCH(QString, counts);
        QFETCH(int, platesInvalid);
        MainWindow w;
        start(w);
        for (int round = 0; round < 2; ++round) { // unprocessed again, so filed afresh
            QCOMPARE(click(w, button.constData()), QStringList());
            QCOMPARE(tallies(w), counts);
            QCOMPARE(w.plateInvalidCount, platesInvalid);
            QCOMPARE(filed().size(), 1);
            click(w, "btn_Result");
            const QString rate = child<QTableWidget>(w, "tb_Rate")->item(0, 0)->text();
            click(w, "btn_NextImg");
            child<QSpinBox>(w, "sb_ImgSize")->setValue(180);

            QCOMPARE(undo(w), QStringList());
            QCOMPARE(shown(w), QStringLiteral("1  /  3|A.JPG|"));
            QCOMPARE(child<QSpinBox>(w, "sb_ImgSize")->value(), 100);
            QCOMPARE(tallies(w), QStringLiteral("0,0,0,0,0,0"));
            QCOMPARE(w.plateInvalidCount, 0);
            QCOMPARE(filed(), QStringList());
            QCOMPARE(child<QTableWidget>(w, "tb_Rate")->item(0, 0)->text(), rate);
        }
    }

    // Newest first, one at a time; a failed filing is not on record, and
    // opening a folder starts afresh.
    void undoesInARow()
    {
        QDir().mkpath("image/多拍空拍");
        QFile earlier("image/多拍空拍/b.jpg"); // b filed there before: refused
        QVERIFY(earlier.open(QIODevice::WriteOnly) && earlier.write(capture(2)) > 0);
        earlier.close();
        const QString copyB = "image/多拍空拍/b.jpg:" + QString::number(capture(2).size());
        const QString copyA = "image/识别正确/A.JPG:" + QString::number(capture(1).size());
        MainWindow w;
        start(w);
        click(w, "btn_Right");
        QCOMPARE(click(w, "btn_More"), QStringList{"提示|文件已存在"});
        click(w, "btn_PlateInvain");

        QCOMPARE(undo(w), QStringList());
        QCOMPARE(shown(w) + ' ' + tallies(w), QStringLiteral("3  /  3|c.jpg| 1,0,1,0,0,0"));
        QCOMPARE(filed(), (QStringList{copyB, copyA}));
        QCOMPARE(undo(w), QStringList());
        QCOMPARE(shown(w) + ' ' + tallies(w), QStringLiteral("1  /  3|A.JPG| 0,0,0,0,0,0"));
        QCOMPARE(filed(), QStringList{copyB});
        click(w, "btn_Right");
        openFolder(w, threePictures("other"));
        QCOMPARE(undo(w), QStringList());
        QCOMPARE(filed(), (QStringList{copyB, copyA}));
    }

    void undoLeavesACopyThatChanged_data()
    {
        QTest::addColumn<QByteArray>("bytes"); // what the copy holds by then; null: removed
        QByteArray flipped = capture(1);
        flipped[60000] = char(flipped[60000] ^ 1);
        QTest::newRow("one byte changed") << flipped;
        QTest::newRow("cut short") << capture(1).chopped(1);
        QTest::newRow("removed") << QByteArray();
    }

    void undoLeavesACopyThatChanged()
    {
        QFETCH(QByteArray, bytes);
        MainWindow w;
        start(w);
        click(w, "btn_Error");
        QFile copy("image/识别错误/A.JPG");
        QVERIFY(bytes.isNull() ? copy.remove() : copy.open(QIODevice::WriteOnly) && copy.write(bytes));
        copy.close();
        const QStringList files = filed();
        for (int attempt = 0; attempt < 2; ++attempt) {
            QCOMPARE(undo(w), QStringList{"提示|无法撤销：文件已被修改"});
            QCOMPARE(shown(w) + ' ' + tallies(w), QStringLiteral("2  /  3|b.jpg| 1,0,0,1,0,0"));
            QCOMPARE(filed(), files);
        }
        click(w, "btn_LastImg");
        QCOMPARE(shown(w), QStringLiteral("1  /  3|A.JPG|已处理！"));
    }
};

QTEST_MAIN(TestKeys)
#include "tst_keys.moc"
