#include "mainwindow.h"
#include "qttranslations.h"
#include "showimage.h"
#include "widgets.h"

#include <QAbstractButton>
#include <QHeaderView>
#include <QLabel>
#include <QLayout>
#include <QMessageBox>
#include <QMetaMethod>
#include <QSlider>
#include <QSpinBox>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTimeEdit>
#include <QtTest>
#include <QtTest/qtestspontaneevent.h>

namespace {

QStringList warnings;

void collectWarnings(QtMsgType type, const QMessageLogContext &, const QString &msg)
{
    if (type != QtDebugMsg && type != QtInfoMsg)
        warnings << msg;
}

} // namespace

// Builds the real main window in a fresh current folder and checks it the way
// the reviewer meets it: controls by object name, captions, sizes, wiring.
class TestMainWindow : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir workDir;
    QString startDir;

    static void wheel(QWidget *target, QPoint angle)
    {
        QWheelEvent event(QPointF(5, 5), target->mapToGlobal(QPoint(5, 5)), QPoint(), angle,
                          Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        // As from the window system: only such wheel events travel up to the
        // window, and sendEvent() would clear the mark.
        QSpontaneKeyEvent::setSpontaneous(&event);
        qApp->notify(target, &event);
    }

private slots:
    void initTestCase()
    {
        startDir = QDir::currentPath();
        QVERIFY(QDir::setCurrent(workDir.path()));
    }

    void cleanupTestCase() { QDir::setCurrent(startDir); }

    void everySlotIsConnected()
    {
        warnings.clear();
        qInstallMessageHandler(collectWarnings);
        {
            MainWindow w;
            // each on_<object>_<signal> slot names a child and one of its signals
            const QMetaObject *meta = w.metaObject();
            int bound = 0;
            for (int i = meta->methodOffset(); i < meta->methodCount(); ++i) {
                const QMetaMethod slot = meta->method(i);
                const QString name = QString::fromLatin1(slot.name());
                if (!name.startsWith(QLatin1String("on_")))
                    continue;
                ++bound;
                const int split = name.lastIndexOf(QLatin1Char('_'));
                const QString object = name.mid(3, split - 3);
                const QByteArray signal = name.mid(split + 1).toLatin1();
                QObject *sender = w.findChild<QObject *>(object);
                QVERIFY2(sender, qPrintable(name));
                bool found = false;
                for (int s = 0; s < sender->metaObject()->methodCount(); ++s) {
                    const QMetaMethod m = sender->metaObject()->method(s);
                    found |= m.methodType() == QMetaMethod::Signal && m.name() == signal;
                }
                QVERIFY2(found, qPrintable(name));
            }
            QVERIFY(bound >= 3);
        }
        qInstallMessageHandler(nullptr);
        for (const QString &warning : warnings)
            QVERIFY2(!warning.contains(QLatin1String("No matching signal"))
                         && !warning.contains(QLatin1String("QObject::connect")),
                     qPrintable(warning));
    }

    void formHasEveryControlWithItsCaptionAndSize()
    {
        MainWindow w;
        QCOMPARE(w.objectName(), QStringLiteral("MainWindow"));
        QCOMPARE(w.windowTitle(), QStringLiteral("智能交通识别统计工具"));
        QCOMPARE(w.size(), QSize(1113, 783));
        QVERIFY(!w.documentMode());

        struct Control { const char *name; QString caption; QSize fixed; };
        const Control controls[] = {
            {"btn_OpenVideo", "打开录像", {}},
            {"btn_OpenImg", "打开图片文件夹", {}},
            {"widget", {}, {510, 375}},
            {"label", "进度条", {40, 20}},
            {"la_PlaySpeed", "", {30, 20}},
            {"la_CurTime", "0:0:0", {}},
            {"la_PlayerTime", "/0:0:0", {}},
            {"ed_SetPlayTime", {}, {}},
            {"btn_PlayBack", "减速", {90, 40}},
            {"btn_PlayPause", "暂停", {90, 40}},
            {"btn_Play", "播放", {90, 40}},
            {"btn_PlayStop", "停止", {90, 40}},
            {"btn_PlaySpeed", "加速", {90, 40}},
            {"btn_SeepSaveAs", "漏拍并保存", {80, 60}},
            {"btn_Result", "统计结果", {80, 60}},
            {"btn_OutPut", "输出表格", {80, 60}},
            {"btn_About", "公式参考", {80, 50}},
            {"la_ImgNum", "", {80, 25}},
            {"label_2", "图片状态:", {60, 25}},
            {"la_ImgFlag", "", {80, 25}},
            {"sb_ImgSize", {}, {45, 20}},
            {"la_FileName", "", {400, 45}},
            {"btn_LastImg", "上一张", {}},
            {"btn_NextImg", "下一张", {}},
            {"la_CarImg", "", {400, 100}},
            {"la_ShowCarImg", "", {400, 50}},
            {"btn_Right", "识别正确", {}},
            {"btn_Error", "识别错误", {}},
            {"btn_More", "多拍/空拍", {}},
            {"btn_FeiJiDong", "非机动车", {}},
            {"btn_PlateInvain", "捕获但车牌无效", {}},
        };
        for (const Control &c : controls) {
            QWidget *widget = child(w, c.name);
            if (auto *button = qobject_cast<QAbstractButton *>(widget))
                QCOMPARE(button->text(), c.caption);
            if (auto *label = qobject_cast<QLabel *>(widget))
                QCOMPARE(label->text(), c.caption);
            if (c.fixed.isValid()) {
                QCOMPARE(widget->minimumSize(), c.fixed);
                QCOMPARE(widget->maximumSize(), c.fixed);
            }
        }

        QCOMPARE(child(w, "widget")->styleSheet(), QStringLiteral("background-color: rgb(0, 0, 0);"));
        QCOMPARE(child(w, "la_CarImg")->styleSheet(), QStringLiteral("background-color: rgb(0, 0, 0);"));
        QCOMPARE(child(w, "la_ShowCarImg")->styleSheet(),
                 QStringLiteral("background-color: rgb(251, 255, 0);\nfont: bold 16pt \"微软雅黑\";"));
        child(w, "la_ShowCarImg")->ensurePolished();
        QVERIFY(child(w, "la_ShowCarImg")->font().bold());
        QCOMPARE(child<QLabel>(w, "la_ShowCarImg")->textFormat(), Qt::PlainText);
        QCOMPARE(child<QLabel>(w, "la_ShowCarImg")->alignment(), Qt::AlignCenter);
        QVERIFY(child<QLabel>(w, "la_FileName")->wordWrap());
        QCOMPARE(child(w, "btn_PlayPause")->focusPolicy(), Qt::StrongFocus);
        QCOMPARE(child<QTimeEdit>(w, "ed_SetPlayTime")->displayFormat(), QStringLiteral("H:mm:ss"));

        auto *playTime = child<QSlider>(w, "sl_PlayTime");
        QCOMPARE(playTime->orientation(), Qt::Horizontal);
        QCOMPARE(playTime->maximum(), 300);
        QCOMPARE(playTime->maximumSize(), QSize(1000, 15));
        QCOMPARE(child<QSlider>(w, "sl_ImgSize")->minimum(), 100);
        QCOMPARE(child<QSlider>(w, "sl_ImgSize")->maximum(), 250);
        QCOMPARE(child<QSpinBox>(w, "sb_ImgSize")->minimum(), 100);
        QCOMPARE(child<QSpinBox>(w, "sb_ImgSize")->maximum(), 250);

        const QSizePolicy right = child(w, "btn_Right")->sizePolicy();
        QCOMPARE(right.horizontalPolicy(), QSizePolicy::Minimum);
        QCOMPARE(right.verticalPolicy(), QSizePolicy::Fixed);
        QCOMPARE(right.verticalStretch(), 50);
        QCOMPARE(child(w, "btn_More")->maximumSize(), QSize(16777215, 50));
        QCOMPARE(child(w, "btn_LastImg")->maximumSize(), QSize(200, 25));
        QCOMPARE(child(w, "btn_LastImg")->sizePolicy().horizontalPolicy(), QSizePolicy::Fixed);

        // the picture view sits below the zoom row
        auto *zoomColumn = w.findChild<QVBoxLayout *>(QStringLiteral("verticalLayout_8"));
        QVERIFY(zoomColumn);
        QCOMPARE(zoomColumn->count(), 2);
        QVERIFY(qobject_cast<ShowImage *>(zoomColumn->itemAt(1)->widget()));
        QCOMPARE(zoomColumn->itemAt(1)->widget()->cursor().shape(), Qt::OpenHandCursor);
    }

    // In the fonts of this machine: the slider gives up width for them.
    void timeTextsFitAtTheirLongest()
    {
        MainWindow w;
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        const QPair<const char *, QString> longest[] = {{"la_CurTime", "23:59:59"},
                                                        {"la_PlayerTime", "/23:59:59"}};
        for (const auto &[name, text] : longest) {
            auto *label = child<QLabel>(w, name);
            QCOMPARE(label->height(), 20);
            QVERIFY2(label->fontMetrics().horizontalAdvance(text) <= label->contentsRect().width(), name);
        }
        auto *editor = child<QTimeEdit>(w, "ed_SetPlayTime");
        QCOMPARE(editor->height(), 20);
        QVERIFY(editor->width() >= editor->sizeHint().width());
        // the row no wider than the video above it
        QVERIFY(editor->geometry().right() <= child(w, "widget")->geometry().right());
        // the form's size and the status bar (the passage scan's progress)
        QCOMPARE(w.size(), QSize(1113, 794));
    }

    void layoutsKeepTheirSpacing()
    {
        MainWindow w;
        const QPair<const char *, int> spacings[] = {
            {"verticalLayout_12", 6}, {"horizontalLayout_4", 0}, {"horizontalLayout_14", 1},
            {"horizontalLayout_2", 2}, {"horizontalLayout_11", 2}, {"horizontalLayout_13", 2},
            {"verticalLayout_5", 6}, {"horizontalLayout_8", 6},
        };
        for (const auto &s : spacings) {
            auto *layout = w.findChild<QLayout *>(QLatin1String(s.first));
            QVERIFY2(layout, s.first);
            QCOMPARE(layout->spacing(), s.second);
        }
        QCOMPARE(w.findChild<QLayout *>(QStringLiteral("verticalLayout_12"))->contentsMargins(),
                 QMargins(11, 11, 11, 11));
        const QMargins plateRow =
            w.findChild<QLayout *>(QStringLiteral("horizontalLayout_13"))->contentsMargins();
        QCOMPARE(plateRow.left(), 6);
        QCOMPARE(plateRow.right(), 6);
        QCOMPARE(w.findChild<QLayout *>(QStringLiteral("verticalLayout_5"))->sizeConstraint(),
                 QLayout::SetFixedSize);
    }

    void tablesStartAtZero()
    {
        MainWindow w;
        struct Table { const char *name; QString column; QStringList rows; };
        const Table tables[] = {
            {"tb_Rate", "统计率", {"捕获率", "识别率", "误拍率", "综合识别率"}},
            {"tb_Result", "数量",
             {"过车总数", "漏   拍     ", "正确识别", "错误识别", "多拍空拍  ", "非机动车"}},
        };
        for (const Table &t : tables) {
            auto *table = child<QTableWidget>(w, t.name);
            QCOMPARE(table->columnCount(), 1);
            QCOMPARE(table->rowCount(), t.rows.size());
            QCOMPARE(table->horizontalHeaderItem(0)->text(), t.column);
            for (int row = 0; row < t.rows.size(); ++row) {
                QCOMPARE(table->verticalHeaderItem(row)->text(), t.rows[row]);
                QCOMPARE(table->item(row, 0)->text(), QStringLiteral("0"));
            }
            QCOMPARE(table->editTriggers(), QAbstractItemView::NoEditTriggers);
            QCOMPARE(table->minimumSize(), QSize(210, 250));
            QCOMPARE(table->maximumSize(), QSize(210, 16777215));
        }
        const QFont header = child<QTableWidget>(w, "tb_Result")->verticalHeaderItem(0)->font();
        QCOMPARE(header.family(), QStringLiteral("微软雅黑"));
        QVERIFY(!header.bold());
        QCOMPARE(child(w, "tb_Result")->layoutDirection(), Qt::LeftToRight);
    }

    void resizingKeepsTheFixedParts()
    {
        MainWindow w;
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        for (const QSize size : {QSize(1400, 1000), QSize(1113, 783)}) {
            w.resize(size);
            QCoreApplication::processEvents();
            QCOMPARE(child(w, "widget")->size(), QSize(510, 375));
            QCOMPARE(child(w, "tb_Rate")->width(), 210);
            QCOMPARE(child(w, "tb_Result")->width(), 210);
        }
    }

    void tabOrder()
    {
        MainWindow w;
        const char *order[] = {
            "btn_Play", "btn_PlayPause", "btn_PlayBack", "sl_PlayTime", "btn_SeepSaveAs",
            "btn_PlayStop", "btn_PlaySpeed", "btn_OpenImg", "btn_OpenVideo", "btn_Result",
            "btn_OutPut", "sl_ImgSize", "btn_Right", "btn_Error", "btn_More", "btn_FeiJiDong",
            "btn_LastImg", "btn_NextImg", "btn_PlateInvain", "ed_SetPlayTime",
        };
        for (size_t i = 0; i + 1 < std::size(order); ++i)
            QCOMPARE(child(w, order[i])->nextInFocusChain(), child(w, order[i + 1]));
    }

    void onlyOpeningAndTheFormulaStartEnabled()
    {
        MainWindow w;
        const char *enabled[] = {"btn_OpenVideo", "btn_OpenImg", "btn_About", "ed_SetPlayTime",
                                 "sl_ImgSize", "sb_ImgSize", "tb_Result", "tb_Rate"};
        const char *disabled[] = {
            "btn_Play", "btn_PlayStop", "btn_PlayBack", "btn_PlayPause", "btn_PlaySpeed",
            "btn_Result", "btn_LastImg", "btn_NextImg", "btn_Right", "btn_Error", "btn_More",
            "btn_FeiJiDong", "btn_PlateInvain", "btn_OutPut", "btn_SeepSaveAs"};
        for (const char *name : enabled)
            QVERIFY2(child(w, name)->isEnabled(), name);
        for (const char *name : disabled)
            QVERIFY2(!child(w, name)->isEnabled(), name);
    }

    void imageFolderIsCreatedOrLeftAlone()
    {
        QTemporaryDir empty;
        QVERIFY(QDir::setCurrent(empty.path()));
        { MainWindow w; }
        QVERIFY(QFileInfo(empty.filePath(QStringLiteral("image"))).isDir());

        // an existing folder keeps what it holds
        QFile kept(empty.filePath(QStringLiteral("image/kept.jpg")));
        QVERIFY(kept.open(QIODevice::WriteOnly));
        kept.write("x");
        kept.close();
        { MainWindow w; }
        QVERIFY(kept.exists());
        QCOMPARE(kept.size(), qint64(1));
        QVERIFY(QDir::setCurrent(workDir.path()));
    }

    void wheelZoomsThroughTheSlider()
    {
        MainWindow w;
        auto *slider = child<QSlider>(w, "sl_ImgSize");
        auto *spin = child<QSpinBox>(w, "sb_ImgSize");
        QWidget *view = w.findChild<ShowImage *>();
        QCOMPARE(slider->value(), 100);

        wheel(view, QPoint(0, 120)); // one notch over the picture
        QCOMPARE(slider->value(), 115);
        QCOMPARE(spin->value(), 115);
        wheel(view, QPoint(0, -7)); // -7 / 8 is 0
        QCOMPARE(slider->value(), 115);
        wheel(view, QPoint(120, 0)); // horizontal like vertical
        QCOMPARE(slider->value(), 130);
        wheel(view, QPoint(0, -120));
        QCOMPARE(slider->value(), 115);
        for (int i = 0; i < 20; ++i)
            wheel(view, QPoint(0, 120));
        QCOMPARE(slider->value(), 250);
        QCOMPARE(spin->value(), 250);
        for (int i = 0; i < 20; ++i)
            wheel(view, QPoint(0, -120));
        QCOMPARE(slider->value(), 100);
    }

    void sliderAndSpinBoxMirrorEachOther()
    {
        MainWindow w;
        auto *slider = child<QSlider>(w, "sl_ImgSize");
        auto *spin = child<QSpinBox>(w, "sb_ImgSize");
        spin->setValue(180);
        QCOMPARE(slider->value(), 180);
        slider->setValue(120);
        QCOMPARE(spin->value(), 120);
        spin->setValue(400);
        QCOMPARE(slider->value(), 250);
    }

    void zoomControlsHandTheFocusBackToPlayback()
    {
        MainWindow w;
        w.show();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        auto *slider = child<QSlider>(w, "sl_ImgSize");
        auto *spin = child<QSpinBox>(w, "sb_ImgSize");
        QWidget *openImg = child(w, "btn_OpenImg");

        // no recording yet: both playback buttons are disabled, focus stays
        openImg->setFocus();
        slider->setValue(140);
        QCOMPARE(QApplication::focusWidget(), openImg);

        // playing: the pause button takes the focus after any zoom control
        child(w, "btn_Play")->setEnabled(true);
        child(w, "btn_PlayPause")->setEnabled(true);
        openImg->setFocus();
        slider->setValue(150);
        QCOMPARE(QApplication::focusWidget(), child(w, "btn_PlayPause"));

        openImg->setFocus();
        slider->setSliderDown(true); // the reviewer grabs the handle
        slider->setSliderDown(false);
        QCOMPARE(QApplication::focusWidget(), child(w, "btn_PlayPause"));

        spin->setFocus();
        QTest::keyClick(spin, Qt::Key_Return);
        QCOMPARE(QApplication::focusWidget(), child(w, "btn_PlayPause"));
    }

    // Last: the translation stays installed.
    void qtTextsAreChineseAndTheToolTipsNameTheKeys()
    {
        QVERIFY(loadQtTranslations(*qApp));
        MainWindow w;
        QCOMPARE(child(w, "btn_PlayPause")->toolTip(), QStringLiteral("快捷键：空格"));
        QCOMPARE(child(w, "btn_Right")->toolTip(), QStringLiteral("快捷键：1\nCtrl+Z：撤销上一次判定"));
        QCOMPARE(child(w, "btn_NextImg")->toolTip(), QStringLiteral("快捷键：右方向、PgDown"));
        QCOMPARE(QMessageBox::tr("Show Details..."), QStringLiteral("显示详情..."));
    }
};

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
