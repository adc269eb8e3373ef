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

// A verdict: the folder its copies go to and the tallies it raises.
struct MainWindow::Verdict
{
    const char *folder; // a tr() text: relative, "\" separators, ends with "\"
    QVector<TallyRow> tallies;
    bool platesInvalid = false; // also counts in plateInvalidCount
};

namespace {

// Whether two files hold the same bytes; false when either cannot be read.
// Capture pictures are a few megabytes at most, so both are read whole.
bool sameContents(const QString &a, const QString &b)
{
    QFile one(a);
    QFile other(b);
    if (!one.open(QIODevice::ReadOnly) || !other.open(QIODevice::ReadOnly)
        || one.size() != other.size())
        return false;
    return one.readAll() == other.readAll();
}

} // namespace

// Opening a folder starts a new review: its pictures, position 1, every
// tally at 0. A cancelled dialog or a folder without a single usable
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

    fileList = names;
    picRecords = records;
    picCount = records.size() - 1;
    picIndex = 1;
    showPicture();
    for (QPushButton *button : reviewButtons())
        button->setEnabled(true);
    for (QTableWidget *table : {ui->tb_Rate, ui->tb_Result})
        for (int row = 0; row < table->rowCount(); ++row)
            if (QTableWidgetItem *cell = table->item(row, 0))
                cell->setData(Qt::DisplayRole, QStringLiteral("0"));
    plateInvalidCount = 0;
    filings.clear();
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

    ui->la_ImgFlag->setText(r->processed == 1 ? tr("已处理！") : QString());
    const QRect crop = cropOnPicture(plateCrop(*r), picture.size());
    if (crop.isEmpty())
        ui->la_CarImg->clear();
    else
        ui->la_CarImg->setPixmap(QPixmap::fromImage(picture.copy(crop)));
    ui->la_ShowCarImg->setText(r->plateText);
    const PlateBox box = plateBox(*r);
    imageView->loadPicture(picture, box.left, box.top, box.width, box.height);
    ui->la_ImgNum->setText(QString::number(picIndex) + QStringLiteral("  /  ")
                           + QString::number(picCount));
    ui->la_FileName->setText(fileNameOf(r->filePath));
}

// Forward, at 100 percent zoom; also the step after every verdict.
void MainWindow::on_btn_NextImg_clicked()
{
    if (const PictureRecord *r = currentPicture()) {
        if (picIndex >= picCount) {
            notice(tr("当前已经是最后一张了"));
            // the verdict that led here may just have filed this picture
            if (r->processed == 1)
                ui->la_ImgFlag->setText(tr("已处理！"));
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
        const QString target = folder + fileNameOf(r->filePath);
        if (QFile::copy(systemPath(r->filePath), systemPath(target))) {
            r->processed = 1;
            for (TallyRow row : verdict.tallies)
                raiseTally(row);
            if (verdict.platesInvalid)
                ++plateInvalidCount;
            filings.append({picIndex, target, verdict.tallies, verdict.platesInvalid});
        } else {
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
    const QString copy = systemPath(last.copy);
    if (!sameContents(copy, systemPath(r.filePath))) {
        notice(tr("无法撤销：文件已被修改"));
        updatePlayFocus();
        return;
    }
    if (!QFile::remove(copy)) {
        notice(tr("无法撤销：文件无法删除"));
        updatePlayFocus();
        return;
    }
    filings.removeLast();
    for (TallyRow row : last.tallies)
        raiseTally(row, -1);
    if (last.platesInvalid)
        --plateInvalidCount;
    r.processed = 0;
    ui->sb_ImgSize->setValue(Zoom.fitted);
    picIndex = last.picture;
    showPicture();
    updatePlayFocus();
}

// The five verdicts: folder, then the tallies raised by a successful filing.
void MainWindow::on_btn_Right_clicked()
{
    fileCurrentPicture({QT_TR_NOOP("image\\识别正确\\"), {TotalRow, CorrectRow}});
}

void MainWindow::on_btn_Error_clicked()
{
    fileCurrentPicture({QT_TR_NOOP("image\\识别错误\\"), {TotalRow, WrongRow}});
}

void MainWindow::on_btn_More_clicked()
{
    fileCurrentPicture({QT_TR_NOOP("image\\多拍空拍\\"), {MultiEmptyRow}});
}

void MainWindow::on_btn_PlateInvain_clicked()
{
    fileCurrentPicture({QT_TR_NOOP("image\\捕获但车牌无效\\"), {TotalRow}, true});
}

void MainWindow::on_btn_FeiJiDong_clicked()
{
    fileCurrentPicture({QT_TR_NOOP("image\\非机动车\\"), {NonMotorRow}});
}
