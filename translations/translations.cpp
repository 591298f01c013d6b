#include "translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>

// Registers the embedded .qm files; Q_INIT_RESOURCE must be used outside any namespace.
static void registerTranslationResources() {
    Q_INIT_RESOURCE(kofrex_translations);
}

namespace kofrex {

Translations::Translations(const QLocale& locale) {
    static const bool registered = (registerTranslationResources(), true);
    (void)registered;
    // The user's languages in order of preference: the first one that is English or that has
    // a translation wins, so that "en:de" stays English.
    for (QString language : locale.uiLanguages()) {
        if (language.startsWith(QLatin1String("en")) || language == QLatin1String("C")) {
            return;
        }
        language.replace(u'-', u'_');
        if (own_.load(QStringLiteral("kofrex_") + language, QStringLiteral(":/translations"))) {
            QCoreApplication::installTranslator(&own_);
            if (qt_.load(QStringLiteral("qtbase_") + language,
                         QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
                QCoreApplication::installTranslator(&qt_);
            }
            return;
        }
    }
}

Translations::~Translations() {
    QCoreApplication::removeTranslator(&own_);
    QCoreApplication::removeTranslator(&qt_);
}

}  // namespace kofrex
