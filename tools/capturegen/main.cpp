// capturegen: writes a folder of realistic capture pictures.
//   capturegen [--count N] [--seed S] [--first I] [--size WxH] folder
#include "capturegen.h"

#include <QCommandLineParser>
#include <QGuiApplication>
#include <QRegularExpression>

#include <cstdio>

int main(int argc, char *argv[])
{
    // Painting text needs the font database, hence a GUI application; no
    // window is opened, so any platform will do.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QGuiApplication::setApplicationName(QStringLiteral("capturegen"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Writes capture pictures (JPEG behind a 788-byte capture header) into a folder."));
    parser.addHelpOption();
    const QCommandLineOption count(QStringLiteral("count"), QStringLiteral("How many pictures (40)."),
                                   QStringLiteral("N"), QStringLiteral("40"));
    const QCommandLineOption seed(QStringLiteral("seed"), QStringLiteral("The series (1)."),
                                  QStringLiteral("S"), QStringLiteral("1"));
    const QCommandLineOption first(QStringLiteral("first"),
                                   QStringLiteral("Index of the first picture (1)."),
                                   QStringLiteral("I"), QStringLiteral("1"));
    const QCommandLineOption size(QStringLiteral("size"),
                                  QStringLiteral("Picture size (1920x1080)."),
                                  QStringLiteral("WxH"), QStringLiteral("1920x1080"));
    parser.addOptions({count, seed, first, size});
    parser.addPositionalArgument(QStringLiteral("folder"), QStringLiteral("Where to write."));
    parser.process(app);

    const QRegularExpressionMatch wh =
        QRegularExpression(QStringLiteral("^(\\d+)x(\\d+)$")).match(parser.value(size));
    bool ok = true, okSeed = true, okFirst = true;
    const int n = parser.value(count).toInt(&ok);
    const quint32 s = parser.value(seed).toUInt(&okSeed);
    const int i = parser.value(first).toInt(&okFirst);
    const QSize picture = wh.hasMatch() ? QSize(wh.captured(1).toInt(), wh.captured(2).toInt())
                                        : QSize();
    if (parser.positionalArguments().size() != 1 || !ok || !okSeed || !okFirst || n < 0
        || picture.width() < 64 || picture.height() < 48 || picture.width() > 10000
        || picture.height() > 10000) {
        std::fputs(qPrintable(parser.helpText()), stderr);
        return 2;
    }

    const QString folder = parser.positionalArguments().first();
    if (CaptureGen::writeSeries(folder, s, i, n, picture) < 0) {
        std::fprintf(stderr, "capturegen: cannot write into %s\n", qPrintable(folder));
        return 1;
    }
    std::printf("%d capture pictures in %s\n", n, qPrintable(folder));
    return 0;
}
