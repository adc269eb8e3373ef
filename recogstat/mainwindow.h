#ifndef MAINWINDOW_H
#define MAINWINDOW_H

#include <QList>
#include <QMainWindow>
#include <QString>
#include <QStringList>
#include <QVector>

#include "capture.h" // PictureRecord
#include "report.h"  // TallyRow
#include "journal.h"

namespace Ui {
class MainWindow;
}
class QAbstractSpinBox;
class QPushButton;
class QTime;
class QTimer;
class PassagePanel;
class ShowImage;

// The one window of RecogStat. It owns the whole review: the open recording,
// the open picture folder and the tallies, which live as the decimal text of
// the cells of tb_Result (and, for one verdict, in plateInvalidCount).
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
    // mainwindow_keys.cpp builds them.
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

    void updatePlayFocus();
    // Stops the poll and closes the recording's port, if one is open.
    void closeRecording();
    // Enabled once a recording is open / once a picture folder is open;
    // nothing disables them again.
    QList<QPushButton *> playbackButtons() const;
    QList<QPushButton *> reviewButtons() const;
    // Reads the count in a tb_Result row (text that is no number counts as
    // 0), adds `by` and writes it back as decimal text.
    void raiseTally(TallyRow row, int by = 1);
    // An information box titled "提示", without parent.
    static void notice(const QString &text);
    // The record of the current picture; null unless picIndex is one of the
    // open folder's pictures (1 .. picCount). Every use goes through here.
    PictureRecord *currentPicture();
    // The picture review (mainwindow_pictures.cpp).
    // A verdict: the folder its copies go to and the tallies it raises.
    struct Verdict
    {
        const char *folder; // a tr() text: relative, "\" separators, ends with "\"
        const char *name;   // a tr() text: its button's caption
        QVector<TallyRow> tallies;
        bool platesInvalid = false; // also counts in plateInvalidCount
    };
    static const QVector<Verdict> &verdicts(); // in the buttons' order
    void showPicture();
    void showFiledMark();
    void fileCurrentPicture(const Verdict &verdict);
    // Takes back the last filing still on record (Ctrl+Z).
    void undoFiling();
    // Resuming a review from its journal (mainwindow_journal.cpp).
    enum class Resume { Yes, No, Neither };
    static Resume askResume();
    void resumeReview();
    // The review buttons' keys, Space and the undo key, and the focus of the
    // time editor and the zoom spin box while typing (mainwindow_keys.cpp).
    void setupKeys();
    void editingEnded(QAbstractSpinBox *editor);
    void endTyping();
    void setSpeed(int level);
    void showNoRecording();
    // The statistics and the report (mainwindow_report.cpp).
    void showRates(const QStringList &rates);
    // The vehicle passages of the open recording (mainwindow_passages.cpp).
    void setupPassages();

    Ui::MainWindow *ui = nullptr;
    QStringList fileList{QString()};
    bool isPaused = false;
    // Slot 0 is never used: pictures are numbered from 1.
    QVector<PictureRecord> picRecords = QVector<PictureRecord>(1);
    int picCount = 0;
    int picIndex = 0;
    int speedLevel = 2;
    int fileTime = 0;
    int playPort = -1; // -1 until a recording was opened
    int plateInvalidCount = 0;
    QTimer *playTimer = nullptr;
    ShowImage *imageView = nullptr;
    QString lastPath;

    // What one successful filing did, so that undoFiling can take it back.
    struct Filing
    {
        int picture = 0; // its picIndex
        QString copy;    // the copy it made: verdict folder and file name, "\" form
        const Verdict *verdict = nullptr;
    };
    // The open folder's filings, oldest first; opening a folder clears it
    // (or, resuming, restores them).
    QVector<Filing> filings;
    // The open folder's review as it is made, change by change.
    ReviewJournal journal;
    PassagePanel *passagePanel = nullptr;
};

#endif // MAINWINDOW_H
