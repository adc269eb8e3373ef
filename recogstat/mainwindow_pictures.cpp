// This file implements the capture-picture review: opening a folder of
// capture pictures (afresh or resumed), stepping through it, filing each
// picture under a verdict and taking a change back. What each of them does
// to the review lives in review.cpp; here it is asked and shown.
#include "mainwindow.h"
#include "ui_mainwindow.h"

#include "capture.h"
#include "paths.h"
#include "showimage.h"

#include <QFileDialog>
#include <QImage>
#include <QMessageBox>
#include <QPushButton>

// Opening a folder starts a new review: its pictures, position 1, every
// count at 0; or, for a folder reviewed before, resumes that review if the
// reviewer wishes. A cancelled dialog, a folder without a single usable
// picture or one that another window reviews leaves the review that is open
// as it was.
void MainWindow::on_btn_OpenImg_clicked()
{
    const QString chosen = QFileDialog::getExistingDirectory(
        this, tr("选择文件夹"), lastPath, QFileDialog::ShowDirsOnly);
    if (chosen.isEmpty()) {
        updatePlayFocus();
        return;
    }
    lastPath = chosen;

    const QString folder = programPath(chosen);
    QStringList names;
    const QVector<PictureRecord> records = readPictureFolder(folder, &names);
    if (records.size() < 2) {
        notice(tr("所选文件夹中没有可用的抓拍图片"));
        updatePlayFocus();
        return;
    }
    Review opened(folder, records);
    if (!opened.lock(review)) {
        notice(tr("该文件夹正在另一个窗口中审核"));
        updatePlayFocus();
        return;
    }
    const Resume resume = opened.hasJournal() ? askResume() : Resume::No;
    if (resume == Resume::Neither) {
        updatePlayFocus();
        return;
    }
    const Review::Outcome outcome =
        opened.start(resume == Resume::Yes ? Review::Start::Resume : Review::Start::Fresh);
    if (outcome.refused) {
        notice(outcome.notice);
        updatePlayFocus();
        return;
    }

    fileList = names;
    review = opened;
    for (QPushButton *button : reviewButtons())
        button->setEnabled(true);
    for (int row = 0; row < ui->tb_Rate->rowCount(); ++row)
        if (QTableWidgetItem *cell = ui->tb_Rate->item(row, 0))
            cell->setData(Qt::DisplayRole, QStringLiteral("0"));
    showCounts();
    showPicture(); // a resumed review: the first picture not yet filed
    notice(outcome.notice);
    updatePlayFocus();
}

// 是 resumes, 否 starts afresh. Neither is the box's escape button: a key
// press or the title bar's close could otherwise set a review aside
// unasked, so the box stays until one is chosen.
MainWindow::Resume MainWindow::askResume()
{
    QMessageBox box(QMessageBox::Question, tr("提示"), tr("继续上次的审核？"));
    QPushButton *yes = box.addButton(tr("是"), QMessageBox::YesRole);
    QPushButton *no = box.addButton(tr("否"), QMessageBox::DestructiveRole);
    box.setDefaultButton(yes);
    box.exec();
    return box.clickedButton() == yes ? Resume::Yes
           : box.clickedButton() == no ? Resume::No
                                       : Resume::Neither;
}

// Shows the current picture: the whole of it in the view with the plate
// outlined, the plate crop, the recognised text, the position, the name.
void MainWindow::showPicture()
{
    const PictureRecord *r = review.current();
    if (!r)
        return;
    // One decode feeds both the crop and the view. A picture that does not
    // decode leaves both empty; the texts are still shown.
    const QImage picture(systemPath(r->filePath));

    showFiledMark();
    const QRect crop = cropOnPicture(plateCrop(*r), picture.size());
    if (crop.isEmpty())
        ui->la_CarImg->clear();
    else
        ui->la_CarImg->setPixmap(QPixmap::fromImage(picture.copy(crop)));
    ui->la_ShowCarImg->setText(r->plateText);
    imageView->loadPicture(picture, plateBox(*r));
    ui->la_ImgNum->setText(QString::number(review.position()) + QStringLiteral("  /  ")
                           + QString::number(review.pictures()));
    ui->la_FileName->setText(fileNameOf(r->filePath));
}

// "已处理！" on a filed picture, with its verdict as the tool tip.
void MainWindow::showFiledMark()
{
    const PictureRecord *r = review.current();
    const bool processed = r && r->processed;
    const Review::Verdict *filed = review.verdictOf(review.position());
    ui->la_ImgFlag->setText(processed ? tr("已处理！") : QString());
    ui->la_ImgFlag->setToolTip(processed && filed ? tr(filed->name) : QString());
}

// Forward, at 100 percent zoom; also the step after every verdict.
void MainWindow::on_btn_NextImg_clicked()
{
    if (const PictureRecord *r = review.current()) {
        if (!review.forward()) {
            notice(tr("当前已经是最后一张了"));
            // the verdict that led here may just have filed this picture
            if (r->processed)
                showFiledMark();
        } else {
            ui->sb_ImgSize->setValue(Zoom.fitted);
            showPicture();
        }
    }
    updatePlayFocus();
}

// Backward; the zoom stays as it is.
void MainWindow::on_btn_LastImg_clicked()
{
    if (review.current()) {
        if (!review.back())
            notice(tr("当前是第一张"));
        else
            showPicture();
    }
    updatePlayFocus();
}

// Files the current picture under a verdict and steps on. A refused filing
// says why, counts nothing and stays on the picture, open to another
// verdict.
void MainWindow::fileCurrentPicture(int verdict)
{
    const Review::Outcome outcome = review.file(verdict);
    showCounts();
    notice(outcome.notice);
    if (outcome.stepOn)
        on_btn_NextImg_clicked();
    updatePlayFocus();
}

// Takes back the last filing or snapshot still standing; a filing's
// picture is shown again, unprocessed, at 100 percent. The rates in tb_Rate
// wait for the next "统计结果".
void MainWindow::undoLast()
{
    const Review::Outcome outcome = review.undo();
    showCounts();
    notice(outcome.notice);
    if (outcome.moved) {
        ui->sb_ImgSize->setValue(Zoom.fitted);
        showPicture();
    }
    updatePlayFocus();
}

// The five verdicts, in the table's order (Review::verdicts).
void MainWindow::on_btn_Right_clicked()
{
    fileCurrentPicture(0);
}

void MainWindow::on_btn_Error_clicked()
{
    fileCurrentPicture(1);
}

void MainWindow::on_btn_More_clicked()
{
    fileCurrentPicture(2);
}

void MainWindow::on_btn_PlateInvain_clicked()
{
    fileCurrentPicture(3);
}

void MainWindow::on_btn_FeiJiDong_clicked()
{
    fileCurrentPicture(4);
}
