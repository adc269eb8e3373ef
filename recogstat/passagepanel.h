// The passages in the main window: marks along the position slider as they
// are found, "检测到 N 辆" under the counts, the scan's progress in the status
// bar with its cancel button, the buttons and keys that step from one
// vehicle to the next, and "设置计数线". The scan itself is passages.h.
#ifndef PASSAGEPANEL_H
#define PASSAGEPANEL_H

#include "passages.h"

#include <QObject>
#include <QVector>
#include <QWidget>

#include <functional>

class QAbstractScrollArea;
class QLabel;
class QMainWindow;
class QProgressBar;
class QToolButton;
class QSlider;

// Small marks painted over the slider, one per passage, where the slider's
// handle stands at that time. It takes no mouse events: the slider under it
// works as before.
class PassageMarks : public QWidget
{
public:
    explicit PassageMarks(QSlider *slider);
    void setLength(int seconds);
    void setMarks(const QVector<qint64> &ms);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    QSlider *slider;
    QVector<qint64> marks;
    int lengthSeconds = 0;
};

class PassagePanel : public QObject
{
    Q_OBJECT

public:
    // What the panel needs of the player: the position shown (seconds), and
    // playing from a second on.
    struct Player
    {
        std::function<int()> position;
        std::function<void(int seconds)> playFrom;
    };
    // The widgets go into `window`'s status bar and below the rows of the
    // counts table `counts`; the marks over `slider`.
    PassagePanel(QMainWindow *window, QSlider *slider, QAbstractScrollArea *counts, Player player);

    // A recording was opened (`recording` in the system's form): its scan
    // starts, with the line kept for its folder.
    void open(const QString &recording, int lengthSeconds);
    // The recording was closed: its scan ends, its marks go.
    void close();

    const QVector<scan::Passage> &passages() const { return list; }
    PassageScanner *scanner() const { return scan; }
    // Plays from a little before the next / the previous passage.
    void step(int by);

signals:
    // The scan finished or answered from the cache (also for tests).
    void scanFinished();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    static QString damageText(const QVector<scan::Damage> &damaged);
    void placeCountLabel();
    void startScan();
    void showCount();
    void finished(const PassageOutcome &outcome);
    void setLine();

    QMainWindow *window;
    Player player;
    PassageScanner *scan;
    PassageMarks *marks;
    QProgressBar *bar;
    QToolButton *cancelButton;
    QToolButton *previousButton;
    QToolButton *nextButton;
    QToolButton *lineButton;
    QLabel *countLabel;

    QString recording;
    int lengthSeconds = 0;
    scan::Line line;
    QVector<scan::Passage> list;
    int current = -1; // the passage stepped to last
};

#endif // PASSAGEPANEL_H
