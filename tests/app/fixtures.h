// What the program tests share about a review: capture pictures to open,
// clicks that collect the notices they raised, and what the window shows.
#ifndef FIXTURES_H
#define FIXTURES_H

#include "capturegen.h"
#include "dialogs.h"
#include "widgets.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QtTest>

// A current folder of its own for every case of a test ("image" goes below
// it); the test's own is given back when the test ends.
class FreshFolder
{
public:
    ~FreshFolder() { QDir::setCurrent(startDir); }
    // The next case's; false when it cannot be made.
    bool renew()
    {
        work.reset(new QTemporaryDir);
        return work->isValid() && QDir::setCurrent(work->path());
    }

private:
    QString startDir = QDir::currentPath();
    QScopedPointer<QTemporaryDir> work;
};

// A small capture picture whose header names `plate` and `text`, of
// `exact` bytes when given.
inline QByteArray capture(int index, QRect plate = QRect(100, 50, 203, 37),
                          const QString &text = QStringLiteral("京A12345"), qint64 exact = 0)
{
    CaptureGen::Scene s = CaptureGen::sceneFor(3, index, QSize(400, 300));
    s.hasVehicle = true;
    s.vehicle = plate.adjusted(-80, -120, 80, 20);
    s.body = Qt::white;
    s.plate = plate;
    s.paintedPlate = s.headerPlate = text;
    const QByteArray bytes = CaptureGen::render(s, SmallestPictureBytes, exact);
    if (bytes.isEmpty())
        qFatal("picture %d does not fit in %lld bytes", index, exact);
    return bytes;
}

// The folder `name` below the current one with these files; its absolute path.
inline QString folderOf(const QString &name, const QMap<QString, QByteArray> &files)
{
    const QString folder = QDir::current().absoluteFilePath(name);
    QDir().mkpath(folder);
    for (auto f = files.begin(); f != files.end(); ++f) {
        QFile file(folder + '/' + f.key());
        if (!file.open(QIODevice::WriteOnly) || file.write(f.value()) != f.value().size())
            qFatal("cannot write %s", qPrintable(f.key()));
    }
    return folder;
}

// A.JPG, b.jpg and c.jpg: pictures 1, 2 and 3.
inline QString threePictures(const QString &name = QStringLiteral("three"))
{
    return folderOf(name, {{"A.JPG", capture(1)}, {"b.jpg", capture(2)}, {"c.jpg", capture(3)}});
}

// Clicks, and what the notices said meanwhile ("title|text"); each notice
// is answered with its button captioned `answer`, or closed.
inline QStringList click(QWidget &w, const char *button, int times = 1,
                         const QString &answer = QString())
{
    Notices notices(answer);
    for (int i = 0; i < times; ++i)
        QTest::mouseClick(child(w, button), Qt::LeftButton);
    return notices.said;
}

inline QStringList openFolder(QWidget &w, const QString &folder, const QString &answer = QString())
{
    answerFileDialog(folder);
    return click(w, "btn_OpenImg", 1, answer);
}

// Position, file name and processed mark, as "1  /  3|A.JPG|".
inline QString shown(QWidget &w)
{
    QStringList texts;
    for (const char *label : {"la_ImgNum", "la_FileName", "la_ImgFlag"})
        texts << child<QLabel>(w, label)->text();
    return texts.join('|');
}

// The six counts of tb_Result, as "1,0,1,0,0,0".
inline QString tallies(QWidget &w)
{
    auto *table = child<QTableWidget>(w, "tb_Result");
    QStringList counts;
    for (int row = 0; row < table->rowCount(); ++row)
        counts << table->item(row, 0)->text();
    return counts.join(',');
}

#endif // FIXTURES_H
