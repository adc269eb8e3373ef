#include "review.h"

#include "filing.h"
#include "paths.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QLockFile>
#include <QSet>

const QVector<Review::Verdict> &Review::verdicts()
{
    static const QVector<Verdict> table = {
        {QT_TR_NOOP("image\\识别正确\\"), QT_TR_NOOP("识别正确"), {TotalRow, CorrectRow}},
        {QT_TR_NOOP("image\\识别错误\\"), QT_TR_NOOP("识别错误"), {TotalRow, WrongRow}},
        {QT_TR_NOOP("image\\多拍空拍\\"), QT_TR_NOOP("多拍/空拍"), {MultiEmptyRow}},
        {QT_TR_NOOP("image\\捕获但车牌无效\\"), QT_TR_NOOP("捕获但车牌无效"), {TotalRow}, true},
        {QT_TR_NOOP("image\\非机动车\\"), QT_TR_NOOP("非机动车"), {NonMotorRow}},
    };
    return table;
}

Review::Review(const QString &folder, const QVector<PictureRecord> &records)
    : journal(folder)
    , picRecords(records)
    , picCount(records.size() - 1)
    , picIndex(1)
{
}

Review::~Review() = default;

bool Review::lock(const Review &current)
{
    if (journal.path().isEmpty())
        return true;
    const QString path = systemPath(journal.path() + QStringLiteral(".lock"));
    if (current.folderLock && current.journal.path() == journal.path()) {
        folderLock = current.folderLock; // this window reviews it already
        return true;
    }
    QDir().mkpath(systemPath(JournalFolder));
    auto taken = std::make_shared<QLockFile>(path);
    // A review lasts hours: only a lock whose program is gone is stale.
    taken->setStaleLockTime(0);
    if (taken->tryLock(0))
        folderLock = taken;
    // a lock that cannot be written is no other window's: the journal
    // then refuses the changes
    return folderLock || taken->error() != QLockFile::LockFailedError;
}

Review::Outcome Review::start(Start how)
{
    Outcome outcome;
    int unrecorded = 0;
    const QVector<Action> made = hasJournal() ? heldAgainstDisk(&unrecorded) : QVector<Action>();
    if (how == Start::Fresh) {
        if (hasJournal() && !archive(made)) {
            outcome.refused = true;
            outcome.notice = tr("审核记录无法写入"); // the earlier journal is never overwritten
        }
        return outcome;
    }
    for (const Action &action : made) {
        count(action, 1);
        if (action.picture)
            picRecords[action.picture].processed = true;
    }
    history = made;
    while (picIndex < picCount && picRecords[picIndex].processed)
        ++picIndex;
    if (unrecorded > 0)
        outcome.notice = tr("%1 张已归档图片不在记录中").arg(unrecorded);
    return outcome;
}

QStringList Review::verdictFolders() const
{
    QStringList folders;
    for (const Verdict &verdict : verdicts())
        folders << tr(verdict.folder);
    return folders;
}

// Keeps the filings whose copy stands in their verdict folder with the
// picture's very bytes, and the snapshots of a name as often as their files
// are on disk. Counts the files in the verdict folders that hold the bytes
// of one of the pictures under its name or its name with a suffix
// (copyTarget) but are no kept filing's copy.
QVector<Review::Action> Review::heldAgainstDisk(int *unrecorded) const
{
    QHash<QString, int> pictureNamed;
    for (int i = 1; i <= picCount; ++i)
        pictureNamed.insert(fileNameOf(picRecords[i].filePath), i);
    const QStringList folders = verdictFolders();

    QVector<Action> made;
    QSet<QString> kept;
    QHash<QString, int> snapshotsLeft, snapshotsKept;
    for (const JournalEntry &entry : journal.read()) {
        if (entry.kind == JournalEntry::Snapshot) {
            auto left = snapshotsLeft.find(entry.path);
            if (left == snapshotsLeft.end())
                left = snapshotsLeft.insert(entry.path, snapshotsOnDisk(entry.path));
            if (*left > 0) { // a snapshot whose file was deleted by hand is taken back
                --*left;
                const int n = ++snapshotsKept[entry.path];
                made.append({0, snapshotFile(entry.path, n), nullptr, entry.path});
            }
            continue;
        }
        const int picture = pictureNamed.value(entry.picture);
        const int verdict = folders.indexOf(entry.verdictFolder());
        if (picture > 0 && verdict >= 0 && sameContents(entry.path, picRecords[picture].filePath)) {
            made.append({picture, entry.path, &verdicts()[verdict], QString()});
            kept.insert(entry.path);
        }
    }
    *unrecorded = 0;
    for (const QString &folder : folders) {
        for (const QString &name : QDir(systemPath(folder)).entryList(QDir::Files)) {
            const QString copy = folder + name;
            if (kept.contains(copy))
                continue;
            for (const QString &candidate : {name, unsuffixed(name)}) {
                const int picture = pictureNamed.value(candidate);
                if (picture > 0 && sameContents(copy, picRecords[picture].filePath)) {
                    ++*unrecorded;
                    break;
                }
            }
        }
    }
    return made;
}

// "image\审核记录\<journal>-<date>-<time>\": the journal, and the copies
// and snapshots it bears out under their folders' names below "image"
// ("识别正确\A.JPG", "漏拍\17_0_1_5.jpg"). The journal goes last: should a
// move fail half-way, resuming drops what was moved, as it drops any copy
// that is gone.
bool Review::archive(const QVector<Action> &made) const
{
    const QString stem = JournalFolder + journal.name() + QLatin1Char('-')
                         + QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    QString folder = stem;
    for (int n = 2; QFileInfo::exists(systemPath(folder)); ++n)
        folder = stem + QLatin1Char('_') + QString::number(n);
    folder += QLatin1Char('\\');
    const QString image = QStringLiteral("image\\");
    for (const Action &action : made) {
        if (!action.path.startsWith(image))
            continue;
        const QString target = folder + action.path.mid(image.size());
        QDir().mkpath(QFileInfo(systemPath(target)).path());
        QFile::rename(systemPath(action.path), systemPath(target)); // one left behind blocks as any file does
    }
    return QDir().mkpath(systemPath(folder))
           && QFile::rename(systemPath(journal.path()), systemPath(folder + fileNameOf(journal.path())));
}

const PictureRecord *Review::current() const
{
    if (picIndex < 1 || picIndex > picCount || picIndex >= picRecords.size())
        return nullptr;
    return &picRecords[picIndex];
}

bool Review::forward()
{
    if (!current() || picIndex >= picCount)
        return false;
    ++picIndex;
    return true;
}

bool Review::back()
{
    if (!current() || picIndex <= 1)
        return false;
    --picIndex;
    return true;
}

const Review::Verdict *Review::verdictOf(int position) const
{
    for (int i = history.size() - 1; i >= 0; --i)
        if (history[i].picture == position && position > 0)
            return history[i].verdict;
    return nullptr;
}

void Review::count(const Action &action, int by)
{
    if (!action.verdict) { // a snapshot: a vehicle that passed, missed
        tallies[TotalRow] += by;
        tallies[MissedRow] += by;
        return;
    }
    for (TallyRow row : action.verdict->tallies)
        tallies[row] += by;
    if (action.verdict->platesInvalid)
        plateInvalidCount += by;
}

Review::Outcome Review::file(int verdict)
{
    Outcome outcome;
    if (!current())
        return outcome;
    PictureRecord &r = picRecords[picIndex];
    if (r.processed) {
        outcome.stepOn = true;
        return outcome;
    }
    const Verdict &v = verdicts()[verdict];
    const QString folder = tr(v.folder);
    // mkpath, not mkdir: "image" itself may have been removed meanwhile
    QDir().mkpath(systemPath(folder));
    // A name that a different picture took (another folder's: cameras
    // name by time) gets a suffix; this very picture there is refused.
    const QString target = copyTarget(r.filePath, folder);
    // On record before the copy is made: a crash in between leaves a
    // filing without its copy, which resuming drops.
    if (target.isNull()) {
        outcome.notice = tr("文件已存在");
    } else if (!journal.recordFiling(fileNameOf(r.filePath), target)) {
        outcome.notice = tr("审核记录无法写入");
    } else if (!QFile::copy(systemPath(r.filePath), systemPath(target))) {
        journal.recordUndo(target);
        outcome.notice = tr("文件已存在");
    } else {
        r.processed = true;
        history.append({picIndex, target, &v, QString()});
        count(history.last(), 1);
        outcome.stepOn = true;
    }
    return outcome;
}

Review::Outcome Review::snapshot(const QString &name, const std::function<bool()> &write)
{
    Outcome outcome;
    const int before = snapshotsOnDisk(name);
    if (!write() || snapshotsOnDisk(name) <= before) {
        outcome.notice = tr("抓拍失败");
        return outcome;
    }
    const QString jpeg = snapshotFile(name, before + 1);
    // Recorded once the JPEG is on disk; one that cannot be recorded would
    // be lost on resuming, so it neither stays nor counts.
    if (!journal.recordSnapshot(name)) {
        QFile::remove(systemPath(jpeg));
        outcome.notice = tr("审核记录无法写入");
        return outcome;
    }
    history.append({0, jpeg, nullptr, name});
    count(history.last(), 1);
    return outcome;
}

// A filing's copy goes only while it still holds the picture's bytes:
// otherwise it is the reviewer's own file by now, and it stays, and so
// does everything else. Each undo is recorded after its file is gone:
// should the line be lost, resuming drops the change all the same.
Review::Outcome Review::undo()
{
    Outcome outcome;
    if (history.isEmpty())
        return outcome;
    const Action last = history.last();
    const QString file = systemPath(last.path);
    if (last.picture && !sameContents(last.path, picRecords[last.picture].filePath)) {
        outcome.notice = tr("无法撤销：文件已被修改");
        return outcome;
    }
    if (QFileInfo::exists(file) && !QFile::remove(file)) {
        outcome.notice = tr("无法撤销：文件无法删除");
        return outcome;
    }
    history.removeLast();
    count(last, -1);
    if (last.picture) {
        journal.recordUndo(last.path);
        picRecords[last.picture].processed = false;
        picIndex = last.picture;
        outcome.moved = true;
    } else {
        journal.recordSnapshotUndo(last.snapshot);
    }
    return outcome;
}
