#pragma once
// The language of the windows and messages: the system's choice (LANGUAGE, then LC_ALL,
// LC_MESSAGES and LANG, as gettext reads them), our translation of it from the embedded
// .qm files and Qt's own dialogs from the system's Qt translations.
#include <QString>
#include <QStringList>
#include <vector>

class QTranslator;

namespace platform {

// The languages the environment asks for, best first, as two-letter codes ("de", "fr", "en").
QStringList requestedLanguages();
// The first requested language Quembly has a translation for; "" for the English source.
QString uiLanguage();
// Installs the translators of LANGUAGE (ours and Qt's) into the running application and
// returns them (owned by the application); none for "" or a language without a translation.
std::vector<QTranslator*> installTranslations(const QString& language);

} // namespace platform
