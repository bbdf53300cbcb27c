#pragma once

#include <QLocale>
#include <QTranslator>

// Qt's own texts, such as a text box's context menu and a message box's buttons, in the
// desktop's language, from the translations Qt ships (qtbase_*.qm). The window's own texts
// are Chinese whatever the desktop speaks. Where Qt has no translation, or its file is
// missing, Qt's texts stay English, without a word on the terminal.
class QtTranslation : public QTranslator {
public:
    // Loads the translation for the first of the user's UI languages that Qt has one for;
    // false if none (English comes first, or Qt has none of them).
    bool loadForUserLanguages();

    // The locale whose file holds a language's translation: Qt has one file for each
    // Chinese script, zh_CN and zh_TW.
    static QLocale translatedAs(const QLocale& language);
};
