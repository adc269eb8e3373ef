// This file implements the video review: opening, playing, pausing,
// stopping, speeding up, slowing down and seeking the recording, the
// position poll, and the snapshot of a vehicle the camera missed.
#include "mainwindow.h"
#include "ui_mainwindow.h"

#include "passagepanel.h"
#include "paths.h"
#include "playback.h"
#include "Tormo.h"

#include <QFileDialog>
#include <QProxyStyle>
#include <QThread>
#include <QTime>
#include <QTimer>

namespace {

// The position poll: up to a hundred engine reads a second, while playing.
constexpr int PollMs = 10;
// The engine needs a moment in the window before it reports the length.
constexpr int AttachSettleMs = 20;
// The position slider's range in the form, before any recording.
constexpr int NoRecordingSliderMax = 300;

} // namespace

void MainWindow::on_btn_OpenVideo_clicked()
{
    const QString path = QFileDialog::getOpenFileName(this, tr("打开录像"), lastPath, tr("(*.ts)"));
    if (path.isEmpty()) {
        updatePlayFocus();
        return;
    }
    lastPath = path;

    closeRecording();
    if (!Tormo_OpenMediaFile(enginePath(path).constData(), &playPort)) {
        playPort = NoPort;
        showNoRecording();
        notice(tr("录像无法打开"));
        return;
    }
    Tormo_AttachPlayWnd(playPort, ui->widget->winId(), 1);
    QThread::msleep(AttachSettleMs);
    Tormo_GetFileTime(playPort, &fileTime);

    ui->sl_PlayTime->setRange(0, fileTime);
    ui->la_PlayerTime->setText(QLatin1Char('/') + clockText(fileTime));
    // Every recording starts at normal speed; the engine's new port is at
    // normal speed already, so no code is sent.
    speedLevel = Speed::Normal;
    ui->la_PlaySpeed->setText(tr(Speed::label(speedLevel)));

    isPaused = false;
    Tormo_StartPlay(playPort);
    playTimer->start(PollMs);
    passagePanel->open(systemPath(path), fileTime);
    for (QPushButton *button : playbackButtons())
        button->setEnabled(true);
    updatePlayFocus();
}

void MainWindow::closeRecording()
{
    if (passagePanel)
        passagePanel->close(); // its scan ends with it
    playTimer->stop();
    if (playPort != NoPort)
        Tormo_CloseMediaFile(playPort);
    playPort = NoPort;
}

// What the playback row shows before any recording was opened: after a
// recording that does not open, nothing of the one before may seem to go on.
void MainWindow::showNoRecording()
{
    fileTime = 0;
    isPaused = false;
    speedLevel = Speed::Normal;
    ui->sl_PlayTime->setRange(0, NoRecordingSliderMax);
    ui->sl_PlayTime->setValue(0);
    ui->la_CurTime->setText(clockText(0));
    ui->la_PlayerTime->setText(QLatin1Char('/') + clockText(0));
    ui->la_PlaySpeed->clear();
    for (QPushButton *button : playbackButtons())
        button->setEnabled(false);
}

// At the end of the recording Play starts it again from the beginning.
void MainWindow::on_btn_Play_clicked()
{
    if (fileTime > 0 && playedTime() >= fileTime)
        seekTo(0);
    isPaused = false;
    Tormo_PausePlay(playPort, 0);
    playTimer->start(PollMs);
    ui->btn_PlayPause->setFocus(Qt::OtherFocusReason);
}

void MainWindow::on_btn_PlayPause_clicked()
{
    isPaused = true;
    Tormo_PausePlay(playPort, 1);
    playTimer->stop();
    updatePlayFocus();
}

// Stop is a pause at the start with the speed back to normal; Play resumes
// from there.
void MainWindow::on_btn_PlayStop_clicked()
{
    isPaused = true;
    Tormo_PausePlay(playPort, 1);
    setSpeed(Speed::Normal);
    playTimer->stop();
    Tormo_SetPlayedTime(playPort, 0);
    ui->sl_PlayTime->setValue(0);
    ui->la_CurTime->setText(clockText(0));
    updatePlayFocus();
}

void MainWindow::on_btn_PlaySpeed_clicked()
{
    updatePlayFocus();
    const int level = Speed::faster(speedLevel);
    if (level != speedLevel)
        setSpeed(level);
}

void MainWindow::on_btn_PlayBack_clicked()
{
    updatePlayFocus();
    const int level = Speed::slower(speedLevel);
    if (level != speedLevel)
        setSpeed(level);
}

// Sends the speed to the engine and shows it; paused or not.
void MainWindow::setSpeed(int level)
{
    speedLevel = level;
    Tormo_SpeedPlay(playPort, level);
    ui->la_PlaySpeed->setText(tr(Speed::label(level)));
}

// The poll follows the engine's position, but not while the reviewer drags
// the slider. At the end of the recording (the engine reports the length
// there and pauses) it goes into the paused state, so that Play shows what
// starts it again.
void MainWindow::timeCountSlot()
{
    int t = ui->sl_PlayTime->value(); // kept should the engine not answer
    Tormo_GetPlayedTime(playPort, &t);
    if (!ui->sl_PlayTime->isSliderDown()) {
        ui->sl_PlayTime->setValue(t);
        ui->la_CurTime->setText(clockText(t));
    }
    if (fileTime > 0 && t >= fileTime) {
        isPaused = true;
        Tormo_PausePlay(playPort, 1);
        playTimer->stop();
        if (!isTyping())
            updatePlayFocus();
    }
}

// Dragging the position slider shows where it goes; the recording seeks
// there once it is let go (a click on the groove jumps there, setupPositionSlider).
void MainWindow::showDraggedTime(int seconds)
{
    ui->la_CurTime->setText(clockText(seconds));
}

void MainWindow::seekToSlider()
{
    if (playPort != NoPort) {
        seekTo(ui->sl_PlayTime->value());
    } else { // nothing to seek: the slider goes back
        ui->sl_PlayTime->setValue(0);
        showDraggedTime(0);
    }
}

namespace {

// A left click on a slider's groove puts the handle there at once (and
// starts a drag), rather than stepping a page towards the click.
class ClickJumpsStyle : public QProxyStyle
{
public:
    int styleHint(StyleHint hint, const QStyleOption *option, const QWidget *widget,
                  QStyleHintReturn *returned) const override
    {
        if (hint == QStyle::SH_Slider_AbsoluteSetButtons)
            return Qt::LeftButton;
        return QProxyStyle::styleHint(hint, option, widget, returned);
    }
};

} // namespace

void MainWindow::setupPositionSlider()
{
    auto *style = new ClickJumpsStyle; // on the application's style
    style->setParent(ui->sl_PlayTime);
    ui->sl_PlayTime->setStyle(style);
    // a click on the groove has moved the handle by the time it is down
    connect(ui->sl_PlayTime, &QSlider::sliderPressed, this,
            [this] { showDraggedTime(ui->sl_PlayTime->value()); });
    connect(ui->sl_PlayTime, &QSlider::sliderMoved, this, &MainWindow::showDraggedTime);
    connect(ui->sl_PlayTime, &QSlider::sliderReleased, this, &MainWindow::seekToSlider);
}

// Seeks as soon as the time changes, digit by digit; the next poll moves the
// slider and the label. While the reviewer types, the focus stays in the
// editor: it goes back to playback once the editing ends (setupKeys).
void MainWindow::on_ed_SetPlayTime_timeChanged(const QTime &time)
{
    const int target = time.hour() * 3600 + time.minute() * 60 + time.second();
    if (target > fileTime) {
        notice(tr("请输入有效时间"));
        return;
    }
    Tormo_SetPlayedTime(playPort, target);
    if (!ui->ed_SetPlayTime->hasFocus())
        updatePlayFocus();
}

// Saves the frame on screen as a vehicle the camera missed and counts it as
// passed and missed, once the picture is on disk and on record. Playback
// goes on undisturbed.
void MainWindow::on_btn_SeepSaveAs_clicked()
{
    if (playPort == NoPort) {
        notice(tr("请导入本地录像"));
        return;
    }
    int t = 0;
    Tormo_GetPlayedTime(playPort, &t);

    // The name's number comes from the millisecond of the wall-clock minute,
    // so two clicks on the same video second rarely share a name (and the
    // engine never replaces a snapshot when they do).
    const QTime now = QTime::currentTime();
    QT_WARNING_PUSH
    QT_WARNING_DISABLE_DEPRECATED
    qsrand(uint(now.msec() + 1000 * now.second()));
    const int r = qrand();
    QT_WARNING_POP

    const QString path = tr("image\\漏拍\\") + QString::number(r) + QLatin1Char('_')
                         + clockText(t, QLatin1Char('_'));
    const Review::Outcome outcome = review.snapshot(
        path, [this, &path] { return Tormo_Snapshot(playPort, 1, enginePath(path).constData()) != 0; });
    showCounts();
    notice(outcome.notice);
    updatePlayFocus();
}
