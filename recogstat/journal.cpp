#include "journal.h"

#include "paths.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>

#ifdef Q_OS_WIN
#include <io.h>
#else
#include <unistd.h>
#endif

const QString &JournalFolder = RecordFolder;

namespace {

// A line is a JSON object, a tab and the first 8 hex digits of the object's
// SHA-1: a torn line, or one that a bad sector or a careless editor changed,
// is told apart from a change.
QByteArray checksum(const QByteArray &json)
{
    return QCryptographicHash::hash(json, QCryptographicHash::Sha1).toHex().left(8);
}

QByteArray lineOf(const QJsonObject &change)
{
    const QByteArray json = QJsonDocument(change).toJson(QJsonDocument::Compact);
    return json + '\t' + checksum(json) + '\n';
}

// The change a line holds; empty when the line is damaged.
QJsonObject changeOf(const QByteArray &line)
{
    const int tab = line.lastIndexOf('\t');
    if (tab < 0 || line.mid(tab + 1) != checksum(line.left(tab)))
        return {};
    return QJsonDocument::fromJson(line.left(tab)).object();
}

// Makes what was written reach the disk, not just the system's cache.
bool syncToDisk(QFile &file)
{
#ifdef Q_OS_WIN
    return _commit(file.handle()) == 0;
#else
    return ::fsync(file.handle()) == 0;
#endif
}

} // namespace

QString JournalEntry::verdictFolder() const
{
    return path.left(path.lastIndexOf(QLatin1Char('\\')) + 1);
}

ReviewJournal::ReviewJournal(const QString &pictureFolder)
{
    if (pictureFolder.isEmpty())
        return;
    folder = canonicalPath(systemPath(pictureFolder));
    file = JournalFolder + recordId(folder) + QStringLiteral(".txt");
}

bool ReviewJournal::exists() const
{
    return !file.isEmpty() && QFileInfo::exists(systemPath(file));
}

QString ReviewJournal::name() const
{
    return fileNameOf(file).chopped(4);
}

QVector<JournalEntry> ReviewJournal::read() const
{
    QVector<JournalEntry> entries;
    QFile journal(systemPath(file));
    if (file.isEmpty() || !journal.open(QIODevice::ReadOnly))
        return entries;
    // the last entry of that kind for which `matches` holds goes
    const auto takeBack = [&entries](JournalEntry::Kind kind, auto matches) {
        for (int i = entries.size() - 1; i >= 0; --i)
            if (entries[i].kind == kind && matches(entries[i])) {
                entries.remove(i);
                return;
            }
    };
    for (const QByteArray &line : journal.readAll().split('\n')) {
        const QJsonObject change = changeOf(line);
        const auto text = [&change](const char *key) { return change.value(QLatin1String(key)).toString(); };
        if (change.contains(QLatin1String("filed"))) {
            const JournalEntry filing{JournalEntry::Filing, text("filed"), text("copy")};
            // at most one earlier filing: each replaced the one before it
            takeBack(JournalEntry::Filing, [&filing](const JournalEntry &e) { return e.picture == filing.picture; });
            entries << filing;
        } else if (change.contains(QLatin1String("undone"))) {
            const QString copy = text("undone");
            takeBack(JournalEntry::Filing, [&copy](const JournalEntry &e) { return e.path == copy; });
        } else if (change.contains(QLatin1String("snapshot"))) {
            entries << JournalEntry{JournalEntry::Snapshot, QString(), text("snapshot")};
        } else if (change.contains(QLatin1String("unsnapped"))) {
            const QString name = text("unsnapped");
            takeBack(JournalEntry::Snapshot, [&name](const JournalEntry &e) { return e.path == name; });
        }
    }
    return entries;
}

bool ReviewJournal::recordFiling(const QString &picture, const QString &copy)
{
    return append(lineOf({{QStringLiteral("filed"), picture}, {QStringLiteral("copy"), copy}}));
}

bool ReviewJournal::recordUndo(const QString &copy)
{
    return append(lineOf({{QStringLiteral("undone"), copy}}));
}

bool ReviewJournal::recordSnapshot(const QString &name)
{
    return append(lineOf({{QStringLiteral("snapshot"), name}}));
}

bool ReviewJournal::recordSnapshotUndo(const QString &name)
{
    return append(lineOf({{QStringLiteral("unsnapped"), name}}));
}

// One write, unbuffered, then synced: the line is on the disk whole, or the
// file is cut back to where it was. Should even that fail, the torn rest is
// a line without its line end; the next line starts on a line of its own.
bool ReviewJournal::append(const QByteArray &line)
{
    if (file.isEmpty())
        return true; // no folder, no review to record
    QDir().mkpath(systemPath(JournalFolder));
    QFile journal(systemPath(file));
    if (!journal.open(QIODevice::ReadWrite | QIODevice::Append | QIODevice::Unbuffered))
        return false;
    const qint64 before = journal.size();
    QByteArray bytes;
    if (before == 0) {
        // the folder itself opens the journal, for a reader who opens it
        bytes = lineOf({{QStringLiteral("review"), folder}});
    } else if (journal.seek(before - 1) && journal.read(1) != "\n") {
        bytes = "\n";
    }
    bytes += line;
    if (journal.write(bytes) != bytes.size() || !syncToDisk(journal)) {
        journal.resize(before);
        return false;
    }
    return true;
}
