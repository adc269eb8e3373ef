// This file implements the review from the keyboard: the keys that press the
// review buttons, anywhere in the main window, Space for playback, Ctrl+Z,
// which takes back the last filing or snapshot, and the time editor and the zoom spin
// box while the reviewer types into them.
#include "mainwindow.h"
#include "ui_mainwindow.h"

#include <QAbstractSpinBox>
#include <QApplication>
#include <QHash>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPointer>
#include <QShortcut>
#include <QSpinBox>
#include <QStatusBar>
#include <QTimeEdit>
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
// other text-entry control) has the focus, this claims every key for it in
// the shortcut-override pass but Space, which toggles playback from
// anywhere: no verdict, snapshot or undo key acts then, however long the
// reviewer pauses. It watches the window, where the override pass ends when
// no control on the way has claimed the key.
class TextEntryKeys : public QObject
{
public:
    using QObject::QObject;

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::ShortcutOverride) {
            auto *key = static_cast<QKeyEvent *>(event);
            if (takesTyping(QApplication::focusWidget()) && key->key() != Qt::Key_Space)
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

// The time editor and the zoom spin box while the reviewer types into one.
// The field keeps the focus until the reviewer leaves it: Enter (the
// editor's own editingFinished), Esc, which puts back the value it had when
// it took the focus, Tab, or a click anywhere else in the window; no timer
// takes it away. A click into the field selects what is under the mouse (a
// section of the time, the whole zoom), so that the digits typed next
// replace it: the editor rejects a digit put between two others.
class TypingFields : public QObject
{
public:
    struct Hooks
    {
        std::function<void()> leave;      // the focus back to playback
        std::function<void(bool)> typing; // a field took / lost the focus
        std::function<int()> position;    // of the recording; -1 with none open
        std::function<void(int)> seek;
    };

    TypingFields(QWidget *window, QTimeEdit *time, QSpinBox *zoom, Hooks hooks)
        : QObject(window)
        , window(window)
        , time(time)
        , zoom(zoom)
        , hooks(std::move(hooks))
    {
        qApp->installEventFilter(this);
    }

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        switch (event->type()) {
        case QEvent::KeyPress:
            if (watched == time || watched == zoom)
                return keyPressed(static_cast<QAbstractSpinBox *>(watched),
                                  static_cast<QKeyEvent *>(event)->key());
            break;
        case QEvent::FocusIn:
        case QEvent::FocusOut:
            if (watched == time || watched == zoom)
                focusChanged(static_cast<QAbstractSpinBox *>(watched), static_cast<QFocusEvent *>(event));
            break;
        case QEvent::MouseButtonPress:
            if (auto *widget = qobject_cast<QWidget *>(watched); widget && widget->window() == window)
                if (QAbstractSpinBox *field = focusedField(); field && !fieldOf(field, widget))
                    hooks.leave(); // a click elsewhere; one on a control then focuses it
            break;
        case QEvent::MouseButtonRelease:
            if (auto *edit = qobject_cast<QLineEdit *>(watched))
                for (QAbstractSpinBox *field : {static_cast<QAbstractSpinBox *>(time),
                                                static_cast<QAbstractSpinBox *>(zoom)})
                    if (field->isAncestorOf(edit)) {
                        clicked = {field, static_cast<QMouseEvent *>(event)->pos()};
                        // once the editor has placed its cursor
                        QTimer::singleShot(0, field, [this] { selectClicked(); });
                    }
            break;
        default:
            break;
        }
        return false;
    }

private:
    static bool fieldOf(QAbstractSpinBox *field, const QWidget *widget)
    {
        return widget == field || field->isAncestorOf(widget);
    }

    QAbstractSpinBox *focusedField() const
    {
        QWidget *focus = QApplication::focusWidget();
        return focus == time || focus == zoom ? static_cast<QAbstractSpinBox *>(focus) : nullptr;
    }

    // What the last click into a field points at, selected once the field
    // has the focus: a click into an inactive window gets it only when the
    // window is activated, and then the time editor selects its hours.
    void selectClicked()
    {
        QAbstractSpinBox *field = clicked.field;
        if (!field || !field->hasFocus())
            return;
        clicked.field = nullptr;
        if (field == time) {
            auto *edit = time->findChild<QLineEdit *>();
            edit->setCursorPosition(edit->cursorPositionAt(clicked.at));
            time->setSelectedSection(time->currentSection());
        } else {
            field->selectAll();
        }
    }

    // Esc and Tab leave the field (Tab would step the time editor's
    // sections); every other key is the field's.
    bool keyPressed(QAbstractSpinBox *field, int key)
    {
        if (key == Qt::Key_Escape) {
            putBack(field);
        } else if (key != Qt::Key_Tab && key != Qt::Key_Backtab) {
            return false;
        }
        hooks.leave();
        return true;
    }

    void focusChanged(QAbstractSpinBox *field, QFocusEvent *event)
    {
        hooks.typing(event->gotFocus());
        // A notice box, or another window, that takes the focus for a while
        // gives it back to the field: the typing goes on there, and Esc
        // still puts back the value from before it.
        const Qt::FocusReason reason = event->reason();
        if (event->lostFocus()) {
            if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason)
                typingIn = nullptr;
            return;
        }
        if (reason == Qt::ActiveWindowFocusReason && clicked.field == field)
            QTimer::singleShot(0, field, [this] { selectClicked(); });
        if (typingIn == field)
            return;
        typingIn = field;
        if (field == time) {
            entryTime = time->time();
            entryPosition = hooks.position();
        } else {
            entryZoom = zoom->value();
        }
    }

    // The time editor seeks as each digit comes: Esc puts the editor back
    // and the recording where it was when the reviewer began.
    void putBack(QAbstractSpinBox *field)
    {
        if (field == zoom) {
            zoom->setValue(entryZoom);
        } else if (time->time() != entryTime) {
            const QSignalBlocker quiet(time);
            time->setTime(entryTime);
            if (entryPosition >= 0 && hooks.position() >= 0)
                hooks.seek(entryPosition);
        }
    }

    QWidget *window;
    QTimeEdit *time;
    QSpinBox *zoom;
    Hooks hooks;
    QAbstractSpinBox *typingIn = nullptr; // the field the reviewer is in
    struct
    {
        QAbstractSpinBox *field = nullptr; // until it is selected
        QPoint at;                         // on its line edit
    } clicked;
    QTime entryTime;
    int entryPosition = -1;
    int entryZoom = 0;
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

QString keyName(int key)
{
    return QKeySequence(key).toString(QKeySequence::NativeText);
}

} // namespace

// The window's keys. `once` ones act on a fresh press only, however long
// the key is held (a verdict, a snapshot, an undo, a playback toggle),
// while stepping repeats with the keyboard.
class MainWindow::WindowKeys
{
public:
    explicit WindowKeys(QWidget *window)
        : window(window)
        , held(new HeldKeys(window))
    {
    }

    void add(int key, bool once, std::function<void()> act)
    {
        auto *shortcut = new QShortcut(QKeySequence(key), window);
        shortcut->setContext(Qt::WindowShortcut);
        shortcut->setAutoRepeat(!once);
        HeldKeys *keys = held;
        QObject::connect(shortcut, &QShortcut::activated, window, [keys, once, act] {
            if (!once || keys->fresh())
                act();
        });
    }

private:
    QWidget *window;
    HeldKeys *held;
};

void MainWindow::setupKeys()
{
    WindowKeys keys(this);
    bindButtonKeys(keys);
    bindSpaceAndUndo(keys);
    // A review button is pressed by its own key or the mouse, never by
    // Space through the focus.
    auto *noButtonKeys = new NoButtonKeys(this);
    for (QPushButton *button : reviewButtons())
        button->installEventFilter(noButtonKeys);
    setupTypingFields();
}

// Each review button's keys, named in its tool tip (the verdicts' also the
// undo key).
void MainWindow::bindButtonKeys(WindowKeys &keys)
{
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
    // what Ctrl+Z takes back: a filing or a snapshot
    const QList<QPushButton *> undoable{ui->btn_Right, ui->btn_Error, ui->btn_More,
                                        ui->btn_FeiJiDong, ui->btn_PlateInvain,
                                        ui->btn_SeepSaveAs};
    for (const auto &entry : keyMap) {
        QStringList names;
        for (int key : entry.keys) {
            QPushButton *button = entry.button;
            keys.add(key, entry.once, [button] { press(button); });
            if (!(key & Pad))
                names << keyName(key);
        }
        QString tip = tr("快捷键：") + names.join(tr("、"));
        if (undoable.contains(entry.button))
            tip += QLatin1Char('\n') + keyName(Qt::CTRL | Qt::Key_Z) + tr("：撤销上一次判定或抓拍");
        entry.button->setToolTip(tip);
    }
}

// Space toggles playback while a recording is open, and does nothing else:
// it never presses the button that has the focus. Ctrl+Z takes back the
// last filing or snapshot.
void MainWindow::bindSpaceAndUndo(WindowKeys &keys)
{
    keys.add(Qt::Key_Space, true, [this] {
        if (playPort != NoPort)
            press(isPaused ? ui->btn_Play : ui->btn_PlayPause);
    });
    for (QPushButton *button : {ui->btn_Play, ui->btn_PlayPause})
        button->setToolTip(tr("快捷键：") + keyName(Qt::Key_Space));
    keys.add(Qt::CTRL | Qt::Key_Z, true, [this] { undoLast(); });
}

// Typing a time or a zoom keeps the focus in its field, which shows that it
// has it, and the status bar says how to leave it: each change takes effect
// at once, and no key typed there is a verdict.
void MainWindow::setupTypingFields()
{
    installEventFilter(new TextEntryKeys(this));
    const QString focused = QStringLiteral(
        "QAbstractSpinBox:focus { background-color: rgb(255, 236, 139); }");
    for (QAbstractSpinBox *field : {static_cast<QAbstractSpinBox *>(ui->ed_SetPlayTime),
                                    static_cast<QAbstractSpinBox *>(ui->sb_ImgSize)})
        field->setStyleSheet(focused);
    // There from the start, so that the window keeps its size. The focus
    // leaves the field as the window closes too: the bar outlives it.
    QPointer<QStatusBar> bar = statusBar();
    bar->setSizeGripEnabled(false);
    const QString howToLeave = tr("回车确认，Esc 取消");
    new TypingFields(this, ui->ed_SetPlayTime, ui->sb_ImgSize,
                     {[this] { endTyping(); },
                      [bar, howToLeave](bool focused) {
                          if (bar && focused)
                              bar->showMessage(howToLeave);
                          else if (bar)
                              bar->clearMessage();
                      },
                      [this] { return playPort == NoPort ? -1 : playedTime(); },
                      [this](int seconds) { seekTo(seconds); }});
    connect(ui->ed_SetPlayTime, &QAbstractSpinBox::editingFinished, this,
            [this] { editingEnded(ui->ed_SetPlayTime); });
}

bool MainWindow::isTyping() const
{
    return takesTyping(QApplication::focusWidget());
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
        if (isActiveWindow() && !isTyping())
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
