#include "report.h"

#include <QCoreApplication>
#include <QSaveFile>
#include <QTextCodec>

namespace {

const char *const CountLabels[] = {
    QT_TRANSLATE_NOOP("MainWindow", "视频过车"), QT_TRANSLATE_NOOP("MainWindow", "漏拍"),
    QT_TRANSLATE_NOOP("MainWindow", "识别正确"), QT_TRANSLATE_NOOP("MainWindow", "识别错误"),
    QT_TRANSLATE_NOOP("MainWindow", "多拍空拍"), QT_TRANSLATE_NOOP("MainWindow", "非机动车"),
};
const char *const RateLabels[] = {
    QT_TRANSLATE_NOOP("MainWindow", "捕获率"), QT_TRANSLATE_NOOP("MainWindow", "识别率"),
    QT_TRANSLATE_NOOP("MainWindow", "误拍率"), QT_TRANSLATE_NOOP("MainWindow", "综合识别率"),
};

// The file format's line end on every system.
const QString LineEnd = QStringLiteral("\r\n");

QString label(const char *text)
{
    return QCoreApplication::translate("MainWindow", text);
}

float ratio(float part, float whole)
{
    return whole != 0 ? part / whole : 0;
}

// Rates are shown in percent, fixed, with two decimals.
QString percentText(float percent)
{
    return QString::number(percent, 'f', 2) + QLatin1Char('%');
}

} // namespace

Tallies talliesFromCells(const QStringList &countCells, int plateInvalid)
{
    Tallies t;
    t.total = countCells.value(TotalRow).toFloat();
    t.correct = countCells.value(CorrectRow).toFloat();
    t.wrong = countCells.value(WrongRow).toFloat();
    t.multiEmpty = countCells.value(MultiEmptyRow).toFloat();
    t.nonMotor = countCells.value(NonMotorRow).toFloat();
    t.plateInvalid = plateInvalid;
    return t;
}

QStringList rateTexts(const Tallies &t)
{
    // All in single precision. The capture rate is a percentage already;
    // the other three are fractions until they are shown.
    const float captured = t.correct + t.wrong + t.plateInvalid;
    const float capture = t.total != 0 ? captured / t.total * 100 : 0;
    const float overall = ratio(t.correct, t.total);
    const float recognition = ratio(t.correct, t.correct + t.wrong);
    const float falseShot = ratio(t.multiEmpty + t.nonMotor, captured + t.nonMotor);
    return {percentText(capture), percentText(recognition * 100),
            percentText(falseShot * 100), percentText(overall * 100)};
}

QByteArray reportBytes(const QStringList &countCells, const QStringList &rateCells)
{
    QTextCodec *codec = QTextCodec::codecForName("gb18030");
    if (!codec)
        return {};

    QStringList countLabels;
    for (const char *text : CountLabels)
        countLabels << label(text);
    QString counts;
    for (const QString &cell : countCells)
        counts += QString::number(qlonglong(cell.toInt(nullptr, 10))) + QLatin1Char(',');
    QString rateLabels;
    for (const char *text : RateLabels)
        rateLabels += label(text) + QLatin1Char(',');

    const QString report = countLabels.join(QLatin1Char(',')) + LineEnd + counts + LineEnd
                           + LineEnd + rateLabels + LineEnd + rateCells.join(QLatin1Char(','));
    return codec->fromUnicode(report);
}

bool writeWhole(const QString &path, const QByteArray &bytes)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    // commit() was seen to rename the new file over the old one although
    // its own final flush had failed on a full disk: so flush and check
    // first, and commit only a file that holds every byte. Without a commit
    // the new file is discarded.
    if (file.write(bytes) != bytes.size() || !file.flush())
        return false;
    return file.commit();
}
