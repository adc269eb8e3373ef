#ifndef MAINWINDOW_H
#define MAINWINDOW_H

#include <QList>
#include <QMainWindow>
#include <QString>
#include <QStringList>
#include <QVector>

#include "report.h" // TallyRow
#include "review.h"

namespace Ui {
class MainWindow;
}
class QAbstractSpinBox;
class QLabel;
class QPushButton;
class QTime;
class QTimer;
class PassagePanel;
class ShowImage;

// The one window of RecogStat: the open recording, and the review of the open
// picture folder (review.h), whose counts it shows as the decimal text of the
// cells of tb_Result and, for the plate-invalid one, in a label below them.
class MainWindow : public QMainWindow
{
    Q_OBJECT

public:
    explicit MainWindow(QWidget *parent = nullptr);
    ~MainWindow() override;

protected:
    void wheelEvent(QWheelEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private slots:
    // Bound by name to their controls (the order is the meta-object's):
    //   mainwindow_pictures.cpp  opening a folder, next, previous, the five verdicts
    //   mainwindow_video.cpp     open, play, pause, stop, faster, slower, the
    //                            position poll, the time editor, the snapshot
    //   mainwindow_report.cpp    the rates and the export
    //   mainwindow.cpp           the zoom controls' focus hand-back, the formulas
    // The keys that press the review buttons, and Ctrl+Z, are not slots:
    // mainwindow_keys.cpp builds them. The helpers that every file shares
    // live in mainwindow_shared.cpp, which calls none of the others.
    void on_btn_OpenImg_clicked();
    void on_btn_Right_clicked();
    void on_btn_Play_clicked();
    void on_btn_OpenVideo_clicked();
    void on_btn_PlaySpeed_clicked();
    void timeCountSlot();
    void on_btn_PlayBack_clicked();
    void on_btn_Error_clicked();
    void on_btn_More_clicked();
    void on_btn_PlateInvain_clicked();
    void on_btn_SeepSaveAs_clicked();
    void on_btn_Result_clicked();
    void on_btn_FeiJiDong_clicked();
    void on_btn_NextImg_clicked();
    void on_btn_LastImg_clicked();
    void on_sl_ImgSize_valueChanged();
    void on_sl_ImgSize_sliderPressed();
    void on_sb_ImgSize_editingFinished();
    void on_ed_SetPlayTime_timeChanged(const QTime &time);
    void on_btn_OutPut_clicked();
    void on_btn_About_clicked();
    void on_btn_PlayStop_clicked();
    void on_btn_PlayPause_clicked();

private:
    using TallyRow = ::TallyRow; // rows of tb_Result (report.h)

    // Shared by every subject file (mainwindow_shared.cpp).
    void updatePlayFocus();
    // Enabled once a recording is open / once a picture folder is open;
    // nothing disables them again.
    QList<QPushButton *> playbackButtons() const;
    QList<QPushButton *> reviewButtons() const;
    // Writes the review's counts into the cells of tb_Result and the label.
    void showCounts();
    // An information box titled "提示", without parent; none for an empty text.
    static void notice(const QString &text);
    // Stops the poll and closes the recording's port, if one is open
    // (mainwindow_video.cpp).
    void closeRecording();
    // The label of the plate-invalid count (mainwindow.cpp).
    void addPlateInvalidCount();
    // The picture review (mainwindow_pictures.cpp).
    enum class Resume { Yes, No, Neither };
    static Resume askResume();
    void showPicture();
    void showFiledMark();
    void fileCurrentPicture(int verdict);
    // Takes back the last filing or snapshot (Ctrl+Z).
    void undoLast();
    // The review buttons' keys, Space and the undo key, and the time editor
    // and the zoom spin box while typing (mainwindow_keys.cpp).
    void setupKeys();
    class WindowKeys;
    void bindButtonKeys(WindowKeys &keys);
    void bindSpaceAndUndo(WindowKeys &keys);
    void setupTypingFields();
    // Whether the time editor or the zoom spin box has the focus.
    bool isTyping() const;
    void editingEnded(QAbstractSpinBox *editor);
    void endTyping();
    void setSpeed(int level);
    // The recording's position, seconds, as the engine reports it, and a
    // seek that shows the new position (mainwindow_shared.cpp).
    int playedTime() const;
    void seekTo(int seconds);
    // The position slider seeks where it is let go, and a click on its
    // groove jumps there.
    void setupPositionSlider();
    void showDraggedTime(int seconds);
    void seekToSlider();
    void showNoRecording();
    // The statistics and the report (mainwindow_report.cpp).
    void showRates(const QStringList &rates);
    // The vehicle passages of the open recording (mainwindow_passages.cpp).
    void setupPassages();

    // playPort while no recording is open
    static constexpr int NoPort = -1;

    Ui::MainWindow *ui = nullptr;
    QStringList fileList{QString()};
    bool isPaused = false;
    int speedLevel = 2;
    int fileTime = 0;
    int playPort = NoPort;
    QTimer *playTimer = nullptr;
    ShowImage *imageView = nullptr;
    QString lastPath;
    // The open folder's review (none before the first: snapshots count all
    // the same); its lock goes with it when another folder opens.
    Review review;
    QLabel *plateInvalidText = nullptr; // "捕获但车牌无效 n", below tb_Result
    PassagePanel *passagePanel = nullptr;
};

#endif // MAINWINDOW_H
