// The review journal: every change of a picture folder's review (a filing,
// a snapshot, the undo of either) as one line appended to a file of its own
// below "image", so that a review outlives the program, a crash and a
// reopened folder. No widget here.
//
// The journal is append-only: each line is written with one write, flushed
// to the disk and carries a checksum of its own, so a crash or a full disk
// leaves either the review before a change or after it, and a torn or
// damaged line costs that one change and no other.
#ifndef JOURNAL_H
#define JOURNAL_H

#include <QByteArray>
#include <QString>
#include <QVector>

// One change still standing: a filing or a snapshot.
struct JournalEntry
{
    enum Kind { Filing, Snapshot };
    Kind kind = Filing;
    QString picture; // a filing's picture: its file name in its folder
    QString path;    // a filing's copy: verdict folder and file name, "\" form
                     // ("image\识别正确\A_2.JPG"); a snapshot's name as the
                     // program gave it, without extension

    // A filing's verdict folder: the copy's path up to its last "\", which it keeps.
    QString verdictFolder() const;
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
    QString name() const;                 // the file's name without ".txt"
    bool exists() const;

    // The changes on record that still stand, oldest first: the intact
    // lines in order, each picture filed once (a later filing of it replaces
    // an earlier one), an undo taking back the last filing of its copy or
    // the last snapshot of its name. Damaged lines are skipped.
    QVector<JournalEntry> read() const;

    // One change each; false when it could not be written (the journal is
    // then as it was before). Without a folder, nothing is written.
    bool recordFiling(const QString &picture, const QString &copy);
    bool recordUndo(const QString &copy);
    bool recordSnapshot(const QString &name);
    bool recordSnapshotUndo(const QString &name);

private:
    bool append(const QByteArray &line);

    QString folder; // absolute, the system's form
    QString file;
};

// Where the journals live, "\" form, ending with "\" (RecordFolder).
extern const QString &JournalFolder;

#endif // JOURNAL_H
