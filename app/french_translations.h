#pragma once

#include <QTranslator>

#include <memory>

namespace grivendale {

// Installs Qt's own French texts, so the standard dialogs (input box, colour and file
// dialogs, message boxes) speak the program's language. Null when Qt's translations are not
// installed: the dialogs then stay in English. Keep the translator as long as the application.
std::unique_ptr<QTranslator> installFrenchTranslations();

} // namespace grivendale
