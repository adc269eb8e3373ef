// This file implements the review from the keyboard: the keys that press the
// review buttons, anywhere in the main window, Space for playback, Ctrl+Z,
// which takes back the last filing, and the focus of the time editor and the
// zoom spin box while the reviewer types into them.
#include "mainwindow.h"
#include "ui_mainwindow.h"

#include <QAbstractSpinBox>
#include <QApplication>
#include <QHash>
#include <QKeyEvent>
#include <QLineEdit>
#include <QShortcut>
#include <QTimer>
#include <QWindow>

#include <functional>

namespace {

// Whether typed keys belong to this control rather than to the review.
bool takesTyping(const QWidget *widget)
{
    return qobject_cast<const QAbstractSpinBox *>(widget) || qobject_cast<const QLineEdit *>(widget);
}

// A shortcut wins over the key press it is made of, so a digit would never
// reach the time editor or the zoom spin box. While one of them (or any
// other text-entry control) has the focus, this claims every key without
// Ctrl, Alt or Meta for it in the shortcut-override pass (digits, arrows and
// the Page keys, which those controls step with), but Space, which toggles
// playback from anywhere. It watches the window, where the override pass
// ends when no control on the way has claimed the key.
class TextEntryKeys : public QObject
{
public:
    using QObject::QObject;

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::ShortcutOverride) {
            auto *key = static_cast<QKeyEvent *>(event);
            if (takesTyping(QApplication::focusWidget()) && key->key() != Qt::Key_Space
                && !(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)))
                key->accept();
        }
        return QObject::eventFilter(watched, event);
    }
};

// Which key presses are the reviewer's own, and which the keyboard's repeats
// of a held key. The X server repeats a held key as a release and a press
// with the same timestamp, and Qt flags such a pair as a repeat only when
// both have arrived by the time it looks: so each key's own state is kept
// here. A press is a repeat when Qt says so, when its key is down already,
// or when it follows its key's release at once, at the same millisecond.
//
// It sees every key event that the window system delivers to any window of
// the program (a held key's repeats may go to a notice box), once each: at
// the window, before any widget. A press shows there first as its shortcut
// override, which is where the shortcuts are matched.
class HeldKeys : public QObject
{
public:
    explicit HeldKeys(QObject *parent)
        : QObject(parent)
    {
        qApp->installEventFilter(this);
        // a key released elsewhere would seem held down for ever
        connect(qApp, &QGuiApplication::applicationStateChanged, this, [this] { keys.clear(); });
    }

    // Whether the press being answered now is a fresh one.
    bool fresh() const { return lastFresh; }

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        const QEvent::Type type = event->type();
        if (watched->isWindowType()
            && (type == QEvent::ShortcutOverride || type == QEvent::KeyRelease)) {
            auto *key = static_cast<QKeyEvent *>(event);
            State &state = keys[key->key()];
            const ulong at = key->timestamp();
            if (type == QEvent::ShortcutOverride) {
                const bool atOnce = lastReleased == key->key() && at != 0 && at == state.releasedAt;
                lastFresh = !key->isAutoRepeat() && !state.down && !atOnce;
                state.down = true;
                lastReleased = 0;
            } else {
                state.down = false;
                state.releasedAt = at;
                lastReleased = key->key();
            }
        }
        return QObject::eventFilter(watched, event);
    }

private:
    struct State
    {
        bool down = false;
        ulong releasedAt = 0; // window-system milliseconds; 0 unknown
    };
    QHash<int, State> keys;
    int lastReleased = 0; // the key of the last key event, if that was a release
    bool lastFresh = true;
};

// Keeps Space and Select, which press a focused button in Qt, from the
// buttons it watches. The Space shortcut takes the key while the window is
// active; a key that the window system delivers before Qt counts the window
// active reaches the focused button instead.
class NoButtonKeys : public QObject
{
public:
    using QObject::QObject;

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease) {
            const int key = static_cast<QKeyEvent *>(event)->key();
            if (key == Qt::Key_Space || key == Qt::Key_Select)
                return true;
        }
        return QObject::eventFilter(watched, event);
    }
};

// The end of typing into the time editor or the zoom spin box, other than
// Enter and leaving the field: a second without a key or a change there.
class TypingPause : public QObject
{
public:
    TypingPause(QAbstractSpinBox *editor, std::function<void()> ended)
        : QObject(editor)
        , editor(editor)
    {
        pause.setSingleShot(true);
        pause.setInterval(PauseMs);
        connect(&pause, &QTimer::timeout, this, [this, ended] {
            if (this->editor->hasFocus())
                ended();
        });
        editor->installEventFilter(this);
    }

    // The editor's value changed.
    void changed()
    {
        if (editor->hasFocus())
            pause.start();
    }

    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::KeyPress || event->type() == QEvent::FocusIn)
            pause.start();
        return false;
    }

private:
    static constexpr int PauseMs = 1000;
    QAbstractSpinBox *editor;
    QTimer pause;
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
    auto *held = new HeldKeys(this);
    // A key of the window; `once` ones act on a fresh press only, however
    // long the key is held (a verdict, a snapshot, an undo, a playback
    // toggle), while stepping repeats with the keyboard.
    const auto addKey = [this, held](int key, bool once, std::function<void()> act) {
        auto *shortcut = new QShortcut(QKeySequence(key), this);
        shortcut->setContext(Qt::WindowShortcut);
        shortcut->setAutoRepeat(!once);
        connect(shortcut, &QShortcut::activated, this, [held, once, act] {
            if (!once || held->fresh())
                act();
        });
    };

    const int Pad = Qt::KeypadModifier;
    const struct
    {
        QPushButton *button;
        QVector<int> keys; // those without Pad are named in the tool tip
        bool once;
    } keyMap[] = {
        {ui->btn_Right, {Qt::Key_1, Pad | Qt::Key_1}, true},
        {ui->btn_Error, {Qt::Key_2, Pad | Qt::Key_2}, true},
        {ui->btn_More, {Qt::Key_3, Pad | Qt::Key_3}, true},
        {ui->btn_FeiJiDong, {Qt::Key_4, Pad | Qt::Key_4}, true},
        {ui->btn_PlateInvain, {Qt::Key_5, Pad | Qt::Key_5}, true},
        {ui->btn_SeepSaveAs, {Qt::Key_0, Pad | Qt::Key_0}, true},
        {ui->btn_LastImg, {Qt::Key_Left, Qt::Key_PageUp}, false},
        {ui->btn_NextImg, {Qt::Key_Right, Qt::Key_PageDown}, false},
    };
    const QString undoName = QKeySequence(Qt::CTRL | Qt::Key_Z).toString(QKeySequence::NativeText);
    const QList<QPushButton *> verdicts{ui->btn_Right, ui->btn_Error, ui->btn_More,
                                        ui->btn_FeiJiDong, ui->btn_PlateInvain};
    for (const auto &entry : keyMap) {
        QStringList names;
        for (int key : entry.keys) {
            QPushButton *button = entry.button;
            addKey(key, entry.once, [button] { press(button); });
            if (!(key & Pad))
                names << QKeySequence(key).toString(QKeySequence::NativeText);
        }
        QString tip = tr("快捷键：") + names.join(tr("、"));
        if (verdicts.contains(entry.button))
            tip += QLatin1Char('\n') + undoName + tr("：撤销上一次判定");
        entry.button->setToolTip(tip);
    }

    // Space toggles playback while a recording is open, and does nothing
    // else: it never presses the button that has the focus.
    addKey(Qt::Key_Space, true, [this] {
        if (playPort != -1)
            press(isPaused ? ui->btn_Play : ui->btn_PlayPause);
    });
    const QString space = QKeySequence(Qt::Key_Space).toString(QKeySequence::NativeText);
    for (QPushButton *button : {ui->btn_Play, ui->btn_PlayPause})
        button->setToolTip(tr("快捷键：") + space);

    addKey(Qt::CTRL | Qt::Key_Z, true, [this] { undoLast(); });
    // A review button is pressed by its own key or the mouse, never by
    // Space through the focus.
    auto *noButtonKeys = new NoButtonKeys(this);
    for (QPushButton *button : reviewButtons())
        button->installEventFilter(noButtonKeys);

    installEventFilter(new TextEntryKeys(this));

    // Typing a time or a zoom keeps the focus in its field: each change
    // takes effect at once, and the focus goes back to playback only when
    // the editing ends, so that the next digit is not a verdict.
    auto *timePause = new TypingPause(ui->ed_SetPlayTime, [this] { endTyping(); });
    connect(ui->ed_SetPlayTime, &QTimeEdit::timeChanged, timePause, &TypingPause::changed);
    connect(ui->ed_SetPlayTime, &QAbstractSpinBox::editingFinished, this,
            [this] { editingEnded(ui->ed_SetPlayTime); });
    auto *zoomPause = new TypingPause(ui->sb_ImgSize, [this] { endTyping(); });
    connect(ui->sb_ImgSize, QOverload<int>::of(&QSpinBox::valueChanged), zoomPause,
            &TypingPause::changed);
}

// On Enter the focus goes back to playback at once; on leaving the field,
// once the focus has settled, unless it went into another field or a
// notice box took it (the reviewer comes back to the field then).
void MainWindow::editingEnded(QAbstractSpinBox *editor)
{
    if (editor->hasFocus()) {
        endTyping();
        return;
    }
    QTimer::singleShot(0, this, [this] {
        if (isActiveWindow() && !takesTyping(QApplication::focusWidget()))
            updatePlayFocus();
    });
}

// Typing has ended in the field that has the focus: the focus goes back to
// playback, or, with no recording open (the play buttons then take none),
// at least out of the field, so that the review keys reach the review again.
void MainWindow::endTyping()
{
    updatePlayFocus();
    if (QWidget *focus = QApplication::focusWidget(); takesTyping(focus))
        focus->clearFocus();
}
