#include "platform/qt/Translations.h"

#include <QCoreApplication>
#include <QFile>
#include <QLibraryInfo>
#include <QTranslator>

namespace platform {

namespace {

// "de_DE.UTF-8", "fr_CA@euro", "de" → "de"; "C" and "POSIX" name no language.
QString languageOf(const QString& locale) {
    QString code = locale.section(u'.', 0, 0).section(u'@', 0, 0).section(u'_', 0, 0);
    code = code.toLower();
    if (code == u"c" || code == u"posix")
        return {};
    return code;
}

QString ourCatalogue(const QString& language) {
    return QStringLiteral(":/i18n/quembly_%1.qm").arg(language);
}

} // namespace

QStringList requestedLanguages() {
    QStringList languages;
    auto add = [&languages](const QString& locale) {
        const QString code = languageOf(locale);
        if (!code.isEmpty() && !languages.contains(code))
            languages << code;
    };
    // LC_ALL, LC_MESSAGES and LANG name one locale, the first one set; LANGUAGE lists
    // languages in order of preference ahead of it unless the locale is "C".
    QString locale;
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        locale = qEnvironmentVariable(name);
        if (!locale.isEmpty())
            break;
    }
    if (locale != u"C" && locale != u"POSIX")
        for (const QString& entry :
             qEnvironmentVariable("LANGUAGE").split(u':', Qt::SkipEmptyParts))
            add(entry);
    add(locale);
    return languages;
}

QString uiLanguage() {
    for (const QString& language : requestedLanguages()) {
        if (language == u"en")
            return {};
        if (QFile::exists(ourCatalogue(language)))
            return language;
    }
    return {};
}

std::vector<QTranslator*> installTranslations(const QString& language) {
    std::vector<QTranslator*> installed;
    if (language.isEmpty() || !QCoreApplication::instance())
        return installed;
    auto install = [&installed](auto&& load) {
        auto* translator = new QTranslator(QCoreApplication::instance());
        if (load(*translator) && QCoreApplication::installTranslator(translator))
            installed.push_back(translator);
        else
            delete translator;
    };
    install([&](QTranslator& t) { return t.load(ourCatalogue(language)); });
    // Qt's own texts (standard buttons, file dialogs) from the system's Qt translations.
    install([&](QTranslator& t) {
        return t.load(QStringLiteral("qt_") + language,
                      QLibraryInfo::path(QLibraryInfo::TranslationsPath));
    });
    return installed;
}

} // namespace platform
