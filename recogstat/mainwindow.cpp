// The main window's shell: construction, the wheel zoom, the zoom controls'
// focus hand-back and the formula dialog. The slots of each subject live in
// mainwindow_video.cpp, mainwindow_pictures.cpp and mainwindow_report.cpp,
// the helpers they share in mainwindow_shared.cpp.
#include "mainwindow.h"
#include "ui_mainwindow.h"

#include "aboutdlg.h"
#include "passagepanel.h"
#include "showimage.h"
#include "Tormo.h"

#include <QCloseEvent>
#include <QDir>
#include <QHeaderView>
#include <QPainter>
#include <QScreen>
#include <QScrollArea>
#include <QToolTip>
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

// Keeps a label inside the counts table, in the free space below its last
// row (at the table's foot should the rows fill it): there it costs the
// window no room, and the reviewer reads it with the counts.
class BelowTheRows : public QObject
{
public:
    BelowTheRows(QTableWidget *table, QLabel *label)
        : QObject(label)
        , table(table)
        , label(label)
    {
        table->installEventFilter(this);
        place();
    }

    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Resize || event->type() == QEvent::Show)
            place();
        return false;
    }

private:
    void place()
    {
        const int frame = table->frameWidth();
        const int last = table->rowCount() - 1;
        const int height = label->sizeHint().height();
        int top = frame + table->horizontalHeader()->height() + table->rowViewportPosition(last)
                  + table->rowHeight(last) + Gap;
        top = qMin(top, table->height() - frame - height);
        label->setGeometry(frame, top, table->width() - 2 * frame, height);
    }

    static constexpr int Gap = 4;
    QTableWidget *table;
    QLabel *label;
};

// What a window manager's title bar and frame take besides the window, at
// most, on the screens the program meets.
constexpr int FrameAllowance = 32;
// The video surface gives up no more height than down to this.
constexpr int LeastVideoHeight = 240;

// On a screen as wide as the window but not as high (a 1366 x 768 laptop
// leaves about 728 pixels below its task bar), the video surface gives up
// height, as much as needed and down to LeastVideoHeight, its width kept,
// so that every control and both tables keep their sizes and stay in sight
// (the engine fits the picture into the surface); what still does not fit
// scrolls. On a larger screen nothing changes, and a screen narrower than
// the window is not made for this review: the window stays as it is there.
void fitScreen(QMainWindow *window, QWidget *video)
{
    const QScreen *screen = window->screen();
    if (!screen)
        return;
    window->ensurePolished();
    const QSize room = screen->availableGeometry().size() - QSize(0, FrameAllowance);
    const QSize needed = window->minimumSizeHint();
    if (needed.width() > room.width() || needed.height() <= room.height())
        return;
    const int over = needed.height() - room.height();
    video->setFixedHeight(qMax(LeastVideoHeight, video->minimumHeight() - over));
    if (window->minimumSizeHint().height() > room.height()) {
        auto *scroll = new QScrollArea;
        scroll->setWidgetResizable(true);
        scroll->setFrameShape(QFrame::NoFrame);
        scroll->setWidget(window->takeCentralWidget());
        window->setCentralWidget(scroll);
    }
    window->resize(window->size().boundedTo(room));
}

// Plate texts longer than this show their start and "…"; the tool tip has
// the whole text. Recognised plates are far shorter: a longer text is the
// camera's own mistake, and must not push the plate out of sight.
constexpr int MostPlateChars = 16;

// Shows a label's text cut to what fits (MostPlateChars, and the label's
// width), without changing the text itself, which stays the whole text.
class ElidedText : public QObject
{
public:
    using QObject::QObject;

    static QString shown(const QLabel *label)
    {
        QString text = label->text();
        if (text.size() > MostPlateChars)
            text = text.left(MostPlateChars - 1) + QChar(0x2026);
        return label->fontMetrics().elidedText(text, Qt::ElideRight, label->contentsRect().width());
    }

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        auto *label = static_cast<QLabel *>(watched);
        if (event->type() != QEvent::Paint && event->type() != QEvent::ToolTip)
            return false;
        const QString text = shown(label);
        if (text == label->text())
            return false; // as it is, and no tool tip
        if (event->type() == QEvent::ToolTip) {
            QToolTip::showText(static_cast<QHelpEvent *>(event)->globalPos(), label->text(), label);
        } else { // the background is drawn already, by its style sheet
            QPainter painter(label);
            label->style()->drawItemText(&painter, label->contentsRect(), int(label->alignment()),
                                         label->palette(), label->isEnabled(), text,
                                         label->foregroundRole());
        }
        return true;
    }
};

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
    // wide enough for "250" and its arrows, in whatever fonts
    ui->sb_ImgSize->setFixedWidth(qMax(ui->sb_ImgSize->width(), ui->sb_ImgSize->sizeHint().width()));

    for (QLabel *label : {ui->la_ShowCarImg, ui->la_CarImg, ui->la_ImgNum, ui->la_ImgFlag})
        label->setAlignment(Qt::AlignCenter);
    ui->la_ShowCarImg->installEventFilter(new ElidedText(this));
    fitTimeTexts(ui);
    addPlateInvalidCount();

    Tormo_Initialize();

    playTimer = new QTimer(this);
    connect(playTimer, SIGNAL(timeout()), this, SLOT(timeCountSlot()));
    setupPositionSlider();

    for (QPushButton *button : playbackButtons() + reviewButtons())
        button->setEnabled(false);
    setupKeys();
    setupPassages();

    // Verdict copies and snapshots are filed below "image" in the current folder.
    if (!QDir().exists(QStringLiteral("image")))
        QDir().mkdir(QDir::current().absoluteFilePath(QStringLiteral("image")));

    // The open dialogs start in the working folder, beside "image".
    lastPath = QDir::currentPath();

    fitScreen(this, ui->widget); // last: every control has its size by now
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

// The plate-invalid verdict has no row in tb_Result (the report's rows are
// fixed), yet it counts in 过车总数: without it the counts on screen would
// not add up. It is shown with them, below their rows.
void MainWindow::addPlateInvalidCount()
{
    plateInvalidText = new QLabel(ui->tb_Result);
    plateInvalidText->setObjectName(QStringLiteral("la_PlateInvalidCount"));
    plateInvalidText->setAlignment(Qt::AlignCenter);
    showCounts();
    new BelowTheRows(ui->tb_Result, plateInvalidText);
}

// A wheel turn anywhere over the window zooms the picture: one standard notch
// (120) moves the zoom by 15 percent; the slider clamps it to its range.
void MainWindow::wheelEvent(QWheelEvent *event)
{
    const QPoint delta = event->angleDelta();
    const int steps = qAbs(delta.x()) > qAbs(delta.y()) ? delta.x() : delta.y();
    ui->sl_ImgSize->setValue(ui->sl_ImgSize->value() + steps / 8);
}

// A zoom from the wheel or the slider hands the focus back at once, unless
// the reviewer is typing into a field; one typed into the spin box once the
// editing ends (setupKeys).
void MainWindow::on_sl_ImgSize_valueChanged()
{
    if (!isTyping())
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
