// This file implements resuming a review: the question on opening a folder
// that has a journal, and the review restored from it as far as the verdict
// folders bear it out. What the journal holds and how it is checked lives
// in journal.cpp.
#include "mainwindow.h"
#include "ui_mainwindow.h"

#include <QHash>
#include <QMessageBox>
#include <QPushButton>

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

// On a freshly opened folder: its recorded filings whose copies still hold
// their pictures are marked and counted again, with the snapshots, and the
// first picture not yet filed is shown. Copies of its pictures that no
// filing on record names are reported, and not counted.
void MainWindow::resumeReview()
{
    QStringList pictures;
    QHash<QString, int> pictureNamed;
    for (int i = 1; i <= picCount; ++i) {
        pictures << picRecords[i].filePath;
        pictureNamed.insert(fileNameOf(picRecords[i].filePath), i);
    }
    QStringList folders;
    for (const Verdict &verdict : verdicts())
        folders << tr(verdict.folder);
    const ResumedReview resumed = holdAgainstDisk(journal.read(), pictures, folders);

    for (const JournalFiling &filing : resumed.review.filings) {
        const int picture = pictureNamed.value(filing.picture);
        const Verdict &verdict = verdicts()[folders.indexOf(filing.verdictFolder())];
        picRecords[picture].processed = 1;
        for (TallyRow row : verdict.tallies)
            raiseTally(row);
        if (verdict.platesInvalid)
            ++plateInvalidCount;
        filings.append({picture, filing.copy, &verdict});
    }
    for (int i = 0; i < resumed.review.snapshots.size(); ++i) {
        raiseTally(TotalRow);
        raiseTally(MissedRow);
    }

    picIndex = 1;
    while (picIndex < picCount && picRecords[picIndex].processed == 1)
        ++picIndex;
    showPicture();
    if (resumed.unrecorded > 0)
        notice(tr("%1 张已归档图片不在记录中").arg(resumed.unrecorded));
}
