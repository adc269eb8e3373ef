// The review of one picture folder, without widgets: its pictures and the
// position among them, the filings and snapshots with their one undo
// history, every count (the plate-invalid one too), the journal that keeps
// the review on disk and the lock that keeps it to one window. It opens a
// folder afresh or resumes it, files, snapshots and takes back, and says
// what the window should show: the window shows its counts and its current
// picture, as a view shows its model. Each rule (what a filing counts, what
// an undo gives back) is written here, once.
#ifndef RECOGSTAT_REVIEW_H
#define RECOGSTAT_REVIEW_H

#include "capture.h" // PictureRecord
#include "journal.h"
#include "report.h"  // TallyRow

#include <QCoreApplication>
#include <QString>
#include <QStringList>
#include <QVector>

#include <array>
#include <functional>
#include <memory>

class QLockFile;

class Review
{
    // its texts are the window's
    Q_DECLARE_TR_FUNCTIONS(MainWindow)

public:
    // A verdict: the folder its copies go to and the counts it raises.
    struct Verdict
    {
        const char *folder; // a tr() text: relative, "\" separators, ends with "\"
        const char *name;   // a tr() text: its button's caption
        QVector<TallyRow> tallies;
        bool platesInvalid = false; // also counts in plateInvalidCount
    };
    // In the buttons' order: 识别正确, 识别错误, 多拍/空拍, 捕获但车牌无效, 非机动车.
    static const QVector<Verdict> &verdicts();

    // What a change did, for the window to show.
    struct Outcome
    {
        QString notice;       // a notice for the reviewer; empty: none
        bool refused = false; // opening: the folder was not opened
        bool stepOn = false;  // a filing: go on to the next picture
        bool moved = false;   // an undo: the current picture is another one now
    };

    // No folder: nothing to file, snapshots count but nothing is recorded.
    Review() = default;
    // The folder (the program's "\" form) and its pictures, slot 0 unused,
    // not yet opened: lock() it, then start() it.
    Review(const QString &folder, const QVector<PictureRecord> &records);
    ~Review();
    Review(const Review &) = default;
    Review &operator=(const Review &) = default;

    // Takes the folder's lock, or shares the one `current` holds on the
    // same folder. False while another program reviews the folder; a lock
    // left by a program that is gone is taken over.
    bool lock(const Review &current);
    // Whether the folder was reviewed before.
    bool hasJournal() const { return journal.exists(); }
    // Fresh: position 1, every count 0, and an earlier review (its journal,
    // the copies and snapshots it made) moved into one dated archive folder
    // below "image\审核记录\", so that every picture can be filed again.
    // Resume: the review on record as far as the disk bears it out, at the
    // first picture not yet filed.
    enum class Start { Fresh, Resume };
    Outcome start(Start how);

    // The current picture; null unless the position is one of the pictures.
    const PictureRecord *current() const;
    int position() const { return picIndex; }
    int pictures() const { return picCount; }
    // One step; false at the end.
    bool forward();
    bool back();
    // The verdict the picture at `position` is filed under; null if none.
    const Verdict *verdictOf(int position) const;

    int count(TallyRow row) const { return tallies[row]; }
    int plateInvalid() const { return plateInvalidCount; }

    // Files the current picture under verdicts()[verdict]: a copy in its
    // folder, on record, counted once. A picture filed already only steps
    // on; a refused filing says why and stays.
    Outcome file(int verdict);
    // A snapshot named `name` ("\" form, no extension), which `write` asks
    // the engine for: counted once its JPEG is on disk and on record; a
    // snapshot that cannot be recorded is removed again.
    Outcome snapshot(const QString &name, const std::function<bool()> &write);
    // Takes back the last filing or snapshot still standing.
    Outcome undo();

private:
    // A change that undo can take back.
    struct Action
    {
        int picture = 0;               // a filing's picture; 0: a snapshot
        QString path;                  // a filing's copy, a snapshot's JPEG ("\" form)
        const Verdict *verdict = nullptr;
        QString snapshot;              // a snapshot's name as recorded
    };
    void count(const Action &action, int by);
    QStringList verdictFolders() const;
    // The journal's changes that the disk bears out, and how many copies of
    // the folder's pictures no filing on record names.
    QVector<Action> heldAgainstDisk(int *unrecorded) const;
    bool archive(const QVector<Action> &made) const;

    ReviewJournal journal;
    std::shared_ptr<QLockFile> folderLock;
    // Slot 0 is never used: pictures are numbered from 1.
    QVector<PictureRecord> picRecords = QVector<PictureRecord>(1);
    int picCount = 0;
    int picIndex = 0;
    std::array<int, NonMotorRow + 1> tallies{};
    int plateInvalidCount = 0;
    QVector<Action> history; // oldest first
};

#endif // RECOGSTAT_REVIEW_H
