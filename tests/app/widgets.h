// Reaching the window's controls from a test by their object names, as the
// slots are bound to them.
#ifndef WIDGETS_H
#define WIDGETS_H

#include <QWidget>

// The child of that object name; a test without it cannot go on.
template <typename T = QWidget>
T *child(QWidget &window, const char *name)
{
    T *found = window.findChild<T *>(QLatin1String(name));
    if (!found)
        qFatal("no child %s", name);
    return found;
}

#endif // WIDGETS_H
