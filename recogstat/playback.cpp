#include "playback.h"

#include <QCoreApplication>

#include <iterator>

QString clockText(int seconds, QChar separator)
{
    return QString::number(seconds / 3600) + separator
           + QString::number(seconds % 3600 / 60) + separator
           + QString::number(seconds % 60);
}

namespace Speed {
namespace {

struct Step
{
    int level;
    const char *label;
};

constexpr Step Steps[] = {
    {2, QT_TRANSLATE_NOOP("MainWindow", "*1")},
    {3, QT_TRANSLATE_NOOP("MainWindow", "*2")},
    {4, QT_TRANSLATE_NOOP("MainWindow", "*4")},
    {5, QT_TRANSLATE_NOOP("MainWindow", "*8")},
};
constexpr int StepCount = int(std::size(Steps));

int indexOf(int level)
{
    for (int i = 0; i < StepCount; ++i) {
        if (Steps[i].level == level)
            return i;
    }
    return 0;
}

} // namespace

int faster(int level)
{
    return Steps[qMin(indexOf(level) + 1, StepCount - 1)].level;
}

int slower(int level)
{
    return Steps[qMax(indexOf(level) - 1, 0)].level;
}

const char *label(int level)
{
    return Steps[indexOf(level)].label;
}

} // namespace Speed
