// The review model without a window: filings, snapshots, undo, resuming and
// starting afresh, as the disk and the journal take them; and the folder's
// lock. The window's own tests keep to what the window adds.
#include "file_limit.h"
#include "fixtures.h"

#include "review.h"
#include "filing.h"

#include <QDirIterator>
#include <QLockFile>
#include <QProcess>

#include <memory>

class TestReview : public QObject
{
    Q_OBJECT

    FreshFolder workFolder; // "image" below it
    FileSizeLimit jam;      // a full disk
    QStringList said;       // every notice, in order

    static QString slashed(QString path) { return path.replace('\\', '/'); }
    static QByteArray contents(const QString &path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    static void write(const QString &path, const QByteArray &bytes)
    {
        QDir().mkpath(QFileInfo(path).path());
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
            qFatal("cannot write %s", qPrintable(path));
    }
    static QString journalOf(const QString &folder) { return slashed(ReviewJournal(folder).path()); }

    // The folder "pics", read and locked as the window opens it.
    std::unique_ptr<Review> open(Review::Start how = Review::Start::Fresh)
    {
        const QString folder = QDir::current().absoluteFilePath("pics");
        auto review = std::make_unique<Review>(folder, readPictureFolder(programPath(folder)));
        if (!review->lock(Review()))
            qFatal("the folder is locked");
        note(review->start(how));
        return review;
    }
    void note(const Review::Outcome &outcome)
    {
        if (!outcome.notice.isEmpty())
            said << outcome.notice;
    }

    // Every file below "image": the journal as "journal", what an archive
    // folder holds as "archive/...".
    static QStringList files()
    {
        QStringList found;
        const QString journal = journalOf("pics");
        const QRegularExpression archived("^image/审核记录/[0-9a-f]{16}-\\d{8}-\\d{6}/(.*)$");
        for (QDirIterator it("image", QDir::Files, QDirIterator::Subdirectories); it.hasNext();) {
            const QString path = it.next();
            const QRegularExpressionMatch m = archived.match(path);
            if (path == journal)
                found << "journal";
            else if (m.hasMatch())
                found << "archive/" + (m.captured(1) == QFileInfo(journal).fileName() ? "journal" : m.captured(1));
            else if (!path.endsWith(".lock"))
                found << path.mid(6);
        }
        found.sort();
        return found;
    }

private slots:
    void init()
    {
        QVERIFY(workFolder.renew());
        said.clear();
        threePictures("pics");
    }
    void cleanup() { jam.lift(); }

    void aReviewAsItIsMade_data()
    {
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<QString>("counts"); // tb_Result's six rows | the plate-invalid count
        QTest::addColumn<QString>("at");     // position, "+" when filed
        QTest::addColumn<QStringList>("notices");
        QTest::addColumn<QStringList>("files");
        using L = QStringList;
        const QString a = "识别正确/A.JPG";

        // filing: the counts of each verdict, once per picture
        QTest::newRow("识别正确") << L{"识别正确"} << "1,0,1,0,0,0|0" << "2" << L() << L{a, "journal"};
        QTest::newRow("识别错误") << L{"识别错误"} << "1,0,0,1,0,0|0" << "2" << L() << L{"journal", "识别错误/A.JPG"};
        QTest::newRow("多拍/空拍") << L{"多拍/空拍"} << "0,0,0,0,1,0|0" << "2" << L() << L{"journal", "多拍空拍/A.JPG"};
        QTest::newRow("捕获但车牌无效") << L{"捕获但车牌无效"} << "1,0,0,0,0,0|1" << "2" << L() << L{"journal", "捕获但车牌无效/A.JPG"};
        QTest::newRow("非机动车") << L{"非机动车"} << "0,0,0,0,0,1|0" << "2" << L() << L{"journal", "非机动车/A.JPG"};
        QTest::newRow("filed already: steps on") << L{"识别正确", "back", "识别错误"} << "1,0,1,0,0,0|0" << "2"
                                                << L() << L{a, "journal"};
        QTest::newRow("the last picture stays") << L{"识别正确", "识别正确", "识别正确"} << "3,0,3,0,0,0|0" << "3+"
                                               << L() << L{a, "journal", "识别正确/b.jpg", "识别正确/c.jpg"};
        QTest::newRow("the very picture there by hand") << L{"plant 识别正确/A.JPG A.JPG", "识别正确"} << "0,0,0,0,0,0|0"
                                                       << "1" << L{"文件已存在"} << L{a};
        QTest::newRow("another file of that name") << L{"plant 识别正确/A.JPG", "识别正确"} << "1,0,1,0,0,0|0" << "2"
                                                  << L() << L{a, "journal", "识别正确/A_2.JPG"};
        QTest::newRow("journal cannot be written") << L{"jam", "识别正确", "unjam", "识别错误"} << "1,0,0,1,0,0|0"
                                                  << "2" << L{"审核记录无法写入"} << L{"journal", "识别错误/A.JPG"};

        // snapshots
        QTest::newRow("a snapshot") << L{"snap 7_0_1_5"} << "1,1,0,0,0,0|0" << "1" << L() << L{"journal", "漏拍/7_0_1_5.jpg"};
        QTest::newRow("two of one name") << L{"snap 7", "snap 7"} << "2,2,0,0,0,0|0" << "1" << L()
                                         << L{"journal", "漏拍/7.jpg", "漏拍/7_2.jpg"};
        QTest::newRow("the engine wrote nothing") << L{"snap! 7"} << "0,0,0,0,0,0|0" << "1" << L{"抓拍失败"} << L();
        QTest::newRow("snapshot not on record") << L{"识别正确", "jam", "snap 7"} << "1,0,1,0,0,0|0" << "2"
                                               << L{"审核记录无法写入"} << L{a, "journal"};

        // undo: one history, newest first
        QTest::newRow("undo a filing") << L{"next", "捕获但车牌无效", "undo"} << "0,0,0,0,0,0|0" << "2" << L() << L{"journal"};
        QTest::newRow("undo a snapshot") << L{"识别正确", "snap 7", "undo"} << "1,0,1,0,0,0|0" << "2" << L() << L{a, "journal"};
        QTest::newRow("undo in a row") << L{"识别正确", "snap 7", "识别错误", "undo", "undo"} << "1,0,1,0,0,0|0" << "2"
                                       << L() << L{a, "journal"};
        QTest::newRow("undo back to the start") << L{"识别正确", "snap 7", "undo", "undo", "undo"} << "0,0,0,0,0,0|0"
                                                << "1" << L() << L{"journal"};
        QTest::newRow("a copy changed by hand stays") << L{"识别错误", "plant 识别错误/A.JPG", "undo", "undo"}
                                                      << "1,0,0,1,0,0|0" << "2"
                                                      << L{"无法撤销：文件已被修改", "无法撤销：文件已被修改"}
                                                      << L{"journal", "识别错误/A.JPG"};
        QTest::newRow("a refused filing is no change") << L{"plant 识别正确/A.JPG A.JPG", "识别正确", "识别错误", "undo"}
                                                       << "0,0,0,0,0,0|0" << "1" << L{"文件已存在"} << L{a, "journal"};

        // resumed (是): what the disk bears out, at the first picture not filed
        QTest::newRow("resumed") << L{"识别正确", "snap 7", "捕获但车牌无效", "yes"} << "3,1,1,0,0,0|1" << "3" << L()
                                 << L{a, "journal", "捕获但车牌无效/b.jpg", "漏拍/7.jpg"};
        QTest::newRow("resumed, undone") << L{"识别正确", "snap 7", "捕获但车牌无效", "yes", "undo", "undo"}
                                         << "1,0,1,0,0,0|0" << "2" << L() << L{a, "journal"};
        QTest::newRow("an undone snapshot stays undone") << L{"snap 7", "snap 7", "undo", "yes"} << "1,1,0,0,0,0|0"
                                                         << "1" << L() << L{"journal", "漏拍/7.jpg"};
        QTest::newRow("a refused snapshot is not resumed") << L{"jam", "snap 7", "unjam", "识别正确", "yes"}
                                                           << "1,0,1,0,0,0|0" << "2" << L{"审核记录无法写入"}
                                                           << L{a, "journal"};
        QTest::newRow("last line cut in half") << L{"识别正确", "snap 7", "非机动车", "cut", "yes"} << "2,1,1,0,0,0|0"
                                               << "2" << L{"1 张已归档图片不在记录中"}
                                               << L{a, "journal", "漏拍/7.jpg", "非机动车/b.jpg"};
        QTest::newRow("a line after a cut one") << L{"识别正确", "snap 7", "cut", "snap 8", "yes"} << "2,1,1,0,0,0|0"
                                                << "2" << L() << L{a, "journal", "漏拍/7.jpg", "漏拍/8.jpg"};
        QTest::newRow("a line damaged") << L{"识别正确", "snap 7", "flip", "yes"} << "1,0,1,0,0,0|0" << "2" << L()
                                        << L{a, "journal", "漏拍/7.jpg"};
        QTest::newRow("a copy deleted by hand") << L{"识别正确", "多拍/空拍", "delete 识别正确/A.JPG", "yes"}
                                                << "0,0,0,0,1,0|0" << "1" << L() << L{"journal", "多拍空拍/b.jpg"};
        QTest::newRow("a snapshot deleted by hand") << L{"snap 7", "识别正确", "delete 漏拍/7.jpg", "yes"}
                                                    << "1,0,1,0,0,0|0" << "2" << L() << L{a, "journal"};
        QTest::newRow("copies without a line")
            << L{"识别正确", "plant 非机动车/A.JPG A.JPG", "plant 识别错误/c_2.jpg c.jpg", "plant 识别错误/x.jpg A.JPG", "yes"}
            << "1,0,1,0,0,0|0" << "2" << L{"2 张已归档图片不在记录中"}
            << L{a, "journal", "识别错误/c_2.jpg", "识别错误/x.jpg", "非机动车/A.JPG"};

        // afresh (否): the earlier review archived, its folders free
        QTest::newRow("afresh") << L{"识别正确", "snap 7", "no", "识别正确"} << "1,0,1,0,0,0|0" << "2" << L()
                                << L{"archive/journal", "archive/漏拍/7.jpg", "archive/识别正确/A.JPG", a, "journal"};
        QTest::newRow("afresh, then resumed") << L{"识别正确", "no", "多拍/空拍", "yes"} << "0,0,0,0,1,0|0" << "2" << L()
                                              << L{"archive/journal", "archive/识别正确/A.JPG", "journal", "多拍空拍/A.JPG"};
        QTest::newRow("afresh, a copy by hand still blocks")
            << L{"plant 识别错误/b.jpg b.jpg", "识别正确", "no", "识别正确", "识别错误"} << "1,0,1,0,0,0|0" << "2"
            << L{"文件已存在"} << L{"archive/journal", "archive/识别正确/A.JPG", a, "journal", "识别错误/b.jpg"};
    }

    // Each step as the window asks it, a hand on the disk, or a restart.
    void aReviewAsItIsMade()
    {
        QFETCH(QStringList, steps);
        QFETCH(QString, counts);
        QFETCH(QString, at);
        QFETCH(QStringList, notices);
        QFETCH(QStringList, files);
        const QStringList names{"识别正确", "识别错误", "多拍/空拍", "捕获但车牌无效", "非机动车"};
        std::unique_ptr<Review> review = open();
        const QString journal = journalOf("pics");
        for (const QString &step : steps) {
            const QStringList w = step.split(' ');
            const QByteArray bytes = contents(journal);
            const int lastLine = bytes.lastIndexOf('\n', bytes.size() - 2) + 1;
            if (names.contains(w[0])) {
                const Review::Outcome outcome = review->file(names.indexOf(w[0]));
                note(outcome);
                if (outcome.stepOn)
                    review->forward();
            } else if (w[0] == "snap" || w[0] == "snap!") { // as the engine writes it
                const QString name = "image\\漏拍\\" + w[1];
                note(review->snapshot(name, [&] {
                    if (w[0] == "snap")
                        write(slashed(snapshotFile(name, snapshotsOnDisk(name) + 1)), "jpeg");
                    return true; // the engine says so either way
                }));
            } else if (w[0] == "undo") {
                note(review->undo());
            } else if (w[0] == "next" || w[0] == "back") {
                QVERIFY(w[0] == "next" ? review->forward() : review->back());
            } else if (w[0] == "yes" || w[0] == "no") { // the program ends and opens the folder again
                review.reset();
                review = open(w[0] == "yes" ? Review::Start::Resume : Review::Start::Fresh);
            } else if (w[0] == "jam") {
                QVERIFY(jam.apply(qMax<qint64>(64, QFileInfo(journal).size())));
            } else if (w[0] == "unjam") {
                jam.lift();
            } else if (w[0] == "cut") {
                write(journal, bytes.left(lastLine + (bytes.size() - lastLine) / 2));
            } else if (w[0] == "flip") { // a byte of the last line
                QByteArray flipped = bytes;
                flipped[lastLine + 5] = char(flipped[lastLine + 5] ^ 1);
                write(journal, flipped);
            } else if (w[0] == "delete") {
                QVERIFY(QFile::remove("image/" + w[1]));
            } else if (w[0] == "plant") {
                write("image/" + w[1], w.size() > 2 ? contents("pics/" + w[2]) : QByteArray("other"));
            } else {
                QFAIL(qPrintable("unknown step " + step));
            }
        }
        jam.lift();
        QStringList shownCounts;
        for (int row = TotalRow; row <= NonMotorRow; ++row)
            shownCounts << QString::number(review->count(TallyRow(row)));
        QCOMPARE(shownCounts.join(',') + '|' + QString::number(review->plateInvalid()), counts);
        const bool filed = review->current()->processed;
        QCOMPARE(QString::number(review->position()) + (filed ? "+" : ""), at);
        QCOMPARE(filed, review->verdictOf(review->position()) != nullptr);
        QCOMPARE(said, notices);
        files.sort();
        QCOMPARE(this->files(), files);
    }

    void aFolderIsReviewedInOneWindow_data()
    {
        QTest::addColumn<QString>("holder"); // of the lock before the window opens the folder
        QTest::addColumn<bool>("opens");
        QTest::newRow("nobody") << "" << true;
        QTest::newRow("another program") << "running" << false;
        QTest::newRow("a program that is gone") << "gone" << true;
        QTest::newRow("this window") << "this window" << true;
    }

    void aFolderIsReviewedInOneWindow()
    {
        QFETCH(QString, holder);
        QFETCH(bool, opens);
        const QString folder = QDir::current().absoluteFilePath("pics");
        const QString lock = journalOf(folder) + ".lock";
        QDir().mkpath("image/审核记录");
        QLockFile other(lock);
        Review current;
        if (holder == "running") {
            // a lock held by a running program (this one: the same rule)
            QVERIFY(other.tryLock(0));
        } else if (holder == "gone") { // as a killed program leaves it: its process id, no process
            QProcess gone;
            gone.start("true", QStringList());
            QVERIFY(gone.waitForStarted());
            const qint64 pid = gone.processId();
            QVERIFY(gone.waitForFinished());
            write(lock, QByteArray::number(pid) + "\nRecogStat\n\n");
        } else if (holder == "this window") {
            current = Review(folder, readPictureFolder(programPath(folder)));
            QVERIFY(current.lock(Review()));
        }
        Review opened(folder, readPictureFolder(programPath(folder)));
        QCOMPARE(opened.lock(current), opens);
        if (opens) { // and no other can, until it is gone
            Review second(folder, readPictureFolder(programPath(folder)));
            QVERIFY(!second.lock(Review()));
            opened = Review();
            current = Review();
            QVERIFY(second.lock(Review()));
        }
    }
};

QTEST_MAIN(TestReview)
#include "tst_review.moc"
