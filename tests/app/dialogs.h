// Answering the program's modal dialogs from a test: each dialog runs its
// own event loop, so the answer comes from a timer inside that loop.
#ifndef DIALOGS_H
#define DIALOGS_H

#include <QAbstractButton>
#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QPointer>
#include <QTimer>

#include <functional>

// Runs `answer` on the next modal dialog that opens.
inline void onNextModal(std::function<void(QWidget *)> answer)
{
    auto *timer = new QTimer;
    timer->setInterval(5);
    QObject::connect(timer, &QTimer::timeout, [timer, answer] {
        QWidget *modal = QApplication::activeModalWidget();
        if (!modal || !modal->isVisible())
            return;
        timer->stop();
        timer->deleteLater();
        answer(modal);
    });
    timer->start();
}

// The next file dialog chooses `path` (a file, or a folder for a folder
// dialog); an empty path cancels it.
inline void answerFileDialog(const QString &path)
{
    onNextModal([path](QWidget *modal) {
        auto *dialog = qobject_cast<QFileDialog *>(modal);
        if (!dialog) {
            qWarning("expected a file dialog, got %s", modal->metaObject()->className());
            modal->close();
            return;
        }
        if (path.isEmpty()) {
            dialog->reject();
            return;
        }
        dialog->selectFile(path);
        static_cast<QDialog *>(dialog)->accept(); // QFileDialog's own is protected
    });
}

// Answers every message box that opens while it lives with its button
// captioned `answer`, or closes it, keeping what each said as "title|text".
class Notices
{
public:
    explicit Notices(const QString &answer = QString())
    {
        timer.setInterval(5);
        QObject::connect(&timer, &QTimer::timeout, [this, answer] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            if (!box || !box->isVisible())
                return;
            said << box->windowTitle() + QLatin1Char('|') + box->text();
            for (QAbstractButton *button : box->buttons())
                if (button->text() == answer)
                    return button->click();
            box->done(0);
        });
        timer.start();
    }

    QStringList said;

private:
    QTimer timer;
};

#endif // DIALOGS_H
