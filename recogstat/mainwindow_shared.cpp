// This file implements what every subject file of the main window shares:
// the focus hand-back, the two button groups, the counts shown, the notice,
// and reading and setting the recording's position. It calls no other file
// of the window.
#include "mainwindow.h"
#include "ui_mainwindow.h"

#include "playback.h"
#include "Tormo.h"

#include <QMessageBox>

namespace {

// A notice's text is given this much width at least, so that the box is as
// wide as its title bar needs.
constexpr int NoticeMinTextWidth = 180;

} // namespace

// Hands the keyboard focus back to the button that toggles playback, so the
// reviewer can pause and resume from the keyboard while filing pictures.
void MainWindow::updatePlayFocus()
{
    QWidget *target = isPaused ? ui->btn_Play : ui->btn_PlayPause;
    target->setFocus(Qt::OtherFocusReason);
}

QList<QPushButton *> MainWindow::playbackButtons() const
{
    return {ui->btn_Play, ui->btn_PlayPause, ui->btn_PlayBack, ui->btn_PlayStop,
            ui->btn_PlaySpeed};
}

QList<QPushButton *> MainWindow::reviewButtons() const
{
    return {ui->btn_Result, ui->btn_LastImg, ui->btn_NextImg, ui->btn_Right,
            ui->btn_Error, ui->btn_More, ui->btn_FeiJiDong, ui->btn_PlateInvain,
            ui->btn_OutPut, ui->btn_SeepSaveAs};
}

// The cells are the display of the review's counts: the statistics and the
// report read them as they stand.
void MainWindow::showCounts()
{
    for (int row = TotalRow; row <= NonMotorRow; ++row)
        ui->tb_Result->item(row, 0)->setData(Qt::DisplayRole,
                                             QString::number(review.count(TallyRow(row))));
    plateInvalidText->setText(tr("捕获但车牌无效 %1").arg(review.plateInvalid()));
}

// QMessageBox::about's box, but never narrower than its title bar needs: a
// short text would cut the title "提示" off beside the window's buttons.
void MainWindow::notice(const QString &text)
{
    if (text.isEmpty())
        return;
    QMessageBox box(QMessageBox::NoIcon, tr("提示"), text, QMessageBox::Ok);
    const QIcon icon = box.windowIcon();
    box.setIconPixmap(icon.pixmap(icon.actualSize(QSize(64, 64))));
    box.setStyleSheet(QStringLiteral("QLabel#qt_msgbox_label { min-width: %1px; }")
                          .arg(NoticeMinTextWidth));
    box.exec();
}

int MainWindow::playedTime() const
{
    int t = ui->sl_PlayTime->value(); // kept should the engine not answer
    Tormo_GetPlayedTime(playPort, &t);
    return t;
}

// Seeks, and shows the new position at once: the poll follows from there.
void MainWindow::seekTo(int seconds)
{
    Tormo_SetPlayedTime(playPort, seconds);
    ui->sl_PlayTime->setValue(seconds);
    ui->la_CurTime->setText(clockText(seconds));
}
