// This file implements the capture-picture review: opening a folder of
// capture pictures, stepping through it and filing each picture under a
// verdict.
#include "mainwindow.h"
#include "ui_mainwindow.h"

// (being written)
void MainWindow::on_btn_OpenImg_clicked() {}
void MainWindow::on_btn_NextImg_clicked() {}
void MainWindow::on_btn_LastImg_clicked() {}
void MainWindow::on_btn_Right_clicked() {}
void MainWindow::on_btn_Error_clicked() {}
void MainWindow::on_btn_More_clicked() {}
void MainWindow::on_btn_FeiJiDong_clicked() {}
void MainWindow::on_btn_PlateInvain_clicked() {}
