#include "aboutdlg.h"
#include "mainwindow.h"
#include "report.h"

#include "dialogs.h"
#include "file_limit.h"
#include "widgets.h"

#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QtTest>

#include <optional>

// The rates, the export and the formula dialog through the real window. After
// a dialog without parent the window may stay inactive here (no window
// manager), so the focus hand-back is read as the window's own focus widget.
class TestReportWindow : public QObject
{
    Q_OBJECT

    QTemporaryDir workDir; // the window files into "image" below the current folder
    QString startDir = QDir::currentPath();

private slots:
    void initTestCase() { QVERIFY(QDir::setCurrent(workDir.path())); }
    void cleanupTestCase() { QDir::setCurrent(startDir); }

    void statisticsThenExport_data()
    {
        QTest::addColumn<QString>("name"); // below a folder holding "earlier.csv"; empty cancels
        QTest::addColumn<int>("sizeLimit"); // 0: none
        QTest::addColumn<QStringList>("said");
        QTest::addColumn<QString>("focus");
        QTest::newRow("new report, name as chosen") << "统计 结果" << 0 << QStringList() << "btn_PlayPause";
        QTest::newRow("cancelled") << "" << 0 << QStringList() << "btn_OutPut";
        QTest::newRow("full disk over an earlier report")
            << "earlier.csv" << 64 << QStringList{"提示|文件保存失败"} << "btn_PlayPause";
    }

    void statisticsThenExport()
    {
        QFETCH(QString, name);
        QFETCH(int, sizeLimit);
        QFETCH(QStringList, said);
        QFETCH(QString, focus);
        QTemporaryDir dir;
        QFile earlier(dir.filePath("earlier.csv"));
        QVERIFY(earlier.open(QIODevice::WriteOnly) && earlier.write("kept") == 4);
        earlier.close();

        MainWindow w;
        w.show();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        for (const char *button : {"btn_Play", "btn_PlayPause", "btn_Result", "btn_OutPut"})
            child(w, button)->setEnabled(true);
        const QStringList counts{"10", "1", "6", "2", "3", "1"};
        for (int row = 0; row < 6; ++row)
            child<QTableWidget>(w, "tb_Result")->item(row, 0)->setText(counts[row]);
        w.plateInvalidCount = 1;
        QTest::mouseClick(child(w, "btn_Result"), Qt::LeftButton);
        QStringList rates;
        for (int row = 0; row < 4; ++row)
            rates << child<QTableWidget>(w, "tb_Rate")->item(row, 0)->text();
        QCOMPARE(rates, (QStringList{"90.00%", "75.00%", "40.00%", "60.00%"}));

        // The limit holds from the dialog's end (it saves its own settings
        // as it closes) until the click returns.
        FileSizeLimit limit;
        std::optional<Notices> notices;
        const QString path = name.isEmpty() ? QString() : dir.filePath(name);
        onNextModal([&](QWidget *modal) {
            auto *dialog = qobject_cast<QFileDialog *>(modal);
            connect(modal, &QObject::destroyed, [&] {
                QVERIFY(!sizeLimit || limit.apply(rlim_t(sizeLimit)));
                notices.emplace();
            });
            if (path.isEmpty() || !dialog) {
                modal->close();
                return;
            }
            if (QFileInfo::exists(path)) // the reviewer confirms replacing it
                onNextModal([](QWidget *box) { qobject_cast<QMessageBox *>(box)->button(QMessageBox::Yes)->click(); });
            dialog->selectFile(path);
            static_cast<QDialog *>(dialog)->accept();
        });
        QTest::mouseClick(child(w, "btn_OutPut"), Qt::LeftButton);
        limit.lift();

        QVERIFY(notices);
        QCOMPARE(notices->said, said);
        QCOMPARE(w.focusWidget()->objectName(), focus);
        const bool wrote = !name.isEmpty() && !sizeLimit;
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files),
                 (wrote ? QStringList{"earlier.csv", name} : QStringList{"earlier.csv"}));
        QVERIFY(earlier.open(QIODevice::ReadOnly));
        QCOMPARE(earlier.readAll(), QByteArray("kept"));
        if (wrote) {
            QFile report(path);
            QVERIFY(report.open(QIODevice::ReadOnly));
            QCOMPARE(report.readAll(), reportBytes(counts, rates));
        }
    }

    void formulaDialogShowsTheFiveDefinitions()
    {
        AboutDlg dialog;
        QCOMPARE(dialog.windowTitle(), QStringLiteral("公式参考"));
        const QPair<const char *, QString> rows[] = {
            {"la1", "1.过车总数=正确识别+错误识别+捕获但车牌无效+漏拍"},
            {"la2", "2.捕获率=（正确识别+错误识别+捕获但车牌无效）/过车总数"},
            {"la3", "3.识别率=正确识别/（正确识别+错误识别）"},
            {"la4", "4.多拍率=（多拍空拍+非机动车）/（正确识别+错误识别+捕获但车牌无效+非机动车）"},
            {"label", "5.综合识别率=正确识别/过车总数"},
            {"btn_Ok", "确定"},
        };
        auto *grid = child<QGridLayout>(dialog, "gridLayout");
        for (int i = 0; i < 6; ++i) {
            QWidget *widget = child(dialog, rows[i].first);
            int row, column, rowSpan, columnSpan;
            grid->getItemPosition(grid->indexOf(widget), &row, &column, &rowSpan, &columnSpan);
            QCOMPARE(QVector<int>({row, column, rowSpan, columnSpan}), QVector<int>({i, 0, 1, 1}));
            auto *label = qobject_cast<QLabel *>(widget);
            QCOMPARE(label ? label->text() : child<QPushButton>(dialog, "btn_Ok")->text(), rows[i].second);
        }
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        for (const int width : {527, 1200}) {
            dialog.resize(width, 458);
            QCoreApplication::processEvents();
            QVERIFY(child(dialog, "btn_Ok")->width() <= 80);
        }
        QCOMPARE(child(dialog, "btn_Ok")->layoutDirection(), Qt::RightToLeft);
    }

    void formulaButtonOpensAFreshDialogEachTime_data()
    {
        QTest::addColumn<bool>("byOk"); // else by the window frame
        QTest::newRow("closed by 确定") << true;
        QTest::newRow("closed by the frame") << false;
    }

    void formulaButtonOpensAFreshDialogEachTime()
    {
        QFETCH(bool, byOk);
        MainWindow w;
        w.show();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        child(w, "btn_PlayPause")->setEnabled(true);
        for (int press = 0; press < 2; ++press) {
            QPointer<QWidget> shown;
            onNextModal([&](QWidget *modal) {
                shown = modal;
                if (byOk)
                    QTest::mouseClick(child(*modal, "btn_Ok"), Qt::LeftButton);
                else
                    modal->close();
            });
            QTest::mouseClick(child(w, "btn_About"), Qt::LeftButton);
            // the click returned: the dialog was modal, has closed and is gone
            QVERIFY(!shown);
            QCOMPARE(w.focusWidget(), child(w, "btn_PlayPause"));
        }
    }
};

QTEST_MAIN(TestReportWindow)
#include "tst_reportwindow.moc"
