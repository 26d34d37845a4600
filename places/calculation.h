#pragma once

#include "places/birthplaces.h"

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// What happens when the user asks for a code: the inputs are checked in a fixed order, the date
// is rewritten as dd/mm/yyyy, the municipality's cadastral code is looked up and the code is
// computed. The calculation window and the command-line tool both run it.
namespace places {

// The messages of the checks and of the look-up, and the names of the fields they concern.
namespace texts {
inline constexpr const char* kSurnameCaption = "Cognome";
inline constexpr const char* kGivenNameCaption = "Nome";

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
// A name holding a digit or a letter outside the Latin alphabet; %1 the field, %2 the character.
inline constexpr const char* kRefusedCharacter =
    "Il campo %1 contiene «%2»: nel codice fiscale un nome può avere solo lettere dell'alfabeto "
    "latino, anche accentate, e nessuna cifra !";
// A date of birth after today; the verification reads a code's year as not after today.
inline constexpr const char* kFutureDate =
    "La data di nascita non può essere successiva alla data di oggi !";
inline constexpr const char* kNotInForce = "Comune non esistente alla data di nascita:";
// A name the place bore only before the birth date: one line per place says what it was called
// then.
inline constexpr const char* kNotSoNamed = "Nessun comune aveva questo nome alla data di nascita:";
// %1 the place with the name it bore, %2 its times under that name, %3 the birth date, %4 the
// place as named on that date: "FIUME (UD) D621 dal 19/11/1866 al 31/10/1911: il 01/03/1950 si
// chiamava FIUME VENETO (UD)".
inline constexpr const char* kEarlierNameLine = "%1 %2: il %3 si chiamava %4";
inline constexpr const char* kNotInProvince = "Comune non presente nella provincia indicata:";
inline constexpr const char* kAmbiguous = "Comune ambiguo:";
// Notices beside a code computed. The name given was the place's later name; %1 the name, %2 the
// birth date, %3 the place as named on that date.
inline constexpr const char* kRenamedNotice = "%1 il %2 si chiamava %3";
// The municipality was suppressed on the birth date; %1 the municipality, %2 the birth date, %3
// its times in force, %4 its cadastral code.
inline constexpr const char* kSuspendedNotice =
    "Il comune %1 il %2 era soppresso (esisteva %3): il codice è calcolato con il suo codice "
    "catastale %4, ma quello registrato dall'Agenzia delle Entrate può avere invece il codice "
    "catastale del comune che allora ne comprendeva il territorio.";
// A code in COMUNI that is not a letter and three digits; %1 the code, %2 the municipality.
inline constexpr const char* kMalformedCode =
    "Il codice catastale «%1» del comune %2 non è valido: deve essere una lettera seguita da "
    "tre cifre. Correggerlo nella Tabella Comuni !";

} // namespace texts

enum class InputField { Surname, GivenName, BirthDate, Municipality };

// Fields left out of an initializer are empty.
struct CalculationInput {
    std::string surname{};
    std::string givenName{};
    std::string birthDate{};
    std::string municipality{}; // may end with its province in brackets: "CASTRO (LE)"
    std::string sex = "M";      // "M" or "F"
    std::string province{};     // optional: the province of the municipality
    fiscalcode::Day today = 0;  // the day no birth may follow; 0 for today's date
};

struct CalculationOutcome {
    // The first failure: its message, the places it concerns (one line each), and the field that
    // gets the focus (none for the look-up of the place). An input check is shown with the error
    // icon, a failed look-up with the information icon.
    struct Failure {
        std::string message;
        std::vector<std::string> details;
        std::optional<InputField> field;
    };
    std::optional<Failure> failure;
    bool cancelled = false; // the user chose none of several places
    std::string birthDate;  // the date as dd/mm/yyyy once the checks passed, else empty
    std::string code;       // the fiscal code, when computed
    // What the user should know about a code computed (the place bore another name on the birth
    // date, the municipality was suppressed then): one line, empty when there is nothing to note.
    std::string notice;
};

// The birthplace of a person born on a day; see BirthplaceIndex::resolve.
using BirthplaceFinder = std::function<Birthplace(std::string_view place, fiscalcode::Day day,
                                                  std::string_view province)>;

// Asks the user which of several places is meant; nullptr when the user declines.
using PlaceChooser =
    std::function<const Place*(const std::vector<const Place*>& places, fiscalcode::Day day)>;

// Checks the input, finds the birthplace and computes the code. When several places fit,
// `choose` decides; without it, the outcome is the failure "Comune ambiguo:" with one detail
// line per place, "NAME (PR) CODE PERIOD" (see Place::listing).
CalculationOutcome calculate(const CalculationInput& input, const BirthplaceFinder& find,
                             const PlaceChooser& choose = {});
CalculationOutcome calculate(const CalculationInput& input, const BirthplaceIndex& index,
                             const PlaceChooser& choose = {});

} // namespace places
