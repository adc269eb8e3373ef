// The formula reference: how the counts and rates of the result tables are
// defined, one line each, with a button that closes it.
#ifndef ABOUTDLG_H
#define ABOUTDLG_H

#include <QDialog>

namespace Ui {
class AboutDlg;
}

class AboutDlg : public QDialog
{
    Q_OBJECT

public:
    explicit AboutDlg(QWidget *parent = nullptr);
    ~AboutDlg() override;

private slots:
    void on_btn_Ok_clicked();

private:
    Ui::AboutDlg *ui = nullptr;
};

#endif // ABOUTDLG_H
