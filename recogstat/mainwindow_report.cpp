// This file implements the statistics and the report: the rates computed
// from the tallies, and their export as a CSV file. What they compute lives
// in report.cpp; here the tables are read and written.
#include "mainwindow.h"
#include "ui_mainwindow.h"

#include "report.h"

#include <QFileDialog>

namespace {

// The display texts of a table's column 0, row by row.
QStringList columnTexts(const QTableWidget *table)
{
    QStringList texts;
    for (int row = 0; row < table->rowCount(); ++row)
        texts << table->item(row, 0)->data(Qt::DisplayRole).toString();
    return texts;
}

// The report's file name, or an empty one when the reviewer cancels. A name
// typed without a suffix gets ".csv"; replacing a file is asked first. The
// dialog is gone before the report is written.
QString askReportName()
{
    QFileDialog dialog(nullptr, MainWindow::tr("Save File"), QString(), MainWindow::tr("file (*.csv)"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(QStringLiteral("csv"));
    return dialog.exec() == QDialog::Accepted ? dialog.selectedFiles().value(0) : QString();
}

} // namespace

void MainWindow::on_btn_Result_clicked()
{
    showRates(rateTexts(talliesFromCells(columnTexts(ui->tb_Result), review.plateInvalid())));
    updatePlayFocus();
}

void MainWindow::showRates(const QStringList &rates)
{
    for (int row = 0; row < rates.size(); ++row)
        ui->tb_Rate->item(row, 0)->setData(Qt::DisplayRole, rates[row]);
}

// The report's rates are computed from the very counts it holds, as
// "统计结果" computes them, and shown too: a report never pairs new counts
// with the rates of an earlier press.
void MainWindow::on_btn_OutPut_clicked()
{
    const QString fileName = askReportName();
    if (fileName.isEmpty())
        return;

    const QStringList counts = columnTexts(ui->tb_Result);
    const QStringList rates = rateTexts(talliesFromCells(counts, review.plateInvalid()));
    showRates(rates);
    const QByteArray report = reportBytes(counts, rates);
    // A report that cannot be written leaves any earlier one of that name
    // as it was; the reviewer is told, and may choose another place.
    if (report.isEmpty() || !writeWhole(fileName, report))
        notice(tr("文件保存失败"));
    updatePlayFocus();
}
