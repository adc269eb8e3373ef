// The vehicle passages of the open recording, for the window: the scan on a
// worker thread (results and progress by queued signals), its cache and the
// counting line kept per recording folder, both beside the review journal in
// "image\审核记录\". Qt Core only; the widgets are passagepanel.{h,cpp}.
#ifndef PASSAGES_H
#define PASSAGES_H

#include "scanner.h"

#include <QList>
#include <QMetaType>
#include <QObject>
#include <QString>
#include <QVector>

#include <atomic>
#include <memory>

class QThread;

Q_DECLARE_METATYPE(scan::Passage)

// What a finished scan says.
struct PassageOutcome
{
    scan::Status status = scan::Status::Unreadable;
    QString error;
    QVector<scan::Passage> passages; // sorted by time
    QVector<scan::Damage> damaged;
    bool fromCache = false;
};
Q_DECLARE_METATYPE(PassageOutcome)

// The cache of one recording's passages for one counting line: a file in
// "image\审核记录\" named after both, holding the recording's identity (its
// size, modification time and the SHA-1 of its first MiB) and a checksum.
// One that does not match its recording, or is damaged, is not used.
namespace PassageCache {
// The file for `recording` (a path in the system's form) and `line`; empty
// when the recording cannot be read.
QString fileFor(const QString &recording, const scan::Line &line);
bool load(const QString &recording, const scan::Line &line, PassageOutcome &outcome);
bool save(const QString &recording, const scan::Line &line, const PassageOutcome &outcome);
} // namespace PassageCache

// The counting line kept for the recordings of one folder.
namespace CountLines {
scan::Line lineFor(const QString &recordingFolder);
bool keep(const QString &recordingFolder, const scan::Line &line);
} // namespace CountLines

// Runs one scan after another on a thread of its own. Starting a scan ends
// the one before (its late results are dropped); the destructor ends the
// running one and waits for it (the scanner stops within half a second).
class PassageScanner : public QObject
{
    Q_OBJECT

public:
    explicit PassageScanner(QObject *parent = nullptr);
    ~PassageScanner() override;

    // `recording` in the system's form. The cache answers at once when it
    // holds the recording for this line.
    void start(const QString &recording, const scan::Line &line);
    // Ends the running scan, if any; nothing more is signalled for it.
    void cancel();
    bool running() const { return current != nullptr; }

signals:
    // secondsLeft is negative until there is an estimate.
    void progress(double done, double secondsLeft);
    void found(const scan::Passage &passage);
    void finished(const PassageOutcome &outcome);

private:
    struct Job;
    Job *current = nullptr;
    QList<QThread *> threads; // still running, cancelled or not
};

#endif // PASSAGES_H
