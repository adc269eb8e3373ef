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

} // namespace

void MainWindow::on_btn_Result_clicked()
{
    const QStringList rates =
        rateTexts(talliesFromCells(columnTexts(ui->tb_Result), plateInvalidCount));
    for (int row = 0; row < rates.size(); ++row)
        ui->tb_Rate->item(row, 0)->setData(Qt::DisplayRole, rates[row]);
    updatePlayFocus();
}

void MainWindow::on_btn_OutPut_clicked()
{
    const QString fileName = QFileDialog::getSaveFileName(nullptr, tr("Save File"), QString(),
                                                          tr("file (*.csv)"));
    if (fileName.isEmpty())
        return;
    const QByteArray report = reportBytes(columnTexts(ui->tb_Result), columnTexts(ui->tb_Rate));
    // A report that cannot be written leaves any earlier one of that name
    // as it was; the reviewer is told, and may choose another place.
    if (report.isEmpty() || !writeWhole(fileName, report))
        notice(tr("文件保存失败"));
    updatePlayFocus();
}
