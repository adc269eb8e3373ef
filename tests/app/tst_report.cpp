#include "report.h"

#include "file_limit.h"

#include <QTemporaryDir>
#include <QtTest>

// The tallies, the rates and the report's bytes, without any widget.
class TestReport : public QObject
{
    Q_OBJECT

private slots:
    void rates_data()
    {
        QTest::addColumn<QStringList>("counts"); // tb_Result rows 0 to 5
        QTest::addColumn<int>("plateInvalid");
        QTest::addColumn<QString>("rates"); // capture, recognition, false shot, overall

        QTest::newRow("worked example") << QStringList{"10", "1", "6", "2", "3", "1"} << 1
                                        << "90.00% 75.00% 40.00% 60.00%";
        QTest::newRow("nothing counted") << QStringList{"0", "0", "0", "0", "0", "0"} << 0
                                         << "0.00% 0.00% 0.00% 0.00%";
        QTest::newRow("no correct or wrong yet") << QStringList{"4", "2", "0", "0", "0", "0"} << 2
                                                 << "50.00% 0.00% 0.00% 0.00%";
        QTest::newRow("only multiple or empty shots") << QStringList{"0", "0", "0", "0", "5", "0"}
                                                      << 0 << "0.00% 0.00% 0.00% 0.00%";
        QTest::newRow("non-motor in the false shots, not in the total")
            << QStringList{"1", "0", "1", "0", "0", "1"} << 0 << "100.00% 100.00% 50.00% 100.00%";
        // 21/160 is 13.125%: 13.12 in single precision, 13.13 in double.
        QTest::newRow("single precision") << QStringList{"160", "0", "21", "139", "0", "0"} << 0
                                          << "100.00% 13.12% 0.00% 13.12%";
        // 7/160 taken times 100 in single precision is 4.38, in double 4.37.
        QTest::newRow("percent in single precision") << QStringList{"160", "153", "7", "0", "0", "0"}
                                                     << 0 << "4.38% 100.00% 0.00% 4.38%";
        QTest::newRow("leading zeros and non-numbers") << QStringList{"007", "x", "7", "abc", "", "0"}
                                                       << 0 << "100.00% 100.00% 0.00% 100.00%";
    }

    void rates()
    {
        QFETCH(QStringList, counts);
        QFETCH(int, plateInvalid);
        QFETCH(QString, rates);
        QCOMPARE(rateTexts(talliesFromCells(counts, plateInvalid)).join(' '), rates);
    }

    void reportBytes()
    {
        // the worked report as glibc's iconv encodes it
        const QByteArray worked = QByteArray::fromHex(
            "cad3c6b5b9fdb3b52cc2a9c5c42ccab6b1f0d5fdc8b72ccab6b1f0b4edcef32cb6e0c5c4bfd5c5c42cb7c7"
            "bbfab6afb3b50d0a31302c312c362c322c332c312c0d0a0d0ab2b6bbf1c2ca2ccab6b1f0c2ca2ccef3c5c4"
            "c2ca2cd7dbbacfcab6b1f0c2ca2c0d0a39302e3030252c37352e3030252c34302e3030252c36302e303025");
        QCOMPARE(worked.size(), 129);
        QCOMPARE(::reportBytes({"10", "1", "6", "2", "3", "1"}, {"90.00%", "75.00%", "40.00%", "60.00%"}),
                 worked);
        // counts re-rendered as integers, rates copied as they are
        const QList<QByteArray> lines =
            ::reportBytes({"007", "+4", "-3", "1.5", "abc", ""}, {"0", "x", "", "1.50%"}).split('\n');
        QCOMPARE(lines.value(1), QByteArray("7,4,-3,0,0,0,\r"));
        QCOMPARE(lines.value(4), QByteArray("0,x,,1.50%"));
    }

    void failedWriteKeepsTheEarlierFile_data()
    {
        QTest::addColumn<QString>("name"); // below a folder holding "earlier.csv" and "earlier"
        QTest::addColumn<int>("sizeLimit"); // 0: none
        QTest::newRow("missing folder") << "missing/report.csv" << 0;
        QTest::newRow("names a folder") << "earlier" << 0;
        QTest::newRow("full disk") << "earlier.csv" << 64;
    }

    void failedWriteKeepsTheEarlierFile()
    {
        QFETCH(QString, name);
        QFETCH(int, sizeLimit);
        QTemporaryDir dir;
        QFile earlier(dir.filePath("earlier.csv"));
        QVERIFY(earlier.open(QIODevice::WriteOnly) && earlier.write("kept") == 4);
        earlier.close();
        QVERIFY(QDir(dir.path()).mkdir("earlier"));

        FileSizeLimit limit;
        QVERIFY(!sizeLimit || limit.apply(rlim_t(sizeLimit)));
        const bool written = writeWhole(dir.filePath(name), QByteArray(129, 'x'));
        limit.lift();

        QVERIFY(!written);
        QVERIFY(earlier.open(QIODevice::ReadOnly));
        QCOMPARE(earlier.readAll(), QByteArray("kept"));
        // no half-written report, no temporary file left behind
        QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
                 (QStringList{"earlier", "earlier.csv"}));
        QVERIFY(QDir(dir.filePath("earlier")).isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestReport)
#include "tst_report.moc"
