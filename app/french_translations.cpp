#include "app/french_translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>

namespace grivendale {

std::unique_ptr<QTranslator> installFrenchTranslations() {
    auto translator = std::make_unique<QTranslator>();
    if (!translator->load(QLocale(QLocale::French), QStringLiteral("qtbase"), QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath)) ||
        !QCoreApplication::installTranslator(translator.get()))
        return nullptr;
    return translator;
}

} // namespace grivendale
