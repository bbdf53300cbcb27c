#include "qt_translation.h"

#include <QLibraryInfo>

bool QtTranslation::loadForUserLanguages() {
    const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    for (const QString& name : QLocale::system().uiLanguages()) {
        const QLocale language(name);
        // Qt's texts are English to begin with.
        if (language.language() == QLocale::English || language.language() == QLocale::C)
            return false;
        if (load(translatedAs(language), QStringLiteral("qtbase"), QStringLiteral("_"), folder))
            return true;
    }
    return false;
}

QLocale QtTranslation::translatedAs(const QLocale& language) {
    if (language.language() != QLocale::Chinese)
        return language;
    // Singapore writes Simplified; Taiwan, Hong Kong and Macau, Traditional: the script
    // says which, as Qt's locale data gives it for a region alone.
    return language.script() == QLocale::TraditionalHanScript
               ? QLocale(QLocale::Chinese, QLocale::TraditionalHanScript, QLocale::Taiwan)
               : QLocale(QLocale::Chinese, QLocale::SimplifiedHanScript, QLocale::China);
}
