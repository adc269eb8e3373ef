#include "fake_tormo.h"
#include "mainwindow.h"
#include "fixtures.h"

#include <QDirIterator>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTimeEdit>
#include <QtTest>
#include <qpa/qwindowsysteminterface.h>

// The review from the keyboard and Ctrl+Z, on generated capture pictures.
class TestKeys : public QObject
{
    Q_OBJECT

    FreshFolder workFolder; // "image" below it

    // Every file below "image" with its size; a snapshot's random number as R.
    static QStringList filed()
    {
        QStringList files;
        for (QDirIterator it("image", QDir::Files, QDirIterator::Subdirectories); it.hasNext();) {
            QString path = it.next();
            if (path.startsWith("image/审核记录/")) // the review's journal files nothing
                continue;
            files << path.replace(QRegularExpression("漏拍/\\d+_"), "漏拍/R_") + ':'
                         + QString::number(it.fileInfo().size());
        }
        files.sort();
        return files;
    }

    // A key through the window system, as the keyboard sends it, a few
    // milliseconds after the last one. Without a window manager the window
    // is not active again after a dialog, so it is made so.
    static QStringList press(MainWindow &w, int key)
    {
        Notices notices;
        QApplication::setActiveWindow(&w);
        QTest::qWait(2); // a keyboard's events are milliseconds apart
        QTest::keyClick(w.windowHandle(), Qt::Key(key & ~Qt::KeyboardModifierMask),
                        Qt::KeyboardModifiers(key & Qt::KeyboardModifierMask));
        return notices.said;
    }
    static QStringList undo(MainWindow &w) { return press(w, Qt::CTRL | Qt::Key_Z); }

    // The four rates after "统计结果".
    static QString rates(MainWindow &w)
    {
        click(w, "btn_Result");
        QStringList texts;
        for (int row = 0; row < 4; ++row)
            texts << child<QTableWidget>(w, "tb_Rate")->item(row, 0)->text();
        return texts.join(' ');
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
        openFolder(w, threePictures());
    }

private slots:
    void init()
    {
        FakeTormo::reset();
        QVERIFY(workFolder.renew());
    }

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

    void aHeldKeyActsOnce_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("filedFirst"); // pictures filed before, by clicks
        QTest::addColumn<QString>("counts");
        QTest::addColumn<int>("toggles"); // of playback
        QTest::newRow("4") << int(Qt::Key_4) << 0 << "0,0,0,0,0,1" << 0;
        QTest::newRow("keypad 1") << int(Qt::KeypadModifier | Qt::Key_1) << 0 << "1,0,1,0,0,0" << 0;
        QTest::newRow("0") << int(Qt::Key_0) << 0 << "1,1,0,0,0,0" << 0;
        QTest::newRow("Ctrl+Z") << int(Qt::CTRL | Qt::Key_Z) << 2 << "1,0,1,0,0,0" << 0;
        QTest::newRow("Space") << int(Qt::Key_Space) << 0 << "0,0,0,0,0,0" << 1;
    }

    // As the X server repeats a held key: a release and a press at one
    // timestamp, again and again, which Qt does not always flag as repeats.
    void aHeldKeyActsOnce()
    {
        QFETCH(int, key);
        QFETCH(int, filedFirst);
        QFETCH(QString, counts);
        QFETCH(int, toggles);
        MainWindow w;
        start(w, true);
        click(w, "btn_Right", filedFirst);
        FakeTormo::calls.clear();
        Notices notices;
        QApplication::setActiveWindow(&w);
        const auto mods = Qt::KeyboardModifiers(key & Qt::KeyboardModifierMask);
        const int code = key & ~Qt::KeyboardModifierMask;
        const QString text = code == Qt::Key_Space || (code >= Qt::Key_0 && code <= Qt::Key_9)
                                 ? QString(QChar(code)) : QString();
        ulong at = 1000;
        const auto send = [&](QEvent::Type type, int k, Qt::KeyboardModifiers m, const QString &t) {
            QWindowSystemInterface::handleKeyEvent<QWindowSystemInterface::SynchronousDelivery>(
                w.windowHandle(), at, type, k, m, t);
        };
        if (mods & Qt::ControlModifier)
            send(QEvent::KeyPress, Qt::Key_Control, Qt::NoModifier, {});
        send(QEvent::KeyPress, code, mods, text);
        for (int repeat = 0; repeat < 20; ++repeat) {
            at += 40;
            send(QEvent::KeyRelease, code, mods, text);
            send(QEvent::KeyPress, code, mods, text);
        }
        at += 40;
        send(QEvent::KeyRelease, code, mods, text);
        if (mods & Qt::ControlModifier)
            send(QEvent::KeyRelease, Qt::Key_Control, mods, {});

        QCOMPARE(tallies(w), counts);
        QCOMPARE(FakeTormo::callsOf("PausePlay").size(), toggles);
        // the next press is a press again: "识别错误" on the picture shown
        at += 500;
        send(QEvent::KeyPress, Qt::Key_2, Qt::NoModifier, "2");
        QCOMPARE(child<QTableWidget>(w, "tb_Result")->item(WrongRow, 0)->text(), QStringLiteral("1"));
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
            openFolder(w, threePictures());
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
        QTest::addColumn<QString>("rates"); // the plate-invalid count enters the first
        QTest::newRow("识别正确") << QByteArray("btn_Right") << "1,0,1,0,0,0" << "100.00% 100.00% 0.00% 100.00%";
        QTest::newRow("识别错误") << QByteArray("btn_Error") << "1,0,0,1,0,0" << "100.00% 0.00% 0.00% 0.00%";
        QTest::newRow("多拍/空拍") << QByteArray("btn_More") << "0,0,0,0,1,0" << "0.00% 0.00% 0.00% 0.00%";
        QTest::newRow("非机动车") << QByteArray("btn_FeiJiDong") << "0,0,0,0,0,1" << "0.00% 0.00% 100.00% 0.00%";
        QTest::newRow("捕获但车牌无效") << QByteArray("btn_PlateInvain") << "1,0,0,0,0,0" << "100.00% 0.00% 0.00% 0.00%";
    }

    void undoTakesBackAFiling()
    {
        QFETCH(QByteArray, button);
        QFETCH(QString, counts);
        QFETCH(QString, rates);
        MainWindow w;
        start(w);
        for (int round = 0; round < 2; ++round) { // unprocessed again, so filed afresh
            QCOMPARE(click(w, button.constData()), QStringList());
            QCOMPARE(tallies(w), counts);
            QCOMPARE(filed().size(), 1);
            QCOMPARE(this->rates(w), rates);
            click(w, "btn_NextImg");
            child<QSpinBox>(w, "sb_ImgSize")->setValue(180);

            QCOMPARE(undo(w), QStringList());
            QCOMPARE(shown(w), QStringLiteral("1  /  3|A.JPG|"));
            QCOMPARE(child<QSpinBox>(w, "sb_ImgSize")->value(), 100);
            QCOMPARE(tallies(w), QStringLiteral("0,0,0,0,0,0"));
            QCOMPARE(filed(), QStringList());
            QCOMPARE(child<QTableWidget>(w, "tb_Rate")->item(0, 0)->text(), rates.section(' ', 0, 0));
        }
        // no plate-invalid count is left: it alone would make the false shots 100 %
        click(w, "btn_More");
        QCOMPARE(this->rates(w), QStringLiteral("0.00% 0.00% 0.00% 0.00%"));
    }

    void spaceTogglesPlaybackAndNothingElse_data()
    {
        QTest::addColumn<bool>("withVideo");
        QTest::addColumn<bool>("paused");
        QTest::addColumn<QStringList>("calls"); // to the engine, polls aside
        QTest::addColumn<QString>("focus");
        QTest::newRow("no recording: the verdict button keeps the focus")
            << false << false << QStringList() << "btn_Right";
        QTest::newRow("playing: pauses") << true << false << QStringList{"PausePlay(0,1)"} << "btn_Play";
        QTest::newRow("paused: plays") << true << true << QStringList{"PausePlay(0,0)"} << "btn_PlayPause";
    }

    void spaceTogglesPlaybackAndNothingElse()
    {
        QFETCH(bool, withVideo);
        QFETCH(bool, paused);
        QFETCH(QStringList, calls);
        QFETCH(QString, focus);
        MainWindow w;
        start(w, withVideo);
        if (paused)
            click(w, "btn_PlayPause");
        click(w, "btn_Right");
        if (!withVideo)
            QCOMPARE(w.focusWidget(), child(w, "btn_Right"));
        FakeTormo::calls.clear();

        QCOMPARE(press(w, Qt::Key_Space), QStringList());
        QCOMPARE(tallies(w), QStringLiteral("1,0,1,0,0,0"));
        QCOMPARE(shown(w), QStringLiteral("2  /  3|b.jpg|"));
        QStringList sent = FakeTormo::calls.filter(QRegularExpression("^(?!GetPlayedTime)"));
        QCOMPARE(sent, calls);
        QCOMPARE(w.focusWidget()->objectName(), focus);
    }

    void typingKeepsTheFocusUntilTheEditingEnds_data()
    {
        QTest::addColumn<QByteArray>("editor");
        QTest::addColumn<QList<int>>("typed");
        QTest::addColumn<int>("end"); // a key; 0: a pause in typing, which ends nothing
        QTest::addColumn<bool>("withVideo");
        const QList<int> time{Qt::Key_0, Qt::Key_1, Qt::Key_3};
        const QList<int> zoom{Qt::Key_1, Qt::Key_8, Qt::Key_0, Qt::Key_PageUp};
        QTest::newRow("time, Enter") << QByteArray("ed_SetPlayTime") << time << int(Qt::Key_Return) << true;
        QTest::newRow("time, Tab away") << QByteArray("ed_SetPlayTime") << time << int(Qt::Key_Tab) << true;
        QTest::newRow("time, Esc") << QByteArray("ed_SetPlayTime") << time << int(Qt::Key_Escape) << true;
        QTest::newRow("time, a pause") << QByteArray("ed_SetPlayTime") << time << 0 << true;
        QTest::newRow("zoom, Enter") << QByteArray("sb_ImgSize") << zoom << int(Qt::Key_Enter) << true;
        QTest::newRow("zoom, Esc") << QByteArray("sb_ImgSize") << zoom << int(Qt::Key_Escape) << true;
        QTest::newRow("zoom, a pause") << QByteArray("sb_ImgSize") << zoom << 0 << true;
        // no play button takes the focus: it leaves the field all the same
        QTest::newRow("zoom, Enter, no recording") << QByteArray("sb_ImgSize") << zoom << int(Qt::Key_Enter) << false;
    }

    // With a recording open every change would hand the focus back at once.
    void typingKeepsTheFocusUntilTheEditingEnds()
    {
        QFETCH(QByteArray, editor);
        QFETCH(QList<int>, typed);
        QFETCH(int, end);
        QFETCH(bool, withVideo);
        FakeTormo::fileTime = 5 * 3600;
        FakeTormo::playedTime = 42;
        MainWindow w;
        start(w, withVideo);
        auto *field = child<QAbstractSpinBox>(w, editor.constData());
        field->setFocus();
        field->selectAll();
        const QString before = field->text();
        for (int key : typed)
            QCOMPARE(press(w, key), QStringList());
        QVERIFY(field->text() != before);
        QCOMPARE(w.focusWidget(), field);
        QCOMPARE(tallies(w) + ' ' + shown(w), QStringLiteral("0,0,0,0,0,0 1  /  3|A.JPG|"));
        QCOMPARE(FakeTormo::callsOf("Snapshot"), QStringList());

        if (!end) {
            QTest::qWait(1500);
            QCOMPARE(w.focusWidget(), field);
            return;
        }
        press(w, end);
        if (withVideo) {
            QTRY_COMPARE_WITH_TIMEOUT(w.focusWidget(), child(w, "btn_PlayPause"), 3000);
        } else {
            QTRY_VERIFY_WITH_TIMEOUT(w.focusWidget() != field, 3000);
            press(w, Qt::Key_Right); // the review's key again
            QCOMPARE(shown(w), QStringLiteral("2  /  3|b.jpg|"));
        }
        if (end == Qt::Key_Escape) { // as it was, and the recording where it was
            QCOMPARE(field->text(), before);
            if (editor == "ed_SetPlayTime")
                QCOMPARE(FakeTormo::callsOf("SetPlayedTime").last(), QStringLiteral("SetPlayedTime(0,42)"));
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

        QCOMPARE(undo(w), QStringList()); // b's, after the refused one
        QCOMPARE(shown(w) + ' ' + tallies(w), QStringLiteral("2  /  3|b.jpg| 1,0,1,0,0,0"));
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
        flipped[flipped.size() - 100] = char(flipped[flipped.size() - 100] ^ 1);
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
