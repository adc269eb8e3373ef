#include "aboutdlg.h"
#include "mainwindow.h"

#include "dialogs.h"
#include "file_limit.h"

#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTextCodec>
#include <QtTest>

#include <functional>
#include <optional>

namespace {

// What the export's save dialog looked like to the reviewer.
struct SaveDialogSeen
{
    bool seen = false;
    QString title;
    QStringList filters;
    bool parentless = false;
};

// Answers the next save dialog with `path` (empty: cancels it), confirms the
// replacing of an existing file as the reviewer would, and runs `closed`
// once the dialog is gone.
void answerSaveDialog(const QString &path, SaveDialogSeen *seen, std::function<void()> closed)
{
    onNextModal([=](QWidget *modal) {
        auto *dialog = qobject_cast<QFileDialog *>(modal);
        if (!dialog) {
            qWarning("expected a file dialog, got %s", modal->metaObject()->className());
            modal->close();
            return;
        }
        *seen = {true, dialog->windowTitle(), dialog->nameFilters(), !dialog->parentWidget()};
        QObject::connect(dialog, &QObject::destroyed, closed);
        if (path.isEmpty()) {
            dialog->reject();
            return;
        }
        if (QFileInfo::exists(path)) {
            onNextModal([](QWidget *question) {
                if (auto *box = qobject_cast<QMessageBox *>(question))
                    box->button(QMessageBox::Yes)->click();
                else
                    question->close();
            });
        }
        dialog->selectFile(path);
        static_cast<QDialog *>(dialog)->accept(); // QFileDialog's own is protected
    });
}

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QStringList entriesOf(const QString &folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
}

} // namespace

// The rates, the export and the formula dialog through the real window, the
// way the reviewer meets them.
class TestReportWindow : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir workDir;
    QString startDir;

    template <typename T = QWidget>
    static T *child(QWidget &w, const char *name)
    {
        T *found = w.findChild<T *>(QLatin1String(name));
        if (!found)
            qFatal("no child %s", name);
        return found;
    }

    static void setColumn(QTableWidget *table, const QStringList &texts)
    {
        for (int row = 0; row < texts.size(); ++row)
            table->item(row, 0)->setText(texts[row]);
    }

    static QStringList column(QTableWidget *table)
    {
        QStringList texts;
        for (int row = 0; row < table->rowCount(); ++row)
            texts << table->item(row, 0)->text();
        return texts;
    }

    // A shown, active window with a recording playing (as far as the focus
    // is concerned) and the review buttons enabled. After a dialog without
    // parent the window may be left inactive (no window manager here), so
    // the focus is read as the window's own focus widget, the one that has
    // the focus as soon as the window is active again.
    static void prepare(MainWindow &w)
    {
        w.show();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        for (const char *name : {"btn_Play", "btn_PlayPause", "btn_Result", "btn_OutPut"})
            child(w, name)->setEnabled(true);
    }

    // The worked example in the counts table, and its rates computed.
    void fillWorkedExample(MainWindow &w)
    {
        setColumn(child<QTableWidget>(w, "tb_Result"), {"10", "1", "6", "2", "3", "1"});
        w.plateInvalidCount = 1;
        QTest::mouseClick(child(w, "btn_Result"), Qt::LeftButton);
    }

private slots:
    void initTestCase()
    {
        startDir = QDir::currentPath();
        QVERIFY(QDir::setCurrent(workDir.path()));
    }

    void cleanupTestCase() { QDir::setCurrent(startDir); }

    void statisticsFillTheRatesFromTheTallies()
    {
        MainWindow w;
        prepare(w);
        auto *rates = child<QTableWidget>(w, "tb_Rate");
        fillWorkedExample(w);
        const QStringList expected{"90.00%", "75.00%", "40.00%", "60.00%"};
        QCOMPARE(column(rates), expected);
        QCOMPARE(QApplication::focusWidget(), child(w, "btn_PlayPause"));
        // the tallies are read, never changed; a second press says the same
        QCOMPARE(column(child<QTableWidget>(w, "tb_Result")),
                 (QStringList{"10", "1", "6", "2", "3", "1"}));
        QCOMPARE(w.plateInvalidCount, 1);
        QTest::mouseClick(child(w, "btn_Result"), Qt::LeftButton);
        QCOMPARE(column(rates), expected);

        // the next press follows the tallies as they stand
        w.plateInvalidCount = 0;
        QTest::mouseClick(child(w, "btn_Result"), Qt::LeftButton);
        QCOMPARE(column(rates), (QStringList{"80.00%", "75.00%", "44.44%", "60.00%"}));
    }

    void exportWritesTheTablesAsShown()
    {
        MainWindow w;
        prepare(w);
        fillWorkedExample(w);
        QTemporaryDir dir;
        // the name exactly as chosen: no ".csv" added
        const QString path = dir.filePath(QStringLiteral("统计 结果"));
        SaveDialogSeen seen;
        answerSaveDialog(path, &seen, [] {});
        Notices notices;
        QTest::mouseClick(child(w, "btn_OutPut"), Qt::LeftButton);

        QVERIFY(seen.seen);
        QCOMPARE(seen.title, QStringLiteral("Save File"));
        QCOMPARE(seen.filters, QStringList{"file (*.csv)"});
        QVERIFY(seen.parentless);
        QCOMPARE(entriesOf(dir.path()), QStringList{"统计 结果"});
        const QByteArray bytes = readAll(path);
        QCOMPARE(bytes.size(), 129);
        // what a spreadsheet reading GB18030 shows
        QCOMPARE(QTextCodec::codecForName("gb18030")->toUnicode(bytes),
                 QStringLiteral("视频过车,漏拍,识别正确,识别错误,多拍空拍,非机动车\r\n"
                                "10,1,6,2,3,1,\r\n\r\n"
                                "捕获率,识别率,误拍率,综合识别率,\r\n"
                                "90.00%,75.00%,40.00%,60.00%"));
        QCOMPARE(notices.said, QStringList());
        QCOMPARE(w.focusWidget(), child(w, "btn_PlayPause"));
    }

    void exportThatCannotWriteChangesNothing_data()
    {
        QTest::addColumn<QString>("name"); // below a fresh folder; empty cancels
        QTest::addColumn<int>("sizeLimit"); // 0: none
        QTest::addColumn<QStringList>("said");
        QTest::addColumn<QString>("focus");

        const QStringList failed{"提示|文件保存失败"};
        QTest::newRow("cancelled") << QString() << 0 << QStringList() << "btn_OutPut";
        QTest::newRow("missing folder") << "missing/report.csv" << 0 << failed << "btn_PlayPause";
        QTest::newRow("full disk over an earlier report")
            << "earlier.csv" << 64 << failed << "btn_PlayPause";
    }

    void exportThatCannotWriteChangesNothing()
    {
        QFETCH(QString, name);
        QFETCH(int, sizeLimit);
        QFETCH(QStringList, said);
        QFETCH(QString, focus);

        QTemporaryDir dir;
        const QByteArray earlier = "an earlier report";
        {
            QFile file(dir.filePath(QStringLiteral("earlier.csv")));
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(earlier);
        }
        MainWindow w;
        prepare(w);
        fillWorkedExample(w);

        // The limit holds from the dialog's end (which saves the dialog's
        // own settings) until the click returns.
        FileSizeLimit limit{rlim_t(sizeLimit)};
        std::optional<Notices> notices;
        SaveDialogSeen seen;
        answerSaveDialog(name.isEmpty() ? QString() : dir.filePath(name), &seen, [&] {
            if (sizeLimit)
                limit.apply();
            notices.emplace();
        });
        QTest::mouseClick(child(w, "btn_OutPut"), Qt::LeftButton);
        const bool limited = limit.isApplied();
        limit.lift();

        QVERIFY(seen.seen);
        QCOMPARE(limited, sizeLimit != 0);
        QVERIFY(notices);
        QCOMPARE(notices->said, said);
        QCOMPARE(entriesOf(dir.path()), QStringList{"earlier.csv"});
        QCOMPARE(readAll(dir.filePath(QStringLiteral("earlier.csv"))), earlier);
        QCOMPARE(w.focusWidget()->objectName(), focus);
    }

    void formulaDialogShowsTheFiveDefinitions()
    {
        AboutDlg dialog;
        QCOMPARE(dialog.windowTitle(), QStringLiteral("公式参考"));
        QCOMPARE(dialog.styleSheet(), QStringLiteral("font: 75 10pt \"微软雅黑\";"));
        QCOMPARE(dialog.size(), QSize(527, 458));

        struct Line { const char *name; int row; QString text; };
        const Line lines[] = {
            {"la1", 0, "1.过车总数=正确识别+错误识别+捕获但车牌无效+漏拍"},
            {"la2", 1, "2.捕获率=（正确识别+错误识别+捕获但车牌无效）/过车总数"},
            {"la3", 2, "3.识别率=正确识别/（正确识别+错误识别）"},
            {"la4", 3, "4.多拍率=（多拍空拍+非机动车）/（正确识别+错误识别+捕获但车牌无效+非机动车）"},
            {"label", 4, "5.综合识别率=正确识别/过车总数"},
            {"btn_Ok", 5, "确定"},
        };
        auto *grid = dialog.findChild<QGridLayout *>(QStringLiteral("gridLayout"));
        QVERIFY(grid);
        QCOMPARE(grid->count(), 6);
        for (const Line &line : lines) {
            QWidget *widget = child(dialog, line.name);
            int row, col, rowSpan, colSpan;
            grid->getItemPosition(grid->indexOf(widget), &row, &col, &rowSpan, &colSpan);
            QCOMPARE(QVector<int>({row, col, rowSpan, colSpan}), QVector<int>({line.row, 0, 1, 1}));
            const QString text = qobject_cast<QLabel *>(widget)
                                     ? qobject_cast<QLabel *>(widget)->text()
                                     : qobject_cast<QPushButton *>(widget)->text();
            QCOMPARE(text, line.text);
        }
    }

    void okButtonStaysNarrow()
    {
        AboutDlg dialog;
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        auto *ok = child<QPushButton>(dialog, "btn_Ok");
        QCOMPARE(ok->layoutDirection(), Qt::RightToLeft);
        for (const int width : {527, 1200, 300}) {
            dialog.resize(width, 458);
            QCoreApplication::processEvents();
            QVERIFY2(ok->width() <= 80, qPrintable(QString::number(ok->width())));
            QVERIFY(ok->width() > 0);
        }
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
        prepare(w);
        for (int press = 0; press < 2; ++press) {
            QPointer<QWidget> shown;
            bool parentless = false;
            QString firstLine;
            onNextModal([&](QWidget *modal) {
                shown = modal;
                parentless = !modal->parentWidget();
                if (auto *la1 = modal->findChild<QLabel *>(QStringLiteral("la1")))
                    firstLine = la1->text();
                auto *ok = modal->findChild<QPushButton *>(QStringLiteral("btn_Ok"));
                if (byOk && ok)
                    QTest::mouseClick(ok, Qt::LeftButton);
                else
                    modal->close();
            });
            QTest::mouseClick(child(w, "btn_About"), Qt::LeftButton);
            // the slot returned: the dialog was modal, has closed and is gone
            QVERIFY(!shown);
            QVERIFY(parentless);
            QCOMPARE(firstLine, QStringLiteral("1.过车总数=正确识别+错误识别+捕获但车牌无效+漏拍"));
            QCOMPARE(w.focusWidget(), child(w, "btn_PlayPause"));
        }
    }
};

QTEST_MAIN(TestReportWindow)
#include "tst_reportwindow.moc"
