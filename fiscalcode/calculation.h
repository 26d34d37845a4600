#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

// What happens when the user asks for a code: the inputs are checked in a fixed order, the date
// is rewritten as dd/mm/yyyy, the municipality's cadastral code is looked up and the code is
// computed. The calculation window and the command-line tool both run it.
namespace fiscalcode {

// The Italian texts of the calculation window.
namespace texts {
inline constexpr const char* kWindowTitle = "Raccolta dati e calcolo Codice Fiscale";
inline constexpr const char* kHeading = "Raccolta dati per il calcolo del Codice Fiscale";
inline constexpr const char* kSurnameCaption = "Cognome";
inline constexpr const char* kGivenNameCaption = "Nome";
inline constexpr const char* kPlaceCaption = "Nato a";
inline constexpr const char* kDateCaption = "Nato il";
inline constexpr const char* kMale = "M";
inline constexpr const char* kFemale = " F";
inline constexpr const char* kCreate = "&Crea";
inline constexpr const char* kExit = "&Uscita";
inline constexpr const char* kCopy = "..";
inline constexpr const char* kCopyTip = "Inserisce in memoria";
inline constexpr const char* kResultName = "Codice Fiscale";
inline constexpr const char* kNoticeName = "Avvertenza";

inline constexpr const char* kEmptySurname = "Impossibile lasciare vuoto il campo Cognome !";
inline constexpr const char* kEmptyGivenName = "Impossibile lasciare vuoto il campo Nome !";
inline constexpr const char* kEmptyDate = "Impossibile lasciare vuoto il campo Data di nascita !";
inline constexpr const char* kInvalidDate = "Data di nascita in formato non valido !";
inline constexpr const char* kDateLength = "Inserire la data di nascita nel formato gg/mm/aaaa !";
inline constexpr const char* kEmptyMunicipality = "Impossibile lasciare vuoto il campo Comune !";
inline constexpr const char* kMunicipalityNotFound =
    "Comune - se esistente - non presente in archivio !";
// The window offers only the two option buttons; text input (the command line) may say otherwise.
inline constexpr const char* kInvalidSex = "Il sesso deve essere M oppure F !";

// Multi-line notices, one entry per line; each line is shown followed by CR LF.
inline constexpr const char* kCopyNotice[] = {
    "ATTENZIONE Il numero generato verrà",
    "inserito nella memoria del Sistema Operativo",
    " e può essere riutilizzato senza essere digitato",
    " nuovamente in qualsiasi applicazione che ",
    "supporti il copia e incolla.",
    " ",
};
inline constexpr const char* kReliabilityNotice[] = {
    "ATTENZIONE Il numero generato corrisponde",
    "alle regole del D.M. del 12.3.1974 Non si può essere",
    "assolutamente certi che il codice fiscale così calcolato",
    "sia veritiero. Esistono infatti dei rari casi in cui il",
    "sistema genera due codici identici (caso di due persone",
    "con nome e cognome molto simili, nati lo stesso giorno, nello",
    "stesso comune)e il Ministero delle Finanze provvede alla",
    "sostituzione di uno dei numeri con una lettera progressiva.",
};
} // namespace texts

// Text as typing into the name fields gives it: letters a-z become capitals; every other
// character stays as it is.
std::string AsTyped(std::string_view text);

enum class InputField { Surname, GivenName, BirthDate, Municipality };

struct CalculationInput {
    std::string surname;
    std::string givenName;
    std::string birthDate;
    std::string municipality;
    std::string sex = "M"; // "M" or "F"
};

struct CalculationOutcome {
    // The first failure: its message, and the field that gets the focus (none when the
    // municipality is not found). An input check is shown with the error icon, the failed
    // look-up with the information icon.
    struct Failure {
        const char* message;
        std::optional<InputField> field;
    };
    std::optional<Failure> failure;
    std::string birthDate; // the date as dd/mm/yyyy once the checks passed, else empty
    std::string code;      // the fiscal code, when computed
};

// Finds the cadastral code of the municipality text, or nothing.
using CadastralCodeFinder = std::function<std::optional<std::string>(std::string_view)>;

CalculationOutcome Calculate(const CalculationInput& input, const CadastralCodeFinder& find);

} // namespace fiscalcode
