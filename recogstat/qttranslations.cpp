#include "qttranslations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

bool loadQtTranslations(QCoreApplication &app)
{
    // Chinese whatever the system's language: so is every text of the program.
    auto *qtbase = new QTranslator(&app);
    if (!qtbase->load(QStringLiteral("qtbase_zh_CN"),
                      QLibraryInfo::location(QLibraryInfo::TranslationsPath))) {
        delete qtbase;
        return false;
    }
    return QCoreApplication::installTranslator(qtbase);
}
