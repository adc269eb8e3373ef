// The review journal: every change of a picture folder's review (a filing,
// an undo, a snapshot) as one line appended to a file of its own below
// "image", so that a review outlives the program, a crash and a reopened
// folder. And the rules by which the verdict folders stay the truth: where
// a copy goes, and which recorded filings the disk still bears out. No
// widget here.
//
// The journal is append-only: each line is written with one write, flushed
// to the disk and carries a checksum of its own, so a crash or a full disk
// leaves either the review before a change or after it, and a torn or
// damaged line costs that one change and no other.
#ifndef JOURNAL_H
#define JOURNAL_H

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVector>

// One filing on record.
struct JournalFiling
{
    QString picture; // the picture's file name in its folder
    QString copy;    // the copy it made: verdict folder and file name, "\" form ("image\识别正确\A_2.JPG")

    // The verdict's folder: the copy's path up to its last "\", which it keeps.
    QString verdictFolder() const;
    bool operator==(const JournalFiling &other) const
    {
        return picture == other.picture && copy == other.copy;
    }
};

// A review as its journal tells it.
struct JournalReview
{
    QVector<JournalFiling> filings; // oldest first: the undo history
    QStringList snapshots;          // the snapshots' names as the program gave them, oldest first
};

// The journal of one picture folder: "image\审核记录\" and a name made from
// the folder's absolute path, so that the same folder finds it again however
// it was reached. Created by its first change.
class ReviewJournal
{
public:
    // `folder` in the program's "\" form; an empty one has no journal and
    // records nothing.
    explicit ReviewJournal(const QString &folder = QString());

    QString path() const { return file; } // "\" form, relative to the current folder
    bool exists() const;

    // The review on record: the intact lines in order, each filing once (a
    // later filing of the same picture replaces an earlier one), an undo
    // taking back the last filing of its copy. Damaged lines are skipped.
    JournalReview read() const;

    // Keeps the journal beside itself under a dated name, so that the next
    // change starts a new one. True when there was none to keep.
    bool setAside();

    // One change each; false when it could not be written (the journal is
    // then as it was before). Without a folder, nothing is written.
    bool recordFiling(const JournalFiling &filing);
    bool recordUndo(const QString &copy);
    bool recordSnapshot(const QString &name);

private:
    bool append(const QByteArray &line);

    QString folder; // absolute, the system's form
    QString file;
};

// A recorded review held against the disk.
struct ResumedReview
{
    JournalReview review; // what the disk bears out
    int unrecorded = 0;   // copies of the folder's pictures that no kept filing names
};

// Keeps the filings whose picture is one of `pictures` (their paths, "\"
// form) and whose copy stands in one of `verdictFolders` ("\" form, ending
// with "\") with the picture's very bytes; counts the files in the verdict
// folders that hold the bytes of one of `pictures` under its name or its
// name with a suffix (copyTarget) but are no kept filing's copy. Keeps the
// snapshots of a name as often as their files are on disk (snapshotsOnDisk).
ResumedReview holdAgainstDisk(const JournalReview &recorded, const QStringList &pictures,
                              const QStringList &verdictFolders);

// Where a copy of the picture at `picture` goes in `folder` (both "\"
// form, the folder ending with "\"): under the picture's own name, or,
// where that is taken by a different file, with "_2", "_3", ... before its
// extension. Null when one of these names already holds the same bytes:
// that picture is filed there already.
QString copyTarget(const QString &picture, const QString &folder);

// How many snapshots named `name` ("\" form, without extension) are on
// disk: the engine writes `name`.jpg, or, where that exists, the first free
// of `name`_2.jpg, `name`_3.jpg, ...
int snapshotsOnDisk(const QString &name);

// Whether two files ("\" form) hold the same bytes; false when either
// cannot be read.
bool sameContents(const QString &a, const QString &b);

#endif // JOURNAL_H
