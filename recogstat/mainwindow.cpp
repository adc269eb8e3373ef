// The main window's shell: construction, the wheel zoom, the focus hand-back,
// the formula dialog and the helpers that every subject file shares. The
// slots of each subject live in mainwindow_video.cpp, mainwindow_pictures.cpp
// and mainwindow_report.cpp.
#include "mainwindow.h"
#include "ui_mainwindow.h"

#include "aboutdlg.h"
#include "showimage.h"
#include "Tormo.h"

#include <QDir>
#include <QMessageBox>
#include <QTimer>
#include <QWheelEvent>

MainWindow::MainWindow(QWidget *parent)
    : QMainWindow(parent)
    , ui(new Ui::MainWindow)
{
    ui->setupUi(this);

    imageView = new ShowImage;
    ui->verticalLayout_8->addWidget(imageView);
    ui->la_FileName->setWordWrap(true);
    ui->tb_Result->setEditTriggers(QAbstractItemView::NoEditTriggers);
    ui->tb_Rate->setEditTriggers(QAbstractItemView::NoEditTriggers);
    imageView->setCursor(Qt::OpenHandCursor);

    // The slider and the spin box mirror each other, and every value
    // reaches the view as its zoom in percent.
    ui->sl_ImgSize->setRange(100, 250);
    connect(ui->sl_ImgSize, SIGNAL(valueChanged(int)), imageView, SLOT(arise_scale(int)));
    connect(ui->sl_ImgSize, SIGNAL(valueChanged(int)), ui->sb_ImgSize, SLOT(setValue(int)));
    ui->sb_ImgSize->setRange(100, 250);
    connect(ui->sb_ImgSize, SIGNAL(valueChanged(int)), ui->sl_ImgSize, SLOT(setValue(int)));

    for (QLabel *label : {ui->la_ShowCarImg, ui->la_CarImg, ui->la_ImgNum, ui->la_ImgFlag})
        label->setAlignment(Qt::AlignCenter);

    Tormo_Initialize();

    playTimer = new QTimer(this);
    connect(playTimer, SIGNAL(timeout()), this, SLOT(timeCountSlot()));

    for (QPushButton *button : playbackButtons() + reviewButtons())
        button->setEnabled(false);
    setupKeys();

    // Verdict copies and snapshots are filed below "image" in the current folder.
    if (!QDir().exists(QStringLiteral("image")))
        QDir().mkdir(QDir::current().absoluteFilePath(QStringLiteral("image")));

    lastPath = QDir::homePath();
}

MainWindow::~MainWindow()
{
    if (playPort != -1)
        Tormo_CloseMediaFile(playPort);
    delete ui;
}

// A wheel turn anywhere over the window zooms the picture: one standard notch
// (120) moves the zoom by 15 percent; the slider clamps it to its range.
void MainWindow::wheelEvent(QWheelEvent *event)
{
    const QPoint delta = event->angleDelta();
    const int steps = qAbs(delta.x()) > qAbs(delta.y()) ? delta.x() : delta.y();
    ui->sl_ImgSize->setValue(ui->sl_ImgSize->value() + steps / 8);
}

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

void MainWindow::raiseTally(TallyRow row, int by)
{
    QTableWidgetItem *cell = ui->tb_Result->item(row, 0);
    const int count = cell->data(Qt::DisplayRole).toString().toInt(nullptr, 10);
    cell->setData(Qt::DisplayRole, QString::number(count + by));
}

void MainWindow::notice(const QString &text)
{
    QMessageBox::about(nullptr, tr("提示"), text);
}

PictureRecord *MainWindow::currentPicture()
{
    if (picIndex < 1 || picIndex > picCount || picIndex >= picRecords.size())
        return nullptr;
    return &picRecords[picIndex];
}

void MainWindow::on_sl_ImgSize_valueChanged()
{
    updatePlayFocus();
}

void MainWindow::on_sl_ImgSize_sliderPressed()
{
    updatePlayFocus();
}

void MainWindow::on_sb_ImgSize_editingFinished()
{
    updatePlayFocus();
}

// A fresh dialog on every press, modal; the reviewer returns to playback.
void MainWindow::on_btn_About_clicked()
{
    AboutDlg dialog;
    dialog.exec();
    updatePlayFocus();
}
