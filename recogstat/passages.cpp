#include "passages.h"

#include "paths.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QTextStream>
#include <QThread>

namespace {

constexpr qint64 HeadBytes = 1 << 20;
const QByteArray CacheMagic = "recogscan-passages 1";

QString recordPath(const QString &name)
{
    return systemPath(RecordFolder + name);
}

bool makeRecordFolder()
{
    return QDir().mkpath(systemPath(RecordFolder));
}

// What identifies a recording's bytes: size, modification time and the
// SHA-1 of the first MiB. Empty when it cannot be read.
QByteArray identityOf(const QString &recording)
{
    QFile file(recording);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QFileInfo info(file);
    const QByteArray head = QCryptographicHash::hash(file.read(HeadBytes), QCryptographicHash::Sha1).toHex();
    return "size " + QByteArray::number(info.size()) + "\nmtime "
           + QByteArray::number(info.lastModified().toMSecsSinceEpoch()) + "\nhead " + head + '\n';
}

QByteArray number(double value)
{
    return QByteArray::number(value, 'f', 4);
}

} // namespace

QString PassageCache::fileFor(const QString &recording, const scan::Line &line)
{
    return recordPath(QStringLiteral("passages-")
                      + recordId(canonicalPath(recording) + QLatin1Char('\n') + QString::fromStdString(line.text()))
                      + QStringLiteral(".txt"));
}

bool PassageCache::save(const QString &recording, const scan::Line &line, const PassageOutcome &outcome)
{
    const QByteArray identity = identityOf(recording);
    if (identity.isEmpty() || outcome.status != scan::Status::Done || !makeRecordFolder())
        return false;
    QByteArray body = CacheMagic + '\n' + identity + "line " + QByteArray::fromStdString(line.text()) + '\n';
    for (const scan::Damage &d : outcome.damaged)
        body += "damage " + QByteArray::number(qint64(d.fromMs)) + ' ' + QByteArray::number(qint64(d.toMs)) + '\n';
    for (const scan::Passage &p : outcome.passages)
        body += "passage " + QByteArray::number(qint64(p.ms)) + ' ' + scan::directionName(p.direction) + ' '
                + number(p.along) + ' ' + number(p.box.x) + ' ' + number(p.box.y) + ' ' + number(p.box.w) + ' '
                + number(p.box.h) + '\n';
    body += "sum " + QCryptographicHash::hash(body, QCryptographicHash::Sha1).toHex() + '\n';
    // Written whole or not at all: a crash leaves the old cache or none.
    QSaveFile file(fileFor(recording, line));
    return file.open(QIODevice::WriteOnly) && file.write(body) == body.size() && file.commit();
}

bool PassageCache::load(const QString &recording, const scan::Line &line, PassageOutcome &outcome)
{
    QFile file(fileFor(recording, line));
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray all = file.readAll();
    const int sum = all.lastIndexOf("sum ");
    if (sum < 0 || all.mid(sum) != "sum " + QCryptographicHash::hash(all.left(sum), QCryptographicHash::Sha1).toHex() + '\n')
        return false;
    const QByteArray expected = CacheMagic + '\n' + identityOf(recording) + "line "
                                + QByteArray::fromStdString(line.text()) + '\n';
    if (!all.startsWith(expected))
        return false;
    PassageOutcome read;
    read.status = scan::Status::Done;
    read.fromCache = true;
    for (const QByteArray &row : all.mid(expected.size(), sum - expected.size()).split('\n')) {
        const QList<QByteArray> f = row.split(' ');
        if (f.size() == 3 && f[0] == "damage") {
            read.damaged.push_back({f[1].toLongLong(), f[2].toLongLong()});
        } else if (f.size() == 8 && f[0] == "passage") {
            scan::Passage p;
            p.ms = f[1].toLongLong();
            p.direction = f[2] == "up" ? scan::Direction::Up : scan::Direction::Down;
            p.along = f[3].toDouble();
            p.box = {f[4].toDouble(), f[5].toDouble(), f[6].toDouble(), f[7].toDouble()};
            read.passages.push_back(p);
        } else if (!row.isEmpty()) {
            return false;
        }
    }
    outcome = read;
    return true;
}

scan::Line CountLines::lineFor(const QString &recordingFolder)
{
    QFile file(recordPath(QStringLiteral("line-") + recordId(canonicalPath(recordingFolder)) + QStringLiteral(".txt")));
    if (file.open(QIODevice::ReadOnly)) {
        const QList<QByteArray> rows = file.readAll().split('\n');
        if (rows.size() >= 2)
            if (const auto line = scan::Line::parse(rows[1].trimmed().toStdString()))
                return *line;
    }
    return {};
}

bool CountLines::keep(const QString &recordingFolder, const scan::Line &line)
{
    if (!makeRecordFolder())
        return false;
    const QString folder = canonicalPath(recordingFolder);
    QSaveFile file(recordPath(QStringLiteral("line-") + recordId(folder) + QStringLiteral(".txt")));
    const QByteArray body = folder.toUtf8() + '\n' + QByteArray::fromStdString(line.text()) + '\n';
    return file.open(QIODevice::WriteOnly) && file.write(body) == body.size() && file.commit();
}

// One scan: its cancel flag, shared with its thread.
struct PassageScanner::Job
{
    std::shared_ptr<std::atomic<bool>> cancel = std::make_shared<std::atomic<bool>>(false);
};

PassageScanner::PassageScanner(QObject *parent)
    : QObject(parent)
{
    qRegisterMetaType<scan::Passage>();
    qRegisterMetaType<PassageOutcome>();
}

PassageScanner::~PassageScanner()
{
    cancel();
    for (QThread *thread : qAsConst(threads)) {
        thread->wait();
        delete thread;
    }
}

void PassageScanner::cancel()
{
    if (!current)
        return;
    current->cancel->store(true);
    delete current;
    current = nullptr;
}

void PassageScanner::start(const QString &recording, const scan::Line &line)
{
    cancel();
    current = new Job;
    const std::shared_ptr<std::atomic<bool>> cancelled = current->cancel;
    // Everything that the thread hands over comes back through the GUI
    // thread's event loop, where a cancelled job's results are dropped.
    const auto post = [this, cancelled](auto deliver) {
        QMetaObject::invokeMethod(
            this,
            [this, cancelled, deliver] {
                if (!cancelled->load())
                    deliver();
            },
            Qt::QueuedConnection);
    };
    QThread *thread = QThread::create([=] {
        PassageOutcome outcome;
        if (PassageCache::load(recording, line, outcome)) {
            post([this, outcome] {
                for (const scan::Passage &p : outcome.passages)
                    emit found(p);
                emit progress(1.0, 0.0);
                delete current;
                current = nullptr;
                emit finished(outcome);
            });
            return;
        }
        scan::Options options;
        options.line = line;
        options.cancel = cancelled.get();
        options.progress = [&](const scan::Progress &p) {
            post([this, p] { emit progress(p.done, p.secondsLeft); });
        };
        options.found = [&](const scan::Passage &p) { post([this, p] { emit found(p); }); };
        const scan::Result r = scan::scanRecording(QFile::encodeName(recording).toStdString(), options);
        outcome.status = r.status;
        outcome.error = QString::fromStdString(r.error);
        outcome.passages = QVector<scan::Passage>(r.passages.begin(), r.passages.end());
        outcome.damaged = QVector<scan::Damage>(r.damaged.begin(), r.damaged.end());
        if (r.status == scan::Status::Done)
            PassageCache::save(recording, line, outcome);
        post([this, outcome] {
            delete current;
            current = nullptr;
            emit finished(outcome);
        });
    });
    threads << thread;
    connect(thread, &QThread::finished, this, [this, thread] {
        threads.removeOne(thread);
        thread->deleteLater();
    });
    thread->start(QThread::LowPriority);
}
