#include "aboutdlg.h"
#include "mainwindow.h"
#include "report.h"

#include "file_limit.h"
#include "fixtures.h"

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

    FreshFolder workFolder; // "image" below it

private slots:
    void init()
    {
        QVERIFY(workFolder.renew());
    }

    void statisticsThenExport_data()
    {
        QTest::addColumn<QString>("name"); // below a folder holding "earlier.csv"; empty cancels
        QTest::addColumn<QString>("file"); // what is written; empty: nothing
        QTest::addColumn<bool>("computed"); // "统计结果" pressed first
        QTest::addColumn<int>("sizeLimit"); // 0: none
        QTest::addColumn<QStringList>("said");
        QTest::addColumn<QString>("focus");
        QTest::newRow("new report, .csv added") << "统计 结果" << "统计 结果.csv" << true << 0
                                                 << QStringList() << "btn_PlayPause";
        QTest::newRow("without 统计结果: the rates of the counts written")
            << "r.csv" << "r.csv" << false << 0 << QStringList() << "btn_PlayPause";
        QTest::newRow("cancelled") << "" << "" << true << 0 << QStringList() << "btn_OutPut";
        QTest::newRow("full disk over an earlier report")
            << "earlier.csv" << "" << true << 64 << QStringList{"提示|文件保存失败"} << "btn_PlayPause";
    }

    void statisticsThenExport()
    {
        QFETCH(QString, name);
        QFETCH(QString, file);
        QFETCH(bool, computed);
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
        for (const char *button : {"btn_Play", "btn_PlayPause"})
            child(w, button)->setEnabled(true);
        // the plate-invalid count, which no cell shows, from a filing
        openFolder(w, threePictures());
        click(w, "btn_PlateInvain");
        const QStringList counts{"10", "1", "6", "2", "3", "1"};
        for (int row = 0; row < 6; ++row)
            child<QTableWidget>(w, "tb_Result")->item(row, 0)->setText(counts[row]);
        if (computed)
            QTest::mouseClick(child(w, "btn_Result"), Qt::LeftButton);
        const QStringList rates{"90.00%", "75.00%", "40.00%", "60.00%"};
        const auto shownRates = [&w] {
            QStringList texts;
            for (int row = 0; row < 4; ++row)
                texts << child<QTableWidget>(w, "tb_Rate")->item(row, 0)->text();
            return texts;
        };
        QCOMPARE(shownRates(), computed ? rates : (QStringList{"0", "0", "0", "0"}));

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
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files),
                 (file.isEmpty() ? QStringList{"earlier.csv"} : QStringList{"earlier.csv", file}));
        QVERIFY(earlier.open(QIODevice::ReadOnly));
        QCOMPARE(earlier.readAll(), QByteArray("kept"));
        if (!file.isEmpty()) {
            QFile report(dir.filePath(file));
            QVERIFY(report.open(QIODevice::ReadOnly));
            QCOMPARE(report.readAll(), reportBytes(counts, rates));
            QCOMPARE(shownRates(), rates);
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
        // bold, and the longest line wrapped rather than widening the dialog
        QCOMPARE(dialog.size(), QSize(527, 458));
        auto *longest = child<QLabel>(dialog, "la4");
        QVERIFY(longest->font().bold());
        QVERIFY(longest->height() >= longest->heightForWidth(longest->width()));
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
