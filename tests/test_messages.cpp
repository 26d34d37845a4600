// The texts of what the rules find: every kind has its text, word for word, with its details.
#include "messages/texts.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using fiscalcode::CodeFault;
using places::CalculationFailure;
using places::Place;
using places::RegisterDefect;

// Every kind of `Kind` up to `last`, its first one 0: the kinds follow one another.
template <typename Kind> std::vector<Kind> kindsUpTo(Kind last)
{
    std::vector<Kind> kinds;
    for (int kind = 0; kind <= static_cast<int>(last); ++kind) {
        kinds.push_back(static_cast<Kind>(kind));
    }
    return kinds;
}

// One kind of `Failure` after another, each with its text: the table covers them all, in order.
template <typename Case, std::size_t count> void expectEveryKindInOrder(const Case (&cases)[count])
{
    const auto kinds = kindsUpTo(cases[count - 1].failure.kind);
    ASSERT_EQ(kinds.size(), count) << "a kind without its case in the table";
    for (std::size_t i = 0; i < count; ++i) {
        EXPECT_EQ(cases[i].failure.kind, kinds[i]) << cases[i].text;
    }
}

// A code in force since 1861, renamed in 1948, suppressed from 1928 to 1947.
const places::CodeHistory& history()
{
    static const places::CodeHistory history{
        {{18610317, 19280512, "ORATINO", "", "CB"}, {19470522, 99991231, "ORATINO", "", "CB"}},
        {{18610317, 19280512}, {19470522, 99991231}}};
    return history;
}

TEST(Messages, EveryFailureOfACalculationHasItsText)
{
    using Kind = CalculationFailure::Kind;
    const Place malformed{"ROMA", "H5O1"};
    const struct {
        CalculationFailure failure;
        const char* text;
    } cases[] = {
        {{Kind::EmptySurname}, "Impossibile lasciare vuoto il campo Cognome !"},
        {{Kind::EmptyGivenName}, "Impossibile lasciare vuoto il campo Nome !"},
        {{Kind::RefusedCharacter, places::InputField::GivenName, "Σ"},
         "Il campo Nome contiene «Σ»: nel codice fiscale un nome può avere solo lettere "
         "dell'alfabeto latino, anche accentate, e nessuna cifra !"},
        {{Kind::EmptyDate}, "Impossibile lasciare vuoto il campo Data di nascita !"},
        {{Kind::InvalidDate}, "Data di nascita in formato non valido !"},
        {{Kind::DateLength}, "Inserire la data di nascita nel formato gg/mm/aaaa !"},
        {{Kind::FutureDate}, "La data di nascita non può essere successiva alla data di oggi !"},
        {{Kind::EmptyMunicipality}, "Impossibile lasciare vuoto il campo Comune !"},
        {{Kind::InvalidSex}, "Il sesso deve essere M oppure F !"},
        {{Kind::NotFound}, "Comune - se esistente - non presente in archivio !"},
        {{Kind::NotInForce}, "Comune non esistente alla data di nascita:"},
        {{Kind::NotSoNamed}, "Nessun comune aveva questo nome alla data di nascita:"},
        {{Kind::NotInProvince}, "Comune non presente nella provincia indicata:"},
        {{Kind::Ambiguous}, "Comune ambiguo:"},
        {{Kind::MalformedCode, std::nullopt, "", {&malformed}},
         "Il codice catastale «H5O1» del comune ROMA non è valido: deve essere una lettera "
         "seguita da tre cifre. Correggerlo nella Tabella Comuni !"},
    };
    expectEveryKindInOrder(cases);
    for (const auto& c : cases) {
        EXPECT_EQ(messages::failureText(c.failure), c.text);
    }
    EXPECT_TRUE(messages::failureLines(cases[14].failure).empty()); // named in the sentence
}

TEST(Messages, ALongListOfPlacesEndsWithHowManyMore)
{
    const std::vector<Place> many(32, Place{"ROMA", "H501"});
    CalculationFailure failure{.kind = CalculationFailure::Kind::Ambiguous, .day = 19800101};
    for (const Place& place : many) {
        failure.places.push_back(&place);
    }
    const std::vector<std::string> lines = messages::failureLines(failure);
    ASSERT_EQ(lines.size(), 31u);
    EXPECT_EQ(lines.front(), "ROMA H501");
    EXPECT_EQ(lines.back(), "... e altri 2");
}

TEST(Messages, NoticesNameThePlaceAsItWasOnTheBirthDate)
{
    const Place oratino{"ORATINO", "G086", &history()};
    EXPECT_EQ(
        messages::noticeText({places::CalculationNotice::Kind::Suspended, &oratino, 19310709}),
        "Il comune ORATINO (CB) il 09/07/1931 era soppresso (esisteva dal 17/03/1861 al "
        "12/05/1928 e dal 22/05/1947): il codice è calcolato con il suo codice catastale "
        "G086, ma quello registrato dall'Agenzia delle Entrate può avere invece il codice "
        "catastale del comune che allora ne comprendeva il territorio.");
    const Place later{"ORATINO NUOVO", "G086", &history()};
    EXPECT_EQ(messages::noticeText({places::CalculationNotice::Kind::Renamed, &later, 19500101}),
              "ORATINO NUOVO il 01/01/1950 si chiamava ORATINO (CB)");
}

TEST(Messages, ThePlacesTimesAreSaidInWords)
{
    const places::CodeHistory france{{{10101, 99991231, "FRANCIA", "", "EE"}}, {{10101, 99991231}}};
    const places::CodeHistory ceased{{{10101, 19901231, "CESSATO", "", "EE"}}, {{10101, 19901231}}};
    const struct {
        Place place;
        const char* periods;
        const char* onTheDay; // 01/01/1950
    } cases[] = {
        {{"ORATINO", "G086", &history()},
         "dal 17/03/1861 al 12/05/1928 e dal 22/05/1947",
         "dal 22/05/1947"},
        {{"FRANCIA", "Z110", &france}, "stato estero", "stato estero"},
        {{"CESSATO", "Z999", &ceased},
         "stato estero cessato nel 1990",
         "stato estero cessato nel 1990"},
        {{"BELLAGIO", "A744"}, "senza storia", "senza storia"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(messages::periodsText(c.place), c.periods);
        EXPECT_EQ(messages::periodOnText(c.place, 19500101), c.onTheDay);
    }
    // A day in no time in force gives them all.
    EXPECT_EQ(messages::periodOnText(cases[0].place, 19300101), cases[0].periods);
}

TEST(Messages, EveryFaultOfACodeHasItsText)
{
    using Kind = CodeFault::Kind;
    const struct {
        CodeFault failure;
        const char* text;
    } cases[] = {
        {{.kind = Kind::Length, .length = 15}, "lunghezza errata: 15 caratteri invece di 16"},
        {{.kind = Kind::Character, .character = "4", .place = 5},
         "carattere «4» non ammesso in posizione 6: attesa una lettera"},
        {{.kind = Kind::MonthLetter, .character = "F"},
         "lettera del mese «F» non valida: ammesse A B C D E H L M P R S T"},
        {{.kind = Kind::Day, .number = 72},
         "giorno 72 non valido: da 01 a 31 per gli uomini, da 41 a 71 per le donne"},
        {{.kind = Kind::Date, .number = 31, .month = 2, .year = 4},
         "data di nascita inesistente: 31/02/04"},
        {{.kind = Kind::CheckCharacter, .character = "X", .expected = 'W'},
         "carattere di controllo errato: atteso W, trovato X"},
    };
    expectEveryKindInOrder(cases);
    for (const auto& c : cases) {
        EXPECT_EQ(messages::faultText(c.failure), c.text);
    }
    EXPECT_EQ(messages::faultText({.kind = Kind::Length, .length = 1}),
              "lunghezza errata: 1 carattere invece di 16");
    EXPECT_EQ(messages::faultText({.kind = Kind::Character, .character = "-", .place = 14}),
              "carattere «-» non ammesso in posizione 15: attesa una cifra o una delle lettere L "
              "M N P Q R S T U V");
    EXPECT_EQ(std::string(messages::verdictText(true)) + "/" + messages::verdictText(false),
              "valido/non valido");
}

TEST(Messages, EveryDefectOfARegistersFileHasItsText)
{
    using Kind = RegisterDefect::Kind;
    using Flaw = text::CsvReader::Flaw;
    const std::string shape = "Il file \"comuni.csv\" non è un archivio dei comuni del registro: ";
    const std::string end = ". L'archivio non è stato modificato.";
    const struct {
        RegisterDefect failure;
        std::string text;
    } cases[] = {
        {{.kind = Kind::Unreadable}, "Impossibile leggere il file \"comuni.csv\"" + end},
        {{.kind = Kind::ReadFailed}, "Errore di lettura del file \"comuni.csv\"" + end},
        {{.kind = Kind::TooLarge}, shape + "è più grande di 64 MiB" + end},
        {{.kind = Kind::Empty}, shape + "il file è vuoto" + end},
        {{.kind = Kind::MissingColumns, .columns = {"name_it", "end_date"}},
         shape + "mancano le colonne name_it, end_date" + end},
        {{.kind = Kind::UnreadableLine, .line = 7, .flaw = Flaw::UnclosedQuote, .field = 2},
         shape + "la riga 7 non si può leggere (Virgolette non chiuse nel campo 2)" + end},
        {{.kind = Kind::FieldCount, .line = 7, .fields = 3, .expected = 18},
         shape + "la riga 7 ha 3 campi invece di 18" + end},
        {{.kind = Kind::NoName, .line = 7}, shape + "la riga 7 non ha il nome del comune" + end},
        {{.kind = Kind::NotUtf8, .line = 7}, shape + "la riga 7 non è scritta in UTF-8" + end},
        {{.kind = Kind::ControlCharacter, .line = 7},
         shape + "la riga 7 ha un nome con caratteri di controllo" + end},
        {{.kind = Kind::NameTooLong, .line = 7},
         shape + "la riga 7 ha un nome più lungo di 50 caratteri" + end},
        {{.kind = Kind::BadProvince, .line = 7, .value = "vi"},
         shape +
             "la riga 7 ha una sigla di provincia non valida: \"vi\" (servono due lettere "
             "maiuscole)" +
             end},
        {{.kind = Kind::BadDate, .line = 7, .value = "2024-02-31"},
         shape + "la riga 7 ha una data non valida: \"2024-02-31\"" + end},
        {{.kind = Kind::EndsBeforeStart, .line = 7},
         shape + "la riga 7 ha un periodo che finisce prima di cominciare" + end},
        {{.kind = Kind::NoMunicipality},
         shape + "non contiene alcun comune con il suo codice catastale" + end},
    };
    expectEveryKindInOrder(cases);
    for (const auto& c : cases) {
        EXPECT_EQ(messages::defectText(c.failure, "comuni.csv"), c.text);
    }
    EXPECT_EQ(
        messages::defectText({.kind = Kind::MissingColumns, .columns = {"end_date"}}, "comuni.csv"),
        shape + "manca la colonna end_date" + end);
}

TEST(Messages, EveryFlawOfACsvRowHasItsText)
{
    using Flaw = text::CsvReader::Flaw;
    const struct {
        Flaw flaw;
        const char* text;
    } cases[] = {
        {Flaw::None, ""},
        {Flaw::FieldTooLong, "Campo 3 troppo lungo: più di 1000 caratteri"},
        {Flaw::TooManyFields, "Troppi campi: più di 1000"},
        {Flaw::UnclosedQuote, "Virgolette non chiuse nel campo 3"},
        {Flaw::NulByte, "Carattere nullo nel campo 3"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(messages::flawText(c.flaw, 3), c.text);
    }
}

} // namespace
