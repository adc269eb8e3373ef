#include "journal.h"

#include "capture.h" // fileNameOf
#include "paths.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QSet>

#ifdef Q_OS_WIN
#include <io.h>
#else
#include <unistd.h>
#endif

namespace {

const QString JournalFolder = QStringLiteral("image\\审核记录\\");

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

// "A_2.JPG" is "A.JPG" filed under a taken name (copyTarget); null for a
// name without such a suffix.
QString unsuffixed(const QString &name)
{
    static const QRegularExpression suffixed(QStringLiteral("^(.+)_([2-9]|[1-9][0-9]+)(\\.[^.]*)?$"));
    const QRegularExpressionMatch m = suffixed.match(name);
    return m.hasMatch() ? m.captured(1) + m.captured(3) : QString();
}

} // namespace

QString JournalFiling::verdictFolder() const
{
    return copy.left(copy.lastIndexOf(QLatin1Char('\\')) + 1);
}

ReviewJournal::ReviewJournal(const QString &pictureFolder)
{
    if (pictureFolder.isEmpty())
        return;
    // The folder by its absolute path, links resolved where it exists.
    const QFileInfo info(systemPath(pictureFolder));
    folder = info.canonicalFilePath().isEmpty() ? info.absoluteFilePath() : info.canonicalFilePath();
    const QByteArray id = QCryptographicHash::hash(folder.toUtf8(), QCryptographicHash::Sha1);
    file = JournalFolder + QString::fromLatin1(id.toHex().left(16)) + QStringLiteral(".txt");
}

bool ReviewJournal::exists() const
{
    return !file.isEmpty() && QFileInfo::exists(systemPath(file));
}

JournalReview ReviewJournal::read() const
{
    JournalReview review;
    QFile journal(systemPath(file));
    if (file.isEmpty() || !journal.open(QIODevice::ReadOnly))
        return review;
    QVector<JournalFiling> &filings = review.filings;
    for (const QByteArray &line : journal.readAll().split('\n')) {
        const QJsonObject change = changeOf(line);
        if (change.contains(QLatin1String("filed"))) {
            const JournalFiling filing{change.value(QLatin1String("filed")).toString(),
                                       change.value(QLatin1String("copy")).toString()};
            for (int i = filings.size() - 1; i >= 0; --i)
                if (filings[i].picture == filing.picture)
                    filings.remove(i);
            filings << filing;
        } else if (change.contains(QLatin1String("undone"))) {
            const QString copy = change.value(QLatin1String("undone")).toString();
            for (int i = filings.size() - 1; i >= 0; --i)
                if (filings[i].copy == copy) {
                    filings.remove(i);
                    break;
                }
        } else if (change.contains(QLatin1String("snapshot"))) {
            review.snapshots << change.value(QLatin1String("snapshot")).toString();
        }
    }
    return review;
}

bool ReviewJournal::setAside()
{
    if (!exists())
        return true;
    const QString stem = file.chopped(4) + QLatin1Char('-')
                         + QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    QString kept = stem + QStringLiteral(".txt");
    for (int n = 2; QFileInfo::exists(systemPath(kept)); ++n)
        kept = stem + QLatin1Char('_') + QString::number(n) + QStringLiteral(".txt");
    return QFile::rename(systemPath(file), systemPath(kept));
}

bool ReviewJournal::recordFiling(const JournalFiling &filing)
{
    return append(lineOf({{QStringLiteral("filed"), filing.picture}, {QStringLiteral("copy"), filing.copy}}));
}

bool ReviewJournal::recordUndo(const QString &copy)
{
    return append(lineOf({{QStringLiteral("undone"), copy}}));
}

bool ReviewJournal::recordSnapshot(const QString &name)
{
    return append(lineOf({{QStringLiteral("snapshot"), name}}));
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

ResumedReview holdAgainstDisk(const JournalReview &recorded, const QStringList &pictures,
                              const QStringList &verdictFolders)
{
    QHash<QString, QString> pictureNamed;
    for (const QString &picture : pictures)
        pictureNamed.insert(fileNameOf(picture), picture);

    ResumedReview resumed;
    // a snapshot whose file was deleted by hand is taken back
    QHash<QString, int> snapshotsLeft;
    for (const QString &name : recorded.snapshots) {
        auto left = snapshotsLeft.find(name);
        if (left == snapshotsLeft.end())
            left = snapshotsLeft.insert(name, snapshotsOnDisk(name));
        if (*left > 0) {
            --*left;
            resumed.review.snapshots << name;
        }
    }
    QSet<QString> kept;
    for (const JournalFiling &filing : recorded.filings) {
        const QString picture = pictureNamed.value(filing.picture);
        if (!picture.isEmpty() && verdictFolders.contains(filing.verdictFolder())
            && sameContents(filing.copy, picture)) {
            resumed.review.filings << filing;
            kept.insert(filing.copy);
        }
    }
    for (const QString &folder : verdictFolders) {
        for (const QString &name : QDir(systemPath(folder)).entryList(QDir::Files)) {
            const QString copy = folder + name;
            if (kept.contains(copy))
                continue;
            for (const QString &candidate : {name, unsuffixed(name)}) {
                const QString picture = pictureNamed.value(candidate);
                if (!picture.isEmpty() && sameContents(copy, picture)) {
                    ++resumed.unrecorded;
                    break;
                }
            }
        }
    }
    return resumed;
}

QString copyTarget(const QString &picture, const QString &folder)
{
    const QString name = fileNameOf(picture);
    const int dot = name.lastIndexOf(QLatin1Char('.'));
    const QString stem = dot > 0 ? name.left(dot) : name;
    const QString extension = dot > 0 ? name.mid(dot) : QString();
    for (int n = 1;; ++n) {
        const QString target =
            folder + (n == 1 ? name : stem + QLatin1Char('_') + QString::number(n) + extension);
        if (!QFileInfo::exists(systemPath(target)))
            return target;
        if (sameContents(target, picture))
            return QString();
    }
}

int snapshotsOnDisk(const QString &name)
{
    const QString base = systemPath(name);
    int n = 0;
    while (QFileInfo(n == 0 ? base + QStringLiteral(".jpg")
                            : base + QStringLiteral("_%1.jpg").arg(n + 1))
               .size() > 0)
        ++n;
    return n;
}

bool sameContents(const QString &a, const QString &b)
{
    QFile one(systemPath(a));
    QFile other(systemPath(b));
    if (!one.open(QIODevice::ReadOnly) || !other.open(QIODevice::ReadOnly)
        || one.size() != other.size())
        return false;
    constexpr qint64 Chunk = 1 << 16;
    for (;;) {
        const QByteArray part = one.read(Chunk);
        if (part != other.read(Chunk))
            return false;
        if (part.isEmpty())
            return one.atEnd(); // not at the end: a read failed
    }
}
