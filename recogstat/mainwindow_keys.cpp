// This file implements the review from the keyboard: the keys that press the
// review buttons, anywhere in the main window, and Ctrl+Z, which takes back
// the last filing.
#include "mainwindow.h"
#include "ui_mainwindow.h"

#include <QAbstractSpinBox>
#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QShortcut>

namespace {

// A shortcut wins over the key press it is made of, so a digit would never
// reach the time editor or the zoom spin box. While one of them (or any
// other text-entry control) has the focus, this claims every key without
// Ctrl, Alt or Meta for it in the shortcut-override pass: digits, arrows and
// the Page keys, which those controls step with. It watches the window,
// where the override pass ends when no control on the way has claimed the
// key.
class TextEntryKeys : public QObject
{
public:
    using QObject::QObject;

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::ShortcutOverride) {
            auto *key = static_cast<QKeyEvent *>(event);
            const QWidget *focus = QApplication::focusWidget();
            const bool textEntry = qobject_cast<const QAbstractSpinBox *>(focus)
                                   || qobject_cast<const QLineEdit *>(focus);
            if (textEntry
                && !(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)))
                key->accept();
        }
        return QObject::eventFilter(watched, event);
    }
};

// A key does what a click on its button does: nothing while the button is
// disabled; otherwise the button takes the focus, as under the mouse, and
// its slot runs, which hands the focus back to playback where it does so.
void press(QPushButton *button)
{
    if (!button->isEnabled())
        return;
    if (button->focusPolicy() & Qt::ClickFocus)
        button->setFocus(Qt::ShortcutFocusReason);
    button->click();
}

} // namespace

void MainWindow::setupKeys()
{
    const int Pad = Qt::KeypadModifier;
    // Stepping repeats while its key is held down; a verdict or a snapshot
    // is one press, one filing, as with the mouse.
    const struct
    {
        QPushButton *button;
        QVector<int> keys; // those without Pad are named in the tool tip
        bool repeats;
    } keyMap[] = {
        {ui->btn_Right, {Qt::Key_1, Pad | Qt::Key_1}, false},
        {ui->btn_Error, {Qt::Key_2, Pad | Qt::Key_2}, false},
        {ui->btn_More, {Qt::Key_3, Pad | Qt::Key_3}, false},
        {ui->btn_FeiJiDong, {Qt::Key_4, Pad | Qt::Key_4}, false},
        {ui->btn_PlateInvain, {Qt::Key_5, Pad | Qt::Key_5}, false},
        {ui->btn_SeepSaveAs, {Qt::Key_0, Pad | Qt::Key_0}, false},
        {ui->btn_LastImg, {Qt::Key_Left, Qt::Key_PageUp}, true},
        {ui->btn_NextImg, {Qt::Key_Right, Qt::Key_PageDown}, true},
    };

    for (const auto &entry : keyMap) {
        QStringList names;
        for (int key : entry.keys) {
            auto *shortcut = new QShortcut(QKeySequence(key), this);
            shortcut->setContext(Qt::WindowShortcut);
            shortcut->setAutoRepeat(entry.repeats);
            QPushButton *button = entry.button;
            connect(shortcut, &QShortcut::activated, button, [button] { press(button); });
            if (!(key & Pad))
                names << QKeySequence(key).toString(QKeySequence::NativeText);
        }
        entry.button->setToolTip(tr("快捷键：") + names.join(tr("、")));
    }

    auto *undo = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z), this);
    undo->setContext(Qt::WindowShortcut);
    undo->setAutoRepeat(false);
    connect(undo, &QShortcut::activated, this, &MainWindow::undoFiling);

    installEventFilter(new TextEntryKeys(this));
}
