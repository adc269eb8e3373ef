#include "capturegen.h"
#include "mainwindow.h"
#include "widgets.h"
#include "xsession.h"

#include <cstdio>

#include <QApplication>
#include <QPainter>
#include <QScreen>
#include <QTemporaryDir>
#include <QtTest>

// The real program under its own X display, driven by keys and clicks:
// killed between two filings, started again and resumed with 是, it shows
// the counts and the position it showed before.
class TestResumeX11 : public QObject
{
    Q_OBJECT

    XSession &x;
    QTemporaryDir work; // the program's current folder, and this one's
    QProcess program;
    QString pictures;
    unsigned long window = 0;
    QHash<QByteArray, QRect> controls; // where the program's controls are

    QRect where(const char *name) { return controls.value(name); }

    bool xdo(const QStringList &args) { return !x.xdotool(args).isNull(); }
    bool showing(const QString &title)
    {
        return !x.xdotool({"search", "--onlyvisible", "--name", '^' + title + '$'}).trimmed().isEmpty();
    }

    bool startProgram()
    {
        x.startProgram(program, QStringLiteral(RECOGSTAT_PROGRAM), work.path());
        if (!program.waitForStarted())
            return false;
        window = x.waitForTitle(QStringLiteral("智能交通识别统计工具"));
        const QByteArray shape = x.xdotool({"getwindowgeometry", "--shell", QString::number(window)});
        if (!window || shape.isNull())
            return false;
        QSize size;
        for (const QByteArray &line : shape.split('\n')) {
            if (line.startsWith("WIDTH="))
                size.setWidth(line.mid(6).toInt());
            if (line.startsWith("HEIGHT="))
                size.setHeight(line.mid(7).toInt());
        }
        // The form lays out the same in this process, on the same display
        // and fonts, at the same size.
        MainWindow layout;
        layout.setAttribute(Qt::WA_DontShowOnScreen);
        layout.resize(size);
        layout.show();
        for (QWidget *control : layout.findChildren<QWidget *>())
            controls.insert(control->objectName().toLatin1(),
                            QRect(control->mapTo(&layout, QPoint(0, 0)), control->size()));
        return !size.isEmpty();
    }

    // Clicks a control of the program, then answers the file dialog that
    // opens with `path`.
    bool choose(const char *button, const char *dialog, const QString &path)
    {
        const QPoint at = where(button).center();
        if (!xdo({"mousemove", "--window", QString::number(window), QString::number(at.x()),
                  QString::number(at.y()), "click", "1"})
            || !x.waitForTitle(QString::fromUtf8(dialog)))
            return false;
        if (!xdo({"type", "--delay", "10", path}))
            return false;
        // Return may find the name completer's list open and only close
        // it: then once more, while the dialog stays.
        const QString title = QString::fromUtf8(dialog);
        for (int tries = 0; tries < 5 && showing(title); ++tries) {
            xdo({"key", "Return"});
            QTest::qWait(300);
        }
        return !showing(title) && xdo({"mousemove", "0", "0"}); // no hover, no tool tip
    }

    // What the program shows of the review: the counts, the position, the
    // name, the processed mark and the plate text, as pixels.
    QVector<QImage> review()
    {
        QVector<QImage> seen;
        for (const char *name : {"tb_Result", "la_ImgNum", "la_FileName", "la_ImgFlag", "la_ShowCarImg"}) {
            const QRect r = where(name);
            seen << QGuiApplication::primaryScreen()
                        ->grabWindow(WId(window), r.x(), r.y(), r.width(), r.height())
                        .toImage();
        }
        // The vehicles found in the recording ("检测到 N 辆", in the counts
        // table) belong to the recording, which the resumed review does not open.
        QPainter(&seen[0]).fillRect(where("la_Detected").translated(-where("tb_Result").topLeft()), Qt::black);
        return seen;
    }

    // The review once it has stood still for a moment.
    QVector<QImage> settledReview()
    {
        QVector<QImage> last = review();
        for (int still = 0; still < 3; QTest::qWait(100)) {
            const QVector<QImage> now = review();
            still = now == last ? still + 1 : 0;
            last = now;
        }
        return last;
    }

    int journalLines()
    {
        const QDir journals(work.filePath("image/审核记录"));
        QFile file(journals.filePath(journals.entryList(QDir::Files).value(0)));
        return file.open(QIODevice::ReadOnly) ? file.readAll().count('\n') : 0;
    }

public:
    explicit TestResumeX11(XSession &session)
        : x(session)
    {
    }

private slots:
    // What the screen showed when a case failed, beside the test.
    void cleanup()
    {
        if (QTest::currentTestFailed())
            QGuiApplication::primaryScreen()->grabWindow(0).save(
                QCoreApplication::applicationDirPath() + "/tst_resume_x11-failed.png");
        program.kill();
        program.waitForFinished();
    }

    void initTestCase()
    {
        QVERIFY(work.isValid());
        QVERIFY(QDir::setCurrent(work.path()));
        pictures = work.filePath("pictures");
        QDir().mkpath(pictures);
        for (int i = 1; i <= 6; ++i) {
            QFile f(pictures + QStringLiteral("/p%1.jpg").arg(i));
            const QByteArray bytes = CaptureGen::render(CaptureGen::sceneFor(3, i, QSize(640, 360)), 51201, 0);
            QVERIFY(f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size());
        }
    }

    void killedBetweenTwoFilingsResumesAsItWas()
    {
        QVERIFY(startProgram());
        QVERIFY(choose("btn_OpenVideo", "打开录像", QStringLiteral(TEST_RECORDING)));
        QVERIFY(choose("btn_OpenImg", "选择文件夹", pictures));
        const QVector<QImage> fresh = settledReview();

        // 识别正确, a missed vehicle, 捕获但车牌无效, 识别错误: four changes,
        // each on the disk before the next key
        int lines = 1; // the folder's
        QVERIFY(x.waitForFocus(window));
        for (const char *key : {"1", "0", "5", "2"}) {
            QVERIFY(xdo({"key", key}));
            ++lines;
            QTRY_COMPARE_WITH_TIMEOUT(journalLines(), lines, 10000);
        }
        const QVector<QImage> before = settledReview();
        QVERIFY(before != fresh);
        QTRY_COMPARE(QDir(work.filePath("image/漏拍")).entryList(QDir::Files).size(), 1);

        program.kill(); // SIGKILL: nothing of the program's own runs
        QVERIFY(program.waitForFinished());
        QCOMPARE(program.exitStatus(), QProcess::CrashExit);

        QVERIFY(startProgram());
        QVERIFY(choose("btn_OpenImg", "选择文件夹", pictures));
        QVERIFY(x.waitForTitle(QStringLiteral("提示")));
        QVERIFY(xdo({"key", "Return"})); // 是, the default
        QTRY_VERIFY_WITH_TIMEOUT(review() == before, 10000);

        // and the review goes on from there
        QVERIFY(x.waitForFocus(window));
        QVERIFY(xdo({"key", "3"}));
        QTRY_COMPARE_WITH_TIMEOUT(journalLines(), lines + 1, 10000);
    }
};

// The test's own display first: this process draws on it too, to find the
// program's controls and to read its screen.
int main(int argc, char *argv[])
{
    XSession session;
    QString why;
    if (XSession::lacking(&why)) {
        std::printf("skipped: %s\n", qPrintable(why));
        return XSession::Skipped;
    }
    if (!session.start(&why)) {
        qCritical("%s", qPrintable(why));
        return 1;
    }
    qputenv("QT_QPA_PLATFORM", "xcb");
    QApplication app(argc, argv);
    TestResumeX11 test(session);
    return QTest::qExec(&test, argc, argv);
}

#include "tst_resume_x11.moc"
