#include "report.h"

#include "file_limit.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTextCodec>
#include <QtTest>

namespace {

// The worked report, encoded by glibc's iconv (not by Qt): 129 bytes.
const QByteArray WorkedReport = QByteArray::fromHex(
    "cad3c6b5b9fdb3b52cc2a9c5c42ccab6b1f0d5fdc8b72ccab6b1f0b4edcef32cb6e0c5c4bfd5c5c42cb7c7"
    "bbfab6afb3b50d0a31302c312c362c322c332c312c0d0a0d0ab2b6bbf1c2ca2ccab6b1f0c2ca2ccef3c5c4"
    "c2ca2cd7dbbacfcab6b1f0c2ca2c0d0a39302e3030252c37352e3030252c34302e3030252c36302e303025");

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

} // namespace

// The tallies, the rates and the report's bytes, without any widget.
class TestReport : public QObject
{
    Q_OBJECT

private slots:
    void rates_data()
    {
        QTest::addColumn<QStringList>("counts"); // tb_Result rows 0 to 5
        QTest::addColumn<int>("plateInvalid");
        QTest::addColumn<QStringList>("rates"); // capture, recognition, false shot, overall

        QTest::newRow("worked example") << QStringList{"10", "1", "6", "2", "3", "1"} << 1
                                        << QStringList{"90.00%", "75.00%", "40.00%", "60.00%"};
        QTest::newRow("nothing counted") << QStringList{"0", "0", "0", "0", "0", "0"} << 0
                                         << QStringList{"0.00%", "0.00%", "0.00%", "0.00%"};
        QTest::newRow("no correct or wrong yet")
            << QStringList{"4", "2", "0", "0", "0", "0"} << 2
            << QStringList{"50.00%", "0.00%", "0.00%", "0.00%"};
        QTest::newRow("only multiple or empty shots")
            << QStringList{"0", "0", "0", "0", "5", "0"} << 0
            << QStringList{"0.00%", "0.00%", "0.00%", "0.00%"};
        QTest::newRow("non-motor above and below the false-shot line, not in the total")
            << QStringList{"1", "0", "1", "0", "0", "1"} << 0
            << QStringList{"100.00%", "100.00%", "50.00%", "100.00%"};
        QTest::newRow("plate-invalid captured but not recognised")
            << QStringList{"5", "1", "2", "1", "1", "0"} << 1
            << QStringList{"80.00%", "66.67%", "25.00%", "40.00%"};
        // 21/160 is 13.125 in percent: single precision rounds it to 13.12,
        // double precision to 13.13.
        QTest::newRow("single precision")
            << QStringList{"160", "0", "21", "139", "0", "0"} << 0
            << QStringList{"100.00%", "13.12%", "0.00%", "13.12%"};
        // 7/160 held in single precision and multiplied by 100 in it shows
        // 4.38; multiplied in double precision it would show 4.37.
        QTest::newRow("percent taken in single precision")
            << QStringList{"160", "153", "7", "0", "0", "0"} << 0
            << QStringList{"4.38%", "100.00%", "0.00%", "4.38%"};
        QTest::newRow("leading zeros and non-numbers")
            << QStringList{"007", "x", "7", "abc", "", "0"} << 0
            << QStringList{"100.00%", "100.00%", "0.00%", "100.00%"};
        QTest::newRow("total that is no number") << QStringList{"ten", "0", "6", "2", "0", "0"} << 0
                                                 << QStringList{"0.00%", "75.00%", "0.00%", "0.00%"};
        QTest::newRow("denominator that sums to zero")
            << QStringList{"2", "0", "1", "-1", "0", "0"} << 0
            << QStringList{"0.00%", "0.00%", "0.00%", "50.00%"};
    }

    void rates()
    {
        QFETCH(QStringList, counts);
        QFETCH(int, plateInvalid);
        QFETCH(QStringList, rates);
        QCOMPARE(rateTexts(talliesFromCells(counts, plateInvalid)), rates);
    }

    void workedReportByteForByte()
    {
        const QByteArray report = reportBytes({"10", "1", "6", "2", "3", "1"},
                                              {"90.00%", "75.00%", "40.00%", "60.00%"});
        QCOMPARE(report.size(), 129);
        QCOMPARE(report.left(8), QByteArray::fromHex("cad3c6b5b9fdb3b5")); // 视频过车
        QCOMPARE(report, WorkedReport);
        const QList<QByteArray> lines = report.split('\n');
        QCOMPARE(lines.size(), 5);
        const int sizes[] = {49, 13, 0, 32, 27}; // without their CR LF
        for (int i = 0; i < 5; ++i)
            QCOMPARE(lines[i].size() - (i < 4 ? 1 : 0), sizes[i]);
        QVERIFY(!report.endsWith('\n'));
    }

    void countsAsIntegersRatesAsShown_data()
    {
        QTest::addColumn<QStringList>("counts");
        QTest::addColumn<QStringList>("rates");
        QTest::addColumn<QString>("line2");
        QTest::addColumn<QString>("line5");

        QTest::newRow("after a folder was opened")
            << QStringList{"0", "0", "0", "0", "0", "0"} << QStringList{"0", "0", "0", "0"}
            << "0,0,0,0,0,0," << "0,0,0,0";
        QTest::newRow("empty review after the statistics")
            << QStringList{"0", "0", "0", "0", "0", "0"}
            << QStringList{"0.00%", "0.00%", "0.00%", "0.00%"} << "0,0,0,0,0,0,"
            << "0.00%,0.00%,0.00%,0.00%";
        QTest::newRow("integers re-rendered")
            << QStringList{"007", "+4", " 12", "-3", "1.5", "abc"}
            << QStringList{"007", " 1", "x", ""} << "7,4,12,-3,0,0," << "007, 1,x,";
        QTest::newRow("too large for an int") << QStringList{"99999999999", "2147483647", "", "", "", ""}
                                              << QStringList{"", "", "", ""} << "0,2147483647,0,0,0,0,"
                                              << ",,,";
    }

    void countsAsIntegersRatesAsShown()
    {
        QFETCH(QStringList, counts);
        QFETCH(QStringList, rates);
        QFETCH(QString, line2);
        QFETCH(QString, line5);
        const QString text = QTextCodec::codecForName("gb18030")->toUnicode(reportBytes(counts, rates));
        const QStringList lines = text.split(QStringLiteral("\r\n"));
        QCOMPARE(lines.size(), 5);
        QCOMPARE(lines[0], QStringLiteral("视频过车,漏拍,识别正确,识别错误,多拍空拍,非机动车"));
        QCOMPARE(lines[1], line2);
        QCOMPARE(lines[2], QString());
        QCOMPARE(lines[3], QStringLiteral("捕获率,识别率,误拍率,综合识别率,"));
        QCOMPARE(lines[4], line5);
    }

    void writeReplacesAnEarlierFile()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("统计.csv"));
        QVERIFY(writeFile(path, QByteArray(500, 'o')));
        QVERIFY(writeWhole(path, WorkedReport));
        QCOMPARE(readAll(path), WorkedReport);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{"统计.csv"});
    }

    void failedWriteKeepsTheEarlierFile_data()
    {
        QTest::addColumn<QString>("name"); // below a fresh folder
        QTest::addColumn<int>("sizeLimit"); // bytes a file may grow to; 0 for none

        QTest::newRow("missing folder") << "missing/report.csv" << 0;
        QTest::newRow("names a folder") << "earlier" << 0;
        QTest::newRow("full disk after some bytes") << "earlier.csv" << 64;
        QTest::newRow("full disk at once") << "earlier.csv" << 1;
    }

    void failedWriteKeepsTheEarlierFile()
    {
        QFETCH(QString, name);
        QFETCH(int, sizeLimit);
        QTemporaryDir dir;
        const QByteArray earlier = "an earlier report";
        QVERIFY(writeFile(dir.filePath(QStringLiteral("earlier.csv")), earlier));
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("earlier")));

        FileSizeLimit limit{rlim_t(sizeLimit)};
        if (sizeLimit) {
            limit.apply();
            QVERIFY(limit.isApplied());
        }
        const bool written = writeWhole(dir.filePath(name), WorkedReport);
        limit.lift();

        QVERIFY(!written);
        QCOMPARE(readAll(dir.filePath(QStringLiteral("earlier.csv"))), earlier);
        QVERIFY(QFileInfo(dir.filePath(QStringLiteral("earlier"))).isDir());
        // nothing left behind: no half-written report, no temporary file
        QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
                 (QStringList{"earlier", "earlier.csv"}));
        QVERIFY(QDir(dir.filePath(QStringLiteral("earlier"))).isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestReport)
#include "tst_report.moc"
