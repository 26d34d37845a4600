#include "messages/texts.h"

#include "text/textfold.h"

#include <algorithm>
#include <initializer_list>
#include <string_view>

namespace messages {
namespace {

using fiscalcode::CodeFault;
using fiscalcode::Day;
using places::CalculationFailure;
using places::CalculationNotice;
using places::Place;
using places::RegisterDefect;
using text::CsvReader;

// The table: every sentence, by kind. A name in braces, "{line}", stands for a detail of what
// happened, filled in by `filled`.

const char* sentence(CalculationFailure::Kind kind)
{
    using Kind = CalculationFailure::Kind;
    switch (kind) {
    case Kind::EmptySurname:
        return "Impossibile lasciare vuoto il campo Cognome !";
    case Kind::EmptyGivenName:
        return "Impossibile lasciare vuoto il campo Nome !";
    case Kind::RefusedCharacter:
        return "Il campo {field} contiene «{character}»: nel codice fiscale un nome può avere solo "
               "lettere dell'alfabeto latino, anche accentate, e nessuna cifra !";
    case Kind::EmptyDate:
        return "Impossibile lasciare vuoto il campo Data di nascita !";
    case Kind::InvalidDate:
        return "Data di nascita in formato non valido !";
    case Kind::DateLength:
        return "Inserire la data di nascita nel formato gg/mm/aaaa !";
    case Kind::FutureDate:
        return "La data di nascita non può essere successiva alla data di oggi !";
    case Kind::EmptyMunicipality:
        return "Impossibile lasciare vuoto il campo Comune !";
    case Kind::InvalidSex:
        return "Il sesso deve essere M oppure F !";
    case Kind::NotFound:
        return "Comune - se esistente - non presente in archivio !";
    case Kind::NotInForce:
        return "Comune non esistente alla data di nascita:";
    case Kind::NotSoNamed:
        return "Nessun comune aveva questo nome alla data di nascita:";
    case Kind::NotInProvince:
        return "Comune non presente nella provincia indicata:";
    case Kind::Ambiguous:
        return "Comune ambiguo:";
    case Kind::MalformedCode:
        return "Il codice catastale «{code}» del comune {name} non è valido: deve essere una "
               "lettera seguita da tre cifre. Correggerlo nella Tabella Comuni !";
    }
    return "";
}

// A place that bore the name only before the birth date: "FIUME (UD) D621 dal 19/11/1866 al
// 31/10/1911: il 01/03/1950 si chiamava FIUME VENETO (UD)".
constexpr const char* kEarlierNameLine = "{place} {times}: il {date} si chiamava {named}";
// After the first places of a long list.
constexpr const char* kMorePlaces = "... e altri {count}";
constexpr const char* kChoosingByCode =
    "Per indicarne uno, scrivere il suo codice catastale al posto del comune o tra parentesi "
    "dopo il nome: \"{code}\", \"{name} ({code})\".";

const char* sentence(CalculationNotice::Kind kind)
{
    using Kind = CalculationNotice::Kind;
    switch (kind) {
    case Kind::Renamed:
        return "{name} il {date} si chiamava {named}";
    case Kind::Suspended:
        return "Il comune {named} il {date} era soppresso (esisteva {times}): il codice è "
               "calcolato "
               "con il suo codice catastale {code}, ma quello registrato dall'Agenzia delle "
               "Entrate può avere invece il codice catastale del comune che allora ne comprendeva "
               "il territorio.";
    }
    return "";
}

// The times of a place.
constexpr const char* kSince = "dal ";
constexpr const char* kUntil = " al ";
constexpr const char* kAnd = " e ";
constexpr const char* kWithoutHistory = "senza storia";
constexpr const char* kCeasedForeignState = "stato estero cessato nel {year}";

const char* sentence(CodeFault::Kind kind)
{
    using Kind = CodeFault::Kind;
    switch (kind) {
    case Kind::Length:
        return "lunghezza errata: {length} invece di 16";
    case Kind::Character:
        return "carattere «{character}» non ammesso in posizione {place}: {wanted}";
    case Kind::MonthLetter:
        return "lettera del mese «{character}» non valida: ammesse A B C D E H L M P R S T";
    case Kind::Day:
        return "giorno {day} non valido: da 01 a 31 per gli uomini, da 41 a 71 per le donne";
    case Kind::Date:
        return "data di nascita inesistente: {day}/{month}/{year}";
    case Kind::CheckCharacter:
        return "carattere di controllo errato: atteso {expected}, trovato {character}";
    }
    return "";
}

constexpr const char* kOneCharacter = "1 carattere";
constexpr const char* kCharacters = "{count} caratteri";
constexpr const char* kDigitWanted = "attesa una cifra o una delle lettere L M N P Q R S T U V";
constexpr const char* kLetterWanted = "attesa una lettera";
constexpr const char* kValid = "valido";
constexpr const char* kNotValid = "non valido";
constexpr const char* kUnknownPlace = "sconosciuto (codice catastale non presente in archivio)";

const char* sentence(RegisterDefect::Kind kind)
{
    using Kind = RegisterDefect::Kind;
    switch (kind) {
    case Kind::Unreadable:
        return "Impossibile leggere il file {file}.";
    case Kind::ReadFailed:
        return "Errore di lettura del file {file}.";
    case Kind::TooLarge:
        return "è più grande di {limit} MiB";
    case Kind::Empty:
        return "il file è vuoto";
    case Kind::MissingColumns:
        return "mancano le colonne {columns}";
    case Kind::UnreadableLine:
        return "la riga {line} non si può leggere ({flaw})";
    case Kind::FieldCount:
        return "la riga {line} ha {fields} campi invece di {expected}";
    case Kind::NoName:
        return "la riga {line} non ha il nome del comune";
    case Kind::NotUtf8:
        return "la riga {line} non è scritta in UTF-8";
    case Kind::ControlCharacter:
        return "la riga {line} ha un nome con caratteri di controllo";
    case Kind::NameTooLong:
        return "la riga {line} ha un nome più lungo di {limit} caratteri";
    case Kind::BadProvince:
        return "la riga {line} ha una sigla di provincia non valida: {value} (servono due lettere "
               "maiuscole)";
    case Kind::BadDate:
        return "la riga {line} ha una data non valida: {value}";
    case Kind::EndsBeforeStart:
        return "la riga {line} ha un periodo che finisce prima di cominciare";
    case Kind::NoMunicipality:
        return "non contiene alcun comune con il suo codice catastale";
    }
    return "";
}

// A file of another shape: the defect's sentence goes after the colon.
constexpr const char* kOtherShape = "Il file {file} non è un archivio dei comuni del registro: ";
constexpr const char* kOneMissingColumn = "manca la colonna {columns}";

const char* sentence(CsvReader::Flaw flaw)
{
    using Flaw = CsvReader::Flaw;
    switch (flaw) {
    case Flaw::None:
        return "";
    case Flaw::FieldTooLong:
        return "Campo {field} troppo lungo: più di {limit} caratteri";
    case Flaw::TooManyFields:
        return "Troppi campi: più di {limit}";
    case Flaw::UnclosedQuote:
        return "Virgolette non chiuse nel campo {field}";
    case Flaw::NulByte:
        return "Carattere nullo nel campo {field}";
    }
    return "";
}

// The end of the table.

struct Detail {
    std::string_view name;
    std::string_view value;
};

// `sentence` with every name in braces replaced by the value of the detail of that name.
std::string filled(std::string_view sentence, std::initializer_list<Detail> details)
{
    std::string text;
    text.reserve(sentence.size() + 32);
    for (;;) {
        const std::size_t open = sentence.find('{');
        const std::size_t close = sentence.find('}', open);
        if (close == std::string_view::npos) {
            text += sentence;
            return text;
        }
        text += sentence.substr(0, open);
        const std::string_view name = sentence.substr(open + 1, close - open - 1);
        const auto detail = std::find_if(details.begin(), details.end(),
                                         [name](const Detail& d) { return d.name == name; });
        text += detail != details.end() ? detail->value : sentence.substr(open, close - open + 1);
        sentence.remove_prefix(close + 1);
    }
}

std::string twoDigits(int value)
{
    return {static_cast<char>('0' + value / 10 % 10), static_cast<char>('0' + value % 10)};
}

void appendSpan(std::string& text, const std::pair<Day, Day>& span)
{
    text += kSince;
    text += fiscalcode::formatDay(span.first);
    if (span.second < fiscalcode::kForever) {
        text += kUntil;
        text += fiscalcode::formatDay(span.second);
    }
}

std::string spansText(const fiscalcode::Spans& spans)
{
    std::string text;
    for (const auto& span : spans) {
        if (!text.empty()) {
            text += kAnd;
        }
        appendSpan(text, span);
    }
    return text;
}

// The place as named before `day`, with the times it bore that name, and as named on `day`.
std::string earlierNameLine(const Place& place, Day day)
{
    return filled(kEarlierNameLine, {{"place", place.describeAsNamed() + " " + place.code},
                                     {"times", namePeriodsText(place)},
                                     {"date", fiscalcode::formatDay(day)},
                                     {"named", place.describe(day)}});
}

const char* captionOf(std::optional<places::InputField> field)
{
    return field == places::InputField::GivenName ? kGivenNameCaption : kSurnameCaption;
}

std::string otherShape(const RegisterDefect& defect)
{
    const bool oneColumn = defect.columns.size() == 1;
    std::string columns;
    for (const std::string& column : defect.columns) {
        columns += (columns.empty() ? "" : ", ") + column;
    }
    const std::size_t limit = defect.kind == RegisterDefect::Kind::TooLarge
                                  ? static_cast<std::size_t>(places::kMaxRegisterBytes >> 20)
                                  : places::kPlaceNameCharacters;
    return filled(oneColumn ? kOneMissingColumn : sentence(defect.kind),
                  {{"line", std::to_string(defect.line)},
                   {"columns", columns},
                   {"flaw", flawText(defect.flaw, defect.field)},
                   {"fields", std::to_string(defect.fields)},
                   {"expected", std::to_string(defect.expected)},
                   {"value", text::quoted(defect.value)},
                   {"limit", std::to_string(limit)}});
}

} // namespace

std::string failureText(const CalculationFailure& failure)
{
    const Place* place = failure.places.empty() ? nullptr : failure.places.front();
    return filled(sentence(failure.kind),
                  {{"field", captionOf(failure.field)},
                   {"character", failure.character},
                   {"code", place ? std::string_view(place->code) : std::string_view()},
                   {"name", place ? std::string_view(place->name) : std::string_view()}});
}

std::vector<std::string> failureLines(const CalculationFailure& failure)
{
    if (failure.kind == CalculationFailure::Kind::MalformedCode) {
        return {}; // its place is named in the sentence
    }
    constexpr std::size_t kListed = 30; // a pattern such as "*" may match thousands
    std::vector<std::string> lines;
    for (const Place* place : failure.places) {
        if (lines.size() == kListed) {
            lines.push_back(
                filled(kMorePlaces, {{"count", std::to_string(failure.places.size() - kListed)}}));
            break;
        }
        const bool renamed =
            failure.kind == CalculationFailure::Kind::NotSoNamed && place->inForce(failure.day);
        lines.push_back(renamed ? earlierNameLine(*place, failure.day)
                                : listing(*place, failure.day));
    }
    return lines;
}

std::string choosingByCodeText(const CalculationFailure& failure)
{
    const Place& first = *failure.places.front();
    return filled(kChoosingByCode, {{"name", first.name}, {"code", first.code}});
}

std::string noticeText(const CalculationNotice& notice)
{
    const Place& place = *notice.place;
    return filled(sentence(notice.kind), {{"name", place.name},
                                          {"date", fiscalcode::formatDay(notice.day)},
                                          {"named", place.describe(notice.day)},
                                          {"times", periodsText(place)},
                                          {"code", place.code}});
}

std::string faultText(const CodeFault& fault)
{
    const std::string length = fault.length == 1
                                   ? std::string(kOneCharacter)
                                   : filled(kCharacters, {{"count", std::to_string(fault.length)}});
    return filled(sentence(fault.kind),
                  {{"length", length},
                   {"character", fault.character},
                   {"place", std::to_string(fault.place + 1)},
                   {"wanted", fiscalcode::isDigitPlace(fault.place) ? kDigitWanted : kLetterWanted},
                   {"day", twoDigits(fault.number)},
                   {"month", twoDigits(fault.month)},
                   {"year", twoDigits(fault.year)},
                   {"expected", std::string_view(&fault.expected, 1)}});
}

const char* verdictText(bool valid)
{
    return valid ? kValid : kNotValid;
}

std::string birthplaceText(const places::VerifiedCode& code)
{
    return code.placeKnown ? code.placeName + " (" + code.province + ")" : kUnknownPlace;
}

std::string defectText(const RegisterDefect& defect, const std::filesystem::path& file)
{
    using Kind = RegisterDefect::Kind;
    const std::string name = text::quoted(file.string());
    const bool unread = defect.kind == Kind::Unreadable || defect.kind == Kind::ReadFailed;
    std::string text = unread ? filled(sentence(defect.kind), {{"file", name}})
                              : filled(kOtherShape, {{"file", name}}) + otherShape(defect) + ".";
    return text + kNothingWritten;
}

std::string flawText(CsvReader::Flaw flaw, std::size_t field)
{
    const std::size_t limit = flaw == CsvReader::Flaw::TooManyFields
                                  ? CsvReader::kMaxFields
                                  : CsvReader::kMaxFieldCharacters;
    return filled(sentence(flaw),
                  {{"field", std::to_string(field)}, {"limit", std::to_string(limit)}});
}

std::string periodsText(const Place& place)
{
    if (!place.hasHistory()) {
        return kWithoutHistory;
    }
    if (place.isForeign()) {
        const Day end = place.history->periods.back().to;
        return end >= fiscalcode::kForever
                   ? std::string(kForeignState)
                   : filled(kCeasedForeignState, {{"year", std::to_string(end / 10000)}});
    }
    return spansText(place.history->spans);
}

std::string periodOnText(const Place& place, Day day)
{
    if (place.hasHistory() && !place.isForeign()) {
        for (const auto& span : place.history->spans) {
            if (span.first <= day && day <= span.second) {
                std::string text;
                appendSpan(text, span);
                return text;
            }
        }
    }
    return periodsText(place);
}

std::string listing(const Place& place, Day day)
{
    std::string text = place.describe(day);
    text += ' ';
    text += place.code;
    if (place.hasHistory()) {
        text += ' ';
        text += periodOnText(place, day);
    }
    return text;
}

std::string namePeriodsText(const Place& place)
{
    return place.hasHistory() && !place.isForeign() ? spansText(place.timesNamed())
                                                    : periodsText(place);
}

} // namespace messages
