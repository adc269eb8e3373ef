// This file implements the capture-picture review: opening a folder of
// capture pictures, stepping through it, filing each picture under a
// verdict and taking a filing back.
#include "mainwindow.h"
#include "ui_mainwindow.h"

#include "capture.h"
#include "paths.h"
#include "showimage.h"

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QImage>

// The five verdicts: folder, caption, then the tallies a filing raises.
const QVector<MainWindow::Verdict> &MainWindow::verdicts()
{
    static const QVector<Verdict> table = {
        {QT_TR_NOOP("image\\识别正确\\"), QT_TR_NOOP("识别正确"), {TotalRow, CorrectRow}},
        {QT_TR_NOOP("image\\识别错误\\"), QT_TR_NOOP("识别错误"), {TotalRow, WrongRow}},
        {QT_TR_NOOP("image\\多拍空拍\\"), QT_TR_NOOP("多拍/空拍"), {MultiEmptyRow}},
        {QT_TR_NOOP("image\\捕获但车牌无效\\"), QT_TR_NOOP("捕获但车牌无效"), {TotalRow}, true},
        {QT_TR_NOOP("image\\非机动车\\"), QT_TR_NOOP("非机动车"), {NonMotorRow}},
    };
    return table;
}

// Opening a folder starts a new review: its pictures, position 1, every
// tally at 0; or, for a folder reviewed before, resumes that review if the
// reviewer wishes. A cancelled dialog or a folder without a single usable
// picture leaves the review that is open as it was.
void MainWindow::on_btn_OpenImg_clicked()
{
    const QString chosen = QFileDialog::getExistingDirectory(
        this, tr("选择文件夹"), lastPath, QFileDialog::ShowDirsOnly);
    if (chosen.isEmpty()) {
        updatePlayFocus();
        return;
    }
    lastPath = chosen;

    QStringList names;
    const QVector<PictureRecord> records =
        readPictureFolder(QString(chosen).replace(QLatin1Char('/'), QLatin1Char('\\')), &names);
    if (records.size() < 2) {
        notice(tr("所选文件夹中没有可用的抓拍图片"));
        updatePlayFocus();
        return;
    }

    // A folder reviewed before may go on where it stopped, or start afresh
    // with the earlier journal kept aside.
    ReviewJournal found(QString(chosen).replace(QLatin1Char('/'), QLatin1Char('\\')));
    const Resume resume = found.exists() ? askResume() : Resume::No;
    if (resume == Resume::Neither) {
        updatePlayFocus();
        return;
    }
    if (resume == Resume::No && !found.setAside()) {
        notice(tr("审核记录无法写入")); // the earlier journal is never overwritten
        updatePlayFocus();
        return;
    }

    fileList = names;
    picRecords = records;
    picCount = records.size() - 1;
    picIndex = 1;
    for (QPushButton *button : reviewButtons())
        button->setEnabled(true);
    for (QTableWidget *table : {ui->tb_Rate, ui->tb_Result})
        for (int row = 0; row < table->rowCount(); ++row)
            if (QTableWidgetItem *cell = table->item(row, 0))
                cell->setData(Qt::DisplayRole, QStringLiteral("0"));
    plateInvalidCount = 0;
    filings.clear();
    journal = found;
    if (resume == Resume::Yes)
        resumeReview(); // shows the first picture not yet filed
    else
        showPicture();
    updatePlayFocus();
}

// Shows the current picture: the whole of it in the view with the plate
// outlined, the plate crop, the recognised text, the position, the name.
void MainWindow::showPicture()
{
    const PictureRecord *r = currentPicture();
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
    ui->la_ImgNum->setText(QString::number(picIndex) + QStringLiteral("  /  ")
                           + QString::number(picCount));
    ui->la_FileName->setText(fileNameOf(r->filePath));
}

// "已处理！" on a filed picture, with its verdict as the tool tip.
void MainWindow::showFiledMark()
{
    const Filing *filed = nullptr;
    for (const Filing &filing : filings)
        if (filing.picture == picIndex)
            filed = &filing;
    const PictureRecord *r = currentPicture();
    const bool processed = r && r->processed == 1;
    ui->la_ImgFlag->setText(processed ? tr("已处理！") : QString());
    ui->la_ImgFlag->setToolTip(processed && filed ? tr(filed->verdict->name) : QString());
}

// Forward, at 100 percent zoom; also the step after every verdict.
void MainWindow::on_btn_NextImg_clicked()
{
    if (const PictureRecord *r = currentPicture()) {
        if (picIndex >= picCount) {
            notice(tr("当前已经是最后一张了"));
            // the verdict that led here may just have filed this picture
            if (r->processed == 1)
                showFiledMark();
        } else {
            ui->sb_ImgSize->setValue(Zoom.fitted);
            ++picIndex;
            showPicture();
        }
    }
    updatePlayFocus();
}

// Backward; the zoom stays as it is.
void MainWindow::on_btn_LastImg_clicked()
{
    if (currentPicture()) {
        if (picIndex <= 1) {
            notice(tr("当前是第一张"));
        } else {
            --picIndex;
            showPicture();
        }
    }
    updatePlayFocus();
}

// Files a copy of the current picture under the verdict's folder, counts it
// once, and steps on. A copy never replaces a file already there: any
// failed copy says so and counts nothing, and the picture stays open to
// another verdict.
void MainWindow::fileCurrentPicture(const Verdict &verdict)
{
    PictureRecord *r = currentPicture();
    if (!r) {
        updatePlayFocus();
        return;
    }
    if (r->processed != 1) {
        const QString folder = tr(verdict.folder);
        // mkpath, not mkdir: "image" itself may have been removed meanwhile
        QDir().mkpath(systemPath(folder));
        // A name that a different picture took (another folder's: cameras
        // name by time) gets a suffix; this very picture there is refused.
        const QString target = copyTarget(r->filePath, folder);
        // On record before the copy is made: a crash in between leaves a
        // filing without its copy, which resuming drops.
        if (target.isNull()) {
            notice(tr("文件已存在"));
        } else if (!journal.recordFiling({fileNameOf(r->filePath), target})) {
            notice(tr("审核记录无法写入"));
        } else if (QFile::copy(systemPath(r->filePath), systemPath(target))) {
            r->processed = 1;
            for (TallyRow row : verdict.tallies)
                raiseTally(row);
            if (verdict.platesInvalid)
                ++plateInvalidCount;
            filings.append({picIndex, target, &verdict});
        } else {
            journal.recordUndo(target);
            notice(tr("文件已存在"));
        }
    }
    on_btn_NextImg_clicked();
    updatePlayFocus();
}

// Takes back the last filing still on record: its copy goes, its tallies
// drop by one, the picture is unprocessed again and shown. A copy that no
// longer holds the picture's bytes is the reviewer's own file by now: it
// stays, and so does everything else. The rates in tb_Rate wait for the
// next "统计结果".
void MainWindow::undoFiling()
{
    if (filings.isEmpty())
        return;
    const Filing last = filings.last();
    PictureRecord &r = picRecords[last.picture];
    if (!sameContents(last.copy, r.filePath)) {
        notice(tr("无法撤销：文件已被修改"));
        updatePlayFocus();
        return;
    }
    if (!QFile::remove(systemPath(last.copy))) {
        notice(tr("无法撤销：文件无法删除"));
        updatePlayFocus();
        return;
    }
    // Recorded after the copy is gone: should the line be lost, resuming
    // drops the filing all the same, its copy being missing.
    journal.recordUndo(last.copy);
    filings.removeLast();
    for (TallyRow row : last.verdict->tallies)
        raiseTally(row, -1);
    if (last.verdict->platesInvalid)
        --plateInvalidCount;
    r.processed = 0;
    ui->sb_ImgSize->setValue(Zoom.fitted);
    picIndex = last.picture;
    showPicture();
    updatePlayFocus();
}

// The five verdicts, in the table's order.
void MainWindow::on_btn_Right_clicked()
{
    fileCurrentPicture(verdicts()[0]);
}

void MainWindow::on_btn_Error_clicked()
{
    fileCurrentPicture(verdicts()[1]);
}

void MainWindow::on_btn_More_clicked()
{
    fileCurrentPicture(verdicts()[2]);
}

void MainWindow::on_btn_PlateInvain_clicked()
{
    fileCurrentPicture(verdicts()[3]);
}

void MainWindow::on_btn_FeiJiDong_clicked()
{
    fileCurrentPicture(verdicts()[4]);
}
