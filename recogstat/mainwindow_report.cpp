// This file implements the statistics and the report: the rates computed
// from the tallies, and their export as a CSV file.
#include "mainwindow.h"
#include "ui_mainwindow.h"

// (being written)
void MainWindow::on_btn_Result_clicked() {}
void MainWindow::on_btn_OutPut_clicked() {}
