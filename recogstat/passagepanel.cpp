#include "passagepanel.h"

#include "countlinedialog.h"
#include "playback.h"

#include <QAbstractScrollArea>
#include <QEvent>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QKeySequence>
#include <QLabel>
#include <QMainWindow>
#include <QPainter>
#include <QProgressBar>
#include <QToolButton>
#include <QShortcut>
#include <QSlider>
#include <QStatusBar>
#include <QStyle>
#include <QStyleOptionSlider>

#include <algorithm>

namespace {

// A step plays from this long before the crossing, so that the reviewer
// sees the vehicle come up to the line.
constexpr int LeadSeconds = 2;
// While the player stands within this of the passage stepped to last, the
// next step goes on from that passage; elsewhere it starts from the player.
constexpr qint64 NearBeforeMs = (LeadSeconds + 2) * 1000;
constexpr qint64 NearAfterMs = 8000;
constexpr int ProgressSteps = 1000;
const QColor MarkColour(230, 90, 0);
constexpr int CountMargin = 4;

QString leftText(double seconds)
{
    const int s = int(seconds + 0.5);
    return QStringLiteral("%1:%2").arg(s / 60).arg(s % 60, 2, 10, QLatin1Char('0'));
}

} // namespace

PassageMarks::PassageMarks(QSlider *slider)
    : QWidget(slider)
    , slider(slider)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
    slider->installEventFilter(this);
    setGeometry(slider->rect());
}

void PassageMarks::setLength(int seconds)
{
    lengthSeconds = seconds;
    update();
}

void PassageMarks::setMarks(const QVector<qint64> &ms)
{
    marks = ms;
    update();
}

bool PassageMarks::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == slider && event->type() == QEvent::Resize)
        setGeometry(slider->rect());
    return QWidget::eventFilter(watched, event);
}

// Where the handle's centre stands for each time, as the slider's style
// places it.
void PassageMarks::paintEvent(QPaintEvent *)
{
    if (lengthSeconds <= 0 || marks.isEmpty())
        return;
    QStyleOptionSlider option;
    option.initFrom(slider);
    option.orientation = slider->orientation();
    option.minimum = slider->minimum();
    option.maximum = slider->maximum();
    option.sliderPosition = slider->minimum();
    option.subControls = QStyle::SC_SliderGroove | QStyle::SC_SliderHandle;
    const QRect groove = slider->style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderGroove, slider);
    const QRect handle = slider->style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, slider);
    const int span = std::max(1, groove.width() - handle.width());
    const qint64 lengthMs = qint64(lengthSeconds) * 1000;
    QPainter painter(this);
    for (const qint64 ms : qAsConst(marks)) {
        const int x = groove.left() + handle.width() / 2
                      + QStyle::sliderPositionFromValue(0, int(std::min<qint64>(lengthMs, INT_MAX)),
                                                        int(std::clamp<qint64>(ms, 0, lengthMs)), span);
        painter.fillRect(x - 1, 0, 2, height(), MarkColour);
    }
}

PassagePanel::PassagePanel(QMainWindow *window, QSlider *slider, QAbstractScrollArea *counts, Player player)
    : QObject(window)
    , window(window)
    , player(std::move(player))
    , scan(new PassageScanner(this))
    , marks(new PassageMarks(slider))
    , bar(new QProgressBar)
    , cancelButton(new QToolButton)
    , previousButton(new QToolButton)
    , nextButton(new QToolButton)
    , lineButton(new QToolButton)
    , countLabel(new QLabel)
{
    bar->setObjectName(QStringLiteral("pb_PassageScan"));
    cancelButton->setObjectName(QStringLiteral("btn_PassageScanCancel"));
    previousButton->setObjectName(QStringLiteral("btn_PreviousVehicle"));
    nextButton->setObjectName(QStringLiteral("btn_NextVehicle"));
    lineButton->setObjectName(QStringLiteral("btn_CountLine"));
    countLabel->setObjectName(QStringLiteral("la_Detected"));

    // Flat buttons and a thin bar: the status bar stays one line of text high.
    const struct
    {
        QToolButton *button;
        const char *text;
    } captions[] = {{cancelButton, QT_TR_NOOP("取消")},
                    {previousButton, QT_TR_NOOP("上一辆")},
                    {nextButton, QT_TR_NOOP("下一辆")},
                    {lineButton, QT_TR_NOOP("设置计数线")}};
    for (const auto &c : captions) {
        c.button->setText(tr(c.text));
        c.button->setAutoRaise(true);
        c.button->setToolButtonStyle(Qt::ToolButtonTextOnly);
    }
    bar->setMaximumHeight(bar->fontMetrics().height());
    bar->setRange(0, ProgressSteps);
    bar->setMaximumWidth(220);
    QStatusBar *status = window->statusBar();
    status->addPermanentWidget(previousButton);
    status->addPermanentWidget(nextButton);
    status->addPermanentWidget(lineButton);
    status->addPermanentWidget(bar);
    status->addPermanentWidget(cancelButton);
    // The label stands inside the counts table, in the room below its rows,
    // so that the window's layout stays as it is.
    countLabel->setParent(counts->viewport());
    countLabel->setAttribute(Qt::WA_TransparentForMouseEvents);
    counts->viewport()->installEventFilter(this);
    placeCountLabel();

    // Down and Up: free of the review's keys (digits, Left/Right, the Page
    // keys, Space, Ctrl+Z); the time editor keeps them while it is typed into.
    const struct
    {
        QToolButton *button;
        int key;
        int by;
    } steps[] = {{nextButton, Qt::Key_Down, 1}, {previousButton, Qt::Key_Up, -1}};
    for (const auto &s : steps) {
        const int by = s.by;
        QToolButton *button = s.button;
        connect(button, &QToolButton::clicked, this, [this, by] { step(by); });
        auto *shortcut = new QShortcut(QKeySequence(s.key), window);
        shortcut->setContext(Qt::WindowShortcut);
        // Each step seeks and plays: a held key steps once.
        shortcut->setAutoRepeat(false);
        connect(shortcut, &QShortcut::activated, button, [button] {
            if (button->isEnabled())
                button->click();
        });
        button->setToolTip(tr("快捷键：") + QKeySequence(s.key).toString(QKeySequence::NativeText));
        // The keys stay with playback: a click does not take the focus.
        button->setFocusPolicy(Qt::NoFocus);
    }
    lineButton->setFocusPolicy(Qt::NoFocus);
    cancelButton->setFocusPolicy(Qt::NoFocus);
    connect(lineButton, &QToolButton::clicked, this, &PassagePanel::setLine);
    connect(cancelButton, &QToolButton::clicked, this, [this] {
        scan->cancel();
        bar->hide();
        cancelButton->hide();
        this->window->statusBar()->showMessage(tr("过车检测已取消"));
    });

    connect(scan, &PassageScanner::progress, this, [this](double done, double secondsLeft) {
        bar->setValue(int(done * ProgressSteps));
        bar->setFormat(secondsLeft >= 0 ? tr("%p%  剩余 %1").arg(leftText(secondsLeft)) : QStringLiteral("%p%"));
    });
    connect(scan, &PassageScanner::found, this, [this](const scan::Passage &p) {
        list.push_back(p);
        QVector<qint64> ms;
        for (const scan::Passage &q : qAsConst(list))
            ms << q.ms;
        marks->setMarks(ms);
        showCount();
    });
    connect(scan, &PassageScanner::finished, this, &PassagePanel::finished);
    close();
}

void PassagePanel::placeCountLabel()
{
    const QWidget *room = countLabel->parentWidget();
    const int h = countLabel->sizeHint().height();
    countLabel->setGeometry(CountMargin, room->height() - h - CountMargin, room->width() - 2 * CountMargin, h);
}

bool PassagePanel::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == countLabel->parentWidget() && event->type() == QEvent::Resize)
        placeCountLabel();
    return QObject::eventFilter(watched, event);
}

void PassagePanel::open(const QString &path, int seconds)
{
    recording = path;
    lengthSeconds = seconds;
    line = CountLines::lineFor(QFileInfo(path).absolutePath());
    lineButton->setEnabled(true);
    startScan();
}

void PassagePanel::close()
{
    scan->cancel();
    recording.clear();
    list.clear();
    current = -1;
    marks->setMarks({});
    bar->hide();
    cancelButton->hide();
    lineButton->setEnabled(false);
    countLabel->clear();
    showCount();
}

void PassagePanel::startScan()
{
    list.clear();
    current = -1;
    marks->setLength(lengthSeconds);
    marks->setMarks({});
    bar->setValue(0);
    bar->setFormat(QStringLiteral("%p%"));
    bar->show();
    cancelButton->show();
    window->statusBar()->clearMessage();
    showCount();
    scan->start(recording, line);
}

void PassagePanel::showCount()
{
    previousButton->setEnabled(!list.isEmpty());
    nextButton->setEnabled(!list.isEmpty());
    if (!recording.isEmpty())
        countLabel->setText(tr("检测到 %1 辆").arg(list.size()));
    placeCountLabel();
}

// Where the scan could not read: the times of the first stretches, and how
// many there are in all ("录像 0:1:20、0:4:2 处损坏，无法读取").
QString PassagePanel::damageText(const QVector<scan::Damage> &damaged)
{
    constexpr int Named = 3;
    QStringList at;
    for (int i = 0; i < damaged.size() && i < Named; ++i)
        at << clockText(int(damaged[i].fromMs / 1000));
    const QString where = at.join(tr("、")) + (damaged.size() > Named ? tr(" 等 %1 ").arg(damaged.size()) : QString());
    return tr("录像 %1 处损坏，无法读取").arg(where);
}

void PassagePanel::finished(const PassageOutcome &outcome)
{
    bar->hide();
    cancelButton->hide();
    // The whole result, sorted, stands for what came in one by one.
    list = outcome.passages;
    QVector<qint64> ms;
    for (const scan::Passage &p : qAsConst(list))
        ms << p.ms;
    marks->setMarks(ms);
    showCount();
    if (outcome.status == scan::Status::Unreadable)
        window->statusBar()->showMessage(tr("过车检测无法读取录像"));
    else if (!outcome.damaged.isEmpty())
        window->statusBar()->showMessage(damageText(outcome.damaged));
    emit scanFinished();
}

void PassagePanel::step(int by)
{
    if (list.isEmpty())
        return;
    const qint64 at = qint64(player.position()) * 1000;
    int target;
    const bool near = current >= 0 && current < list.size() && at >= list[current].ms - NearBeforeMs
                      && at <= list[current].ms + NearAfterMs;
    if (near) {
        target = current + by;
    } else if (by > 0) {
        target = int(std::upper_bound(list.begin(), list.end(), at,
                                      [](qint64 t, const scan::Passage &p) { return t < p.ms; })
                     - list.begin());
    } else {
        target = int(std::lower_bound(list.begin(), list.end(), at,
                                      [](const scan::Passage &p, qint64 t) { return p.ms < t; })
                     - list.begin())
                 - 1;
    }
    if (target < 0 || target >= list.size())
        return;
    current = target;
    player.playFrom(std::max(0, int(list[current].ms / 1000) - LeadSeconds));
}

void PassagePanel::setLine()
{
    if (recording.isEmpty())
        return;
    CountLineDialog dialog(recording, line, window);
    if (dialog.exec() != QDialog::Accepted || dialog.line() == line)
        return;
    line = dialog.line();
    CountLines::keep(QFileInfo(recording).absolutePath(), line);
    startScan();
}
