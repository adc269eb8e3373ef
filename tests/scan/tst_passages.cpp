// The window's scan (PassageScanner on its worker thread) beside recogscan,
// its cache, its cancel, and the counting line kept per folder.
#include "passages.h"

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace {

const QString Media = QStringLiteral(SCAN_TEST_MEDIA);

QStringList rowsOf(const QVector<scan::Passage> &passages)
{
    QStringList rows;
    for (const scan::Passage &p : passages)
        rows << QString::number(p.ms) + QLatin1Char(',') + QLatin1String(scan::directionName(p.direction));
    return rows;
}

// Runs one scan to its end; the passages as they came one by one.
PassageOutcome scanned(PassageScanner &scanner, const QString &path, const scan::Line &line,
                       QVector<scan::Passage> *oneByOne = nullptr)
{
    QSignalSpy finished(&scanner, &PassageScanner::finished);
    QSignalSpy found(&scanner, &PassageScanner::found);
    scanner.start(path, line);
    if (!finished.wait(60000))
        return {};
    if (oneByOne)
        for (const QList<QVariant> &args : found)
            oneByOne->push_back(args.at(0).value<scan::Passage>());
    return finished.at(0).at(0).value<PassageOutcome>();
}

} // namespace

class TestPassages : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> work;

private slots:
    // The cache and the lines go below the current folder, as the program's do.
    void init()
    {
        work = std::make_unique<QTemporaryDir>();
        QVERIFY(QDir::setCurrent(work->path()));
    }

    void sameAsRecogscan()
    {
        PassageScanner scanner;
        QVector<scan::Passage> oneByOne;
        const PassageOutcome outcome = scanned(scanner, Media + "/mixed.ts", {}, &oneByOne);
        QCOMPARE(outcome.status, scan::Status::Done);
        QVERIFY(!outcome.fromCache);
        QVERIFY(outcome.passages.size() >= 10);
        std::sort(oneByOne.begin(), oneByOne.end(),
                  [](const scan::Passage &p, const scan::Passage &q) { return p.ms < q.ms; });
        QCOMPARE(rowsOf(oneByOne), rowsOf(outcome.passages));

        QProcess tool;
        tool.start(QStringLiteral(RECOGSCAN), {Media + "/mixed.ts", "--csv", work->filePath("found.csv")});
        QVERIFY(tool.waitForFinished(60000));
        QCOMPARE(tool.exitCode(), 0);
        QFile csv(work->filePath("found.csv"));
        QVERIFY(csv.open(QIODevice::ReadOnly));
        QStringList fromTool;
        for (const QByteArray &line : csv.readAll().split('\n').mid(1))
            if (!line.isEmpty()) {
                const QList<QByteArray> f = line.split(',');
                fromTool << QString::fromLatin1(f[1] + ',' + f[2]);
            }
        QCOMPARE(fromTool, rowsOf(outcome.passages));
    }

    void cacheAnswersOnlyForItsRecordingAndLine_data()
    {
        QTest::addColumn<QString>("change");
        QTest::addColumn<bool>("fromCache");
        QTest::newRow("reopened") << "" << true;
        QTest::newRow("cache damaged") << "damage" << false;
        QTest::newRow("cache cut short") << "cut" << false;
        QTest::newRow("recording modified") << "touch" << false;
        QTest::newRow("another line") << "line" << false;
    }

    void cacheAnswersOnlyForItsRecordingAndLine()
    {
        QFETCH(QString, change);
        QFETCH(bool, fromCache);
        const QString recording = work->filePath("road.ts");
        QVERIFY(QFile::copy(Media + "/mixed.ts", recording));
        PassageScanner scanner;
        const PassageOutcome first = scanned(scanner, recording, {});
        QVERIFY(!first.fromCache);
        const QString cache = PassageCache::fileFor(recording, {});
        QVERIFY(QFile::exists(cache));

        scan::Line line;
        QFile file(cache);
        if (change == "damage" || change == "cut") {
            QVERIFY(file.open(QIODevice::ReadWrite));
            QByteArray bytes = file.readAll();
            if (change == "damage")
                bytes[bytes.size() / 2] = bytes[bytes.size() / 2] == '1' ? '2' : '1';
            else
                bytes.chop(bytes.size() / 3);
            file.resize(0);
            file.write(bytes);
            file.close();
        } else if (change == "touch") {
            QFile r(recording);
            QVERIFY(r.open(QIODevice::ReadWrite));
            QVERIFY(r.setFileTime(QDateTime::currentDateTime().addSecs(-3600), QFileDevice::FileModificationTime));
        } else if (change == "line") {
            line = {{0, 0.5}, {1, 0.5}};
        }
        const PassageOutcome again = scanned(scanner, recording, line);
        QCOMPARE(again.fromCache, fromCache);
        QCOMPARE(again.status, scan::Status::Done);
        if (line == scan::Line{})
            QCOMPARE(rowsOf(again.passages), rowsOf(first.passages));
        // A rebuilt cache answers the next time.
        QVERIFY(scanned(scanner, recording, line).fromCache);
    }

    // Cancelled, nothing more comes; destroyed mid-scan (the window closing),
    // it is gone within half a second.
    void cancelAndCloseDuringAScan()
    {
        auto scanner = std::make_unique<PassageScanner>();
        QSignalSpy progress(scanner.get(), &PassageScanner::progress);
        QSignalSpy finished(scanner.get(), &PassageScanner::finished);
        scanner->start(Media + "/restart.ts", {});
        QVERIFY(progress.wait(10000));
        scanner->cancel();
        QVERIFY(!scanner->running());
        QTest::qWait(300);
        QCOMPARE(finished.count(), 0);

        scanner->start(Media + "/restart.ts", {});
        QVERIFY(progress.wait(10000));
        QElapsedTimer clock;
        clock.start();
        scanner.reset();
        QVERIFY2(clock.elapsed() < 500, qPrintable(QString::number(clock.elapsed())));
    }

    void unreadableRecording()
    {
        PassageScanner scanner;
        const PassageOutcome outcome = scanned(scanner, work->filePath("none.ts"), {});
        QCOMPARE(outcome.status, scan::Status::Unreadable);
        QVERIFY(!outcome.error.isEmpty());
        QVERIFY(outcome.passages.isEmpty());
    }

    void lineKeptPerFolder()
    {
        QVERIFY(QDir().mkpath("a/b"));
        const scan::Line line{{0.1, 0.7}, {0.9, 0.65}};
        QCOMPARE(CountLines::lineFor("a"), scan::Line{});
        QVERIFY(CountLines::keep("a", line));
        QCOMPARE(CountLines::lineFor(work->filePath("a")), scan::Line::parse(line.text()).value());
        QCOMPARE(CountLines::lineFor("a/b"), scan::Line{});
    }
};

QTEST_GUILESS_MAIN(TestPassages)
#include "tst_passages.moc"
