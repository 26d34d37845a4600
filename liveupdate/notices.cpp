#include "notices.h"

#include "products.h"

namespace corvanlu {

namespace StringheDLL_u {

namespace {

struct LanguageTexts {
    std::string_view notInstalled;
    std::string_view launchFailed;
};

constexpr LanguageTexts kItalian = {
    "Questa operazione richiede una precedente installazione del servizio \"%s\" distribuito con "
    "il programma.\nAssicurarsi che il programma sia stato installato correttamente.",
    "Non è stato possibile eseguire il servizio \"%s\" distribuito con il programma.\nIl sistema "
    "operativo ha segnalato il seguente problema:\n%d\n%s",
};

// The English edition ships with the Italian wording.
constexpr LanguageTexts kEnglish = {
    "Questa operazione richiede una precedente installazione del servizio \"Corvan Live Update\" "
    "distribuito con il programma.\nAssicurarsi che il programma sia stato installato "
    "correttamente.",
    "Non è stato possibile eseguire il servizio \"%s\" distribuito con il programma.\nIl sistema "
    "operativo ha segnalato il seguente problema:\n%d\n%s",
};

constexpr LanguageTexts kGerman = {
    "Diese Operation erfordert eine ältere Version des Programms\"Corvan Live Update\".\nBitte "
    "versichern Sie sich, dass das Produkt korrekt installiert wurde.",
    "Das Programm \"%s\" konnte nicht gestartet werden.\nDas Betriebssystem hat folgenden Fehler "
    "gemeldet:\n%d\n%s",
};

constexpr LanguageTexts kFrench = {
    "Cette opération requiert l'installation préalable du service \"Corvan Live Update\" "
    "distribué avec le programme.\nS'assurer que le programme a bien été installé correctement.",
    "Il n'a pas été possible d'activer le service \"%s\" distribué avec le programme.\nLe système "
    "d'exploitation a signalé le problème suivant :\n%d\n%s",
};

constexpr LanguageTexts kSpanish = {
    "Esta operación requiere una instalación anterior del servicio \"Corvan Live Update\" "
    "distribuido con el programa.\nAsegurarse de que el programa se haya instalado "
    "correctamente.",
    "No ha sido posible ejecutar el servicio \"%s\" distribuido con el programa.\nEl sistema "
    "operativo ha señalado el siguiente problema:\n%d\n%s",
};

const LanguageTexts& textsOf(Language language)
{
    switch (language) {
    case Language::English:
        return kEnglish;
    case Language::Spanish:
        return kSpanish;
    case Language::French:
        return kFrench;
    case Language::German:
        return kGerman;
    case Language::Italian:
        break;
    }
    return kItalian;
}

} // namespace

std::string_view notInstalled(Language language)
{
    return textsOf(language).notInstalled;
}

std::string_view launchFailed(Language language)
{
    return textsOf(language).launchFailed;
}

} // namespace StringheDLL_u

namespace {

bool isPlaceholder(std::string_view pattern, std::size_t at)
{
    return pattern[at] == '%' && at + 1 < pattern.size() &&
           (pattern[at + 1] == 's' || pattern[at + 1] == 'd');
}

} // namespace

std::string formatMessage(std::string_view pattern,
                          std::initializer_list<std::string_view> arguments)
{
    std::string result;
    auto argument = arguments.begin();
    for (std::size_t at = 0; at < pattern.size(); ++at) {
        if (argument != arguments.end() && isPlaceholder(pattern, at)) {
            result += *argument++;
            ++at;
        } else {
            result += pattern[at];
        }
    }
    return result;
}

std::string notInstalledMessage(Language language)
{
    const std::string_view text = StringheDLL_u::notInstalled(language);
    if (language == Language::Italian) {
        return formatMessage(text, {kServiceName});
    }
    return std::string(text);
}

std::string launchFailedMessage(Language language, int errorNumber, std::string_view systemText)
{
    return formatMessage(StringheDLL_u::launchFailed(language),
                         {kServiceName, std::to_string(errorNumber), systemText});
}

} // namespace corvanlu
