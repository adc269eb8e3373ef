#include "mainwindow.h"
#include "qttranslations.h"

#include <QApplication>

#include <clocale>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    // QApplication takes the locale from the environment; the playback
    // engine's player refuses to start under any numeric locale but "C".
    std::setlocale(LC_NUMERIC, "C");
    loadQtTranslations(app);

    MainWindow window;
    window.show();
    return app.exec();
}
