#include "file_limit.h"
#include "journal.h"

#include <QTemporaryDir>
#include <QtTest>

// The review journal on its own: what a review recorded change by change,
// then damaged or changed on disk, resumes as; where a copy goes.
class TestJournal : public QObject
{
    Q_OBJECT

    QString startDir = QDir::currentPath();
    QScopedPointer<QTemporaryDir> work; // the current folder, "image" below it
    const QStringList pictures{"pics\\A.JPG", "pics\\b.jpg", "pics\\c.jpg"};

    static QString backslashed(QString path) { return path.replace('/', '\\'); }
    static void write(const QString &path, const QByteArray &bytes)
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
            qFatal("cannot write %s", qPrintable(path));
    }
    static QByteArray contents(const QString &path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    static QString journalFile(const ReviewJournal &journal) { return QString(journal.path()).replace('\\', '/'); }

    // One step of a review as the window takes it, or a hand on the disk:
    //   file NAME VERDICT   a copy made and recorded, as a verdict does
    //   undo COPY           the copy removed, then the undo recorded
    //   snap NAME           a snapshot recorded
    //   cut                 the journal's last line cut in half
    //   flip N              one byte changed in the journal's line N (1: the folder's)
    //   delete COPY         a copy deleted by hand
    //   plant COPY [NAME]   a file put into a verdict folder by hand: picture NAME's bytes, or others
    //   lose NAME           a picture taken out of its folder
    static void step(ReviewJournal &journal, const QString &line)
    {
        const QStringList w = line.split(' ');
        const QString journalPath = journalFile(journal);
        if (w[0] == "file") {
            QDir().mkpath("image/" + w[2]);
            const QString target = copyTarget("pics\\" + w[1], "image\\" + w[2] + '\\');
            QVERIFY(journal.recordFiling({w[1], target}));
            QVERIFY(QFile::copy("pics/" + w[1], QString(target).replace('\\', '/')));
        } else if (w[0] == "undo") {
            QVERIFY(QFile::remove("image/" + w[1]));
            QVERIFY(journal.recordUndo(backslashed("image/" + w[1])));
        } else if (w[0] == "snap") {
            QVERIFY(journal.recordSnapshot(w[1]));
        } else if (w[0] == "cut" || w[0] == "flip") {
            QByteArray bytes = contents(journalPath);
            QList<QByteArray> lines = bytes.split('\n');
            if (w[0] == "cut") {
                const int last = bytes.lastIndexOf('\n', bytes.size() - 2) + 1;
                bytes.truncate(last + (bytes.size() - last) / 2);
            } else {
                QByteArray &changed = lines[w[1].toInt() - 1];
                changed[changed.size() / 2] = char(changed[changed.size() / 2] ^ 0x01);
                bytes = lines.join('\n');
            }
            write(journalPath, bytes);
        } else if (w[0] == "delete") {
            QVERIFY(QFile::remove("image/" + w[1]));
        } else if (w[0] == "plant") {
            QDir().mkpath(QFileInfo("image/" + w[1]).path());
            write("image/" + w[1], w.size() > 2 ? contents("pics/" + w[2]) : QByteArray("other"));
        } else if (w[0] == "lose") {
            QVERIFY(QFile::remove("pics/" + w[1]));
        }
    }

private slots:
    void init()
    {
        work.reset(new QTemporaryDir);
        QVERIFY(QDir::setCurrent(work->path()));
        QDir().mkpath("pics");
        int i = 0;
        for (const QString &picture : pictures)
            write(QString(picture).replace('\\', '/'), "picture " + QByteArray::number(++i));
    }
    void cleanupTestCase() { QDir::setCurrent(startDir); }

    void resumesWhatTheDiskBearsOut_data()
    {
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<QStringList>("filings"); // picture>copy, oldest first
        QTest::addColumn<QStringList>("snapshots");
        QTest::addColumn<int>("unrecorded");
        const QStringList two{"file A.JPG 识别正确", "snap 17_0_1_5", "file b.jpg 多拍空拍"};
        const QStringList both{"A.JPG>image\\识别正确\\A.JPG", "b.jpg>image\\多拍空拍\\b.jpg"};
        QTest::newRow("as recorded") << two << both << QStringList{"17_0_1_5"} << 0;
        // c's copy stands, but no longer on record
        QTest::newRow("last line cut in half")
            << two + QStringList{"file c.jpg 非机动车", "cut"} << both << QStringList{"17_0_1_5"} << 1;
        QTest::newRow("a line after a cut one")
            << two + QStringList{"snap 9_0_0_1", "cut", "snap 8_0_0_2"} << both
            << QStringList{"17_0_1_5", "8_0_0_2"} << 0;
        QTest::newRow("a damaged line") << two + QStringList{"flip 3"} << both << QStringList() << 0;
        QTest::newRow("the folder's line damaged") << two + QStringList{"flip 1"} << both
                                                   << QStringList{"17_0_1_5"} << 0;
        QTest::newRow("undone") << two + QStringList{"undo 识别正确/A.JPG"}
                                << QStringList{both[1]} << QStringList{"17_0_1_5"} << 0;
        QTest::newRow("filed again after an undo")
            << two + QStringList{"undo 识别正确/A.JPG", "file A.JPG 识别错误"}
            << QStringList{both[1], "A.JPG>image\\识别错误\\A.JPG"} << QStringList{"17_0_1_5"} << 0;
        QTest::newRow("a copy deleted by hand") << two + QStringList{"delete 多拍空拍/b.jpg"}
                                                << QStringList{both[0]} << QStringList{"17_0_1_5"} << 0;
        QTest::newRow("a copy changed by hand") << two + QStringList{"plant 识别正确/A.JPG"}
                                                << QStringList{both[1]} << QStringList{"17_0_1_5"} << 0;
        QTest::newRow("a picture taken out of the folder")
            << two + QStringList{"lose A.JPG"} << QStringList{both[1]} << QStringList{"17_0_1_5"} << 0;
        QTest::newRow("copies without a line")
            << two + QStringList{"plant 非机动车/A.JPG A.JPG", "plant 识别错误/c_2.jpg c.jpg",
                                 "plant 识别错误/c.jpg", "plant 识别错误/x.jpg A.JPG"}
            << both << QStringList{"17_0_1_5"} << 2;
        QTest::newRow("a name taken by another picture")
            << QStringList{"plant 识别正确/A.JPG", "file A.JPG 识别正确"}
            << QStringList{"A.JPG>image\\识别正确\\A_2.JPG"} << QStringList() << 0;
    }

    void resumesWhatTheDiskBearsOut()
    {
        QFETCH(QStringList, steps);
        QFETCH(QStringList, filings);
        QFETCH(QStringList, snapshots);
        QFETCH(int, unrecorded);
        ReviewJournal journal("pics");
        for (const QString &s : steps)
            step(journal, s);

        // found again from another spelling of the same folder
        const ResumedReview resumed = holdAgainstDisk(
            ReviewJournal(QDir::current().absoluteFilePath("pics/../pics")).read(), pictures,
            {"image\\识别正确\\", "image\\识别错误\\", "image\\多拍空拍\\", "image\\捕获但车牌无效\\",
             "image\\非机动车\\"});
        QStringList kept;
        for (const JournalFiling &f : resumed.review.filings)
            kept << f.picture + '>' + f.copy;
        QCOMPARE(kept, filings);
        QCOMPARE(resumed.review.snapshots, snapshots);
        QCOMPARE(resumed.unrecorded, unrecorded);
    }

    void aChangeThatCannotBeWrittenLeavesTheJournal()
    {
        ReviewJournal journal("pics");
        QVERIFY(journal.recordSnapshot("1_0_0_1"));
        const QByteArray before = contents(journalFile(journal));
        FileSizeLimit full;
        QVERIFY(full.apply(before.size() + 10)); // room for part of a line
        QVERIFY(!journal.recordFiling({"A.JPG", "image\\识别正确\\A.JPG"}));
        full.lift();
        QCOMPARE(contents(journalFile(journal)), before);
        QCOMPARE(journal.read().snapshots, QStringList{"1_0_0_1"});
    }

    // Another folder has a journal of its own; setting one aside keeps it
    // whole under a new name, every time.
    void setAsideKeepsEveryJournal()
    {
        ReviewJournal journal("pics");
        ReviewJournal other("elsewhere");
        QVERIFY(other.path() != journal.path());
        QVERIFY(journal.setAside()); // none yet
        QStringList kept;
        for (int round = 0; round < 2; ++round) {
            QVERIFY(journal.recordSnapshot(QString::number(round)));
            kept << contents(journalFile(journal));
            QVERIFY(journal.setAside());
            QVERIFY(!journal.exists());
            QCOMPARE(journal.read().snapshots, QStringList());
        }
        QStringList found;
        for (const QFileInfo &f : QDir("image/审核记录").entryInfoList(QDir::Files, QDir::Name))
            found << contents(f.filePath());
        found.sort();
        kept.sort();
        QCOMPARE(found, kept);
        QVERIFY(!other.exists());
    }

    void copyTargetTakesAFreeName_data()
    {
        QTest::addColumn<QStringList>("present"); // NAME=BYTES in the verdict folder
        QTest::addColumn<QString>("target");      // null: filed there already
        QTest::newRow("free") << QStringList() << "v\\A.JPG";
        QTest::newRow("taken") << QStringList{"A.JPG=other"} << "v\\A_2.JPG";
        QTest::newRow("taken twice") << QStringList{"A.JPG=other", "A_2.JPG=more"} << "v\\A_3.JPG";
        QTest::newRow("the same picture") << QStringList{"A.JPG=picture 1"} << QString();
        QTest::newRow("the same picture, suffixed")
            << QStringList{"A.JPG=other", "A_2.JPG=picture 1"} << QString();
    }

    void copyTargetTakesAFreeName()
    {
        QFETCH(QStringList, present);
        QFETCH(QString, target);
        QDir().mkpath("v");
        for (const QString &file : present)
            write("v/" + file.section('=', 0, 0), file.section('=', 1).toUtf8());
        QCOMPARE(copyTarget("pics\\A.JPG", "v\\"), target);
    }
};

QTEST_MAIN(TestJournal)
#include "tst_journal.moc"
