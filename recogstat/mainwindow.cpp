// The main window's shell: construction, the wheel zoom, the focus hand-back,
// the formula dialog and the helpers that every subject file shares. The
// slots of each subject live in mainwindow_video.cpp, mainwindow_pictures.cpp
// and mainwindow_report.cpp.
#include "mainwindow.h"
#include "ui_mainwindow.h"

#include "aboutdlg.h"
#include "passagepanel.h"
#include "showimage.h"
#include "Tormo.h"

#include <QCloseEvent>
#include <QDir>
#include <QMessageBox>
#include <QTimer>
#include <QWheelEvent>

namespace {

// The position slider stays at least this wide, whatever the fonts.
constexpr int MinSliderWidth = 100;

// The time texts at their longest (two-digit hours) fit the labels and the
// time editor in whatever fonts the window is shown in. The row keeps its
// order and, beside them, its sizes; only the position slider gives up
// width, so that the row stays as wide as the video above it.
void fitTimeTexts(Ui::MainWindow *ui)
{
    const auto fit = [](QLabel *label, const QString &longest) {
        label->setFixedWidth(label->fontMetrics().horizontalAdvance(longest) + 2);
    };
    fit(ui->la_CurTime, QStringLiteral("00:00:00"));
    fit(ui->la_PlayerTime, QStringLiteral("/00:00:00"));
    // the editor's own hint holds its longest time, 23:59:59, and its arrows
    ui->ed_SetPlayTime->setFixedWidth(ui->ed_SetPlayTime->sizeHint().width());

    QHBoxLayout *row = ui->horizontalLayout_8;
    int others = row->spacing() * (row->count() - 1);
    const QWidget *fixed[] = {ui->label, ui->la_PlaySpeed, ui->la_CurTime, ui->la_PlayerTime,
                              ui->ed_SetPlayTime};
    for (const QWidget *w : fixed)
        others += w->minimumWidth();
    const int room = ui->widget->minimumWidth() - others;
    ui->sl_PlayTime->setMinimumWidth(qBound(MinSliderWidth, room, ui->sl_PlayTime->minimumWidth()));
}

} // namespace

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
    ui->sl_ImgSize->setRange(Zoom.fitted, Zoom.most);
    connect(ui->sl_ImgSize, SIGNAL(valueChanged(int)), imageView, SLOT(arise_scale(int)));
    connect(ui->sl_ImgSize, SIGNAL(valueChanged(int)), ui->sb_ImgSize, SLOT(setValue(int)));
    ui->sb_ImgSize->setRange(Zoom.fitted, Zoom.most);
    connect(ui->sb_ImgSize, SIGNAL(valueChanged(int)), ui->sl_ImgSize, SLOT(setValue(int)));

    for (QLabel *label : {ui->la_ShowCarImg, ui->la_CarImg, ui->la_ImgNum, ui->la_ImgFlag})
        label->setAlignment(Qt::AlignCenter);
    fitTimeTexts(ui);

    Tormo_Initialize();

    playTimer = new QTimer(this);
    connect(playTimer, SIGNAL(timeout()), this, SLOT(timeCountSlot()));

    for (QPushButton *button : playbackButtons() + reviewButtons())
        button->setEnabled(false);
    setupKeys();
    setupPassages();

    // Verdict copies and snapshots are filed below "image" in the current folder.
    if (!QDir().exists(QStringLiteral("image")))
        QDir().mkdir(QDir::current().absoluteFilePath(QStringLiteral("image")));

    // The open dialogs start in the working folder, beside "image".
    lastPath = QDir::currentPath();
}

MainWindow::~MainWindow()
{
    closeRecording();
    delete ui;
}

// Closing the window destroys the video surface's native window, and the
// engine's player must be gone before it: it would still draw into the
// window, and an X error there ends the process.
void MainWindow::closeEvent(QCloseEvent *event)
{
    closeRecording();
    QMainWindow::closeEvent(event);
}

void MainWindow::closeRecording()
{
    if (passagePanel)
        passagePanel->close();
    playTimer->stop();
    if (playPort != -1)
        Tormo_CloseMediaFile(playPort);
    playPort = -1;
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

// A zoom from the wheel or the slider hands the focus back at once; one
// typed into the spin box once the editing ends (setupKeys).
void MainWindow::on_sl_ImgSize_valueChanged()
{
    if (!ui->sb_ImgSize->hasFocus())
        updatePlayFocus();
}

void MainWindow::on_sl_ImgSize_sliderPressed()
{
    updatePlayFocus();
}

void MainWindow::on_sb_ImgSize_editingFinished()
{
    editingEnded(ui->sb_ImgSize);
}

// A fresh dialog on every press, modal; the reviewer returns to playback.
void MainWindow::on_btn_About_clicked()
{
    AboutDlg dialog;
    dialog.exec();
    updatePlayFocus();
}
