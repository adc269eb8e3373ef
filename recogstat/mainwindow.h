#ifndef MAINWINDOW_H
#define MAINWINDOW_H

#include <QMainWindow>
#include <QString>
#include <QStringList>

namespace Ui {
class MainWindow;
}
class QTimer;
class ShowImage;

// One capture picture of the opened folder, with what its capture header says.
struct PictureRecord
{
    QString filePath;
    quint32 plateRight = 0;
    quint32 plateLeft = 0;
    quint32 plateBottom = 0;
    quint32 plateTop = 0;
    QString plateText;
    int processed = 0;
};

class MainWindow : public QMainWindow
{
    Q_OBJECT

public:
    explicit MainWindow(QWidget *parent = nullptr);
    ~MainWindow() override;

protected:
    void wheelEvent(QWheelEvent *event) override;

private slots:
    void on_sl_ImgSize_valueChanged();
    void on_sl_ImgSize_sliderPressed();
    void on_sb_ImgSize_editingFinished();

private:
    // Slot 0 of picRecords is never used: pictures are numbered from 1.
    static constexpr int PictureSlots = 1000;

    void updatePlayFocus();

    Ui::MainWindow *ui;
    QStringList fileList;
    bool isPaused;
    PictureRecord picRecords[PictureSlots];
    int picCount;
    int picIndex;
    int speedLevel;
    int fileTime;
    int playPort; // -1 until a recording was opened
    int plateInvalidCount;
    QTimer *playTimer;
    ShowImage *imageView;
    QString lastPath;
};

#endif // MAINWINDOW_H
