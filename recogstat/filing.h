// The rules by which the verdict folders and the snapshot folder stay the
// truth of a review: where a copy goes, which files hold a picture's very
// bytes, and how the engine names a snapshot's files. No widget here.
#ifndef FILING_H
#define FILING_H

#include <QString>

// Where a copy of the picture at `picture` goes in `folder` (both "\"
// form, the folder ending with "\"): under the picture's own name, or,
// where that is taken by a different file, with "_2", "_3", ... before its
// extension. Null when one of these names already holds the same bytes:
// that picture is filed there already.
QString copyTarget(const QString &picture, const QString &folder);

// "A_2.JPG" is "A.JPG" filed under a taken name (copyTarget); null for a
// name without such a suffix.
QString unsuffixed(const QString &name);

// Whether two files ("\" form) hold the same bytes; false when either
// cannot be read.
bool sameContents(const QString &a, const QString &b);

// The engine writes a snapshot named `name` ("\" form, without extension)
// as `name`.jpg, or, where that exists, as the first free of `name`_2.jpg,
// `name`_3.jpg, ...: this is the file of the n-th (from 1).
QString snapshotFile(const QString &name, int n);

// How many snapshots named `name` are on disk, by that rule.
int snapshotsOnDisk(const QString &name);

#endif // FILING_H
