// This file implements the window's side of the vehicle passages: the panel
// (passagepanel.h) set up over the position slider, the counts and the
// status bar, and how a step to a passage plays the recording.
#include "mainwindow.h"
#include "ui_mainwindow.h"

#include "passagepanel.h"

void MainWindow::setupPassages()
{
    PassagePanel::Player player;
    player.position = [this] { return ui->sl_PlayTime->value(); };
    // Seeks, shows the new position at once, and plays from there.
    player.playFrom = [this](int seconds) {
        if (playPort == NoPort)
            return;
        seekTo(seconds);
        on_btn_Play_clicked();
    };
    passagePanel = new PassagePanel(this, ui->sl_PlayTime, ui->tb_Result, player);
}
