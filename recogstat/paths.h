// The program writes its own paths relative to the current folder with "\"
// separators, the way the reviewer's folders are named ("image\识别正确\").
// These are the places where a path enters the program (a folder chosen in
// a dialog) and leaves it (for the file system and for the playback engine).
#ifndef PATHS_H
#define PATHS_H

#include <QByteArray>
#include <QString>

// The path with every "\" turned into "/", which Qt takes on every system.
QString systemPath(const QString &path);

// A path as a dialog gives it, in the program's "\" form.
QString programPath(const QString &path);

// The path as the engine takes it: GB18030 bytes (identical to GBK for every
// GBK character, and able to carry any other one), NUL-terminated. The
// engine itself turns "\" into the system's separator.
QByteArray enginePath(const QString &path);

// The text after the last "\" of `path`; the whole path without one. Only
// "\" separates: the program builds its paths with it.
QString fileNameOf(const QString &path);

// Where the program keeps what it records beside a review (the journals,
// the folders' counting lines, the scans' results): "\" form, ending with "\".
extern const QString RecordFolder;

// A file or folder (the system's form) by its absolute path, links resolved
// where it exists, so that it is the same however it was reached.
QString canonicalPath(const QString &path);

// 16 hex digits of the SHA-1 of `text`: a record's name for what `text` names.
QString recordId(const QString &text);

#endif // PATHS_H
