// Qt's own texts in Chinese, like the program's: the file dialogs, the
// buttons of the message boxes, the question before a file is replaced and
// the key names in the tool tips.
#ifndef QTTRANSLATIONS_H
#define QTTRANSLATIONS_H

class QCoreApplication;

// Installs Qt's Chinese translation into `app`; false where the system has
// none (the texts then stay English). Before any window is built.
bool loadQtTranslations(QCoreApplication &app);

#endif // QTTRANSLATIONS_H
