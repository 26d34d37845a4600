// cfcalc: the fiscal code from the command line, one person or a whole CSV file; verification of
// a code, or of a whole CSV file of codes, and the omocodia variants of a code; the update of the
// municipalities from the register's archive.
#include "batch/batch.h"
#include "batch/batchinput.h"
#include "batch/verifybatch.h"
#include "location/datalocation.h"
#include "messages/texts.h"
#include "places/calculation.h"
#include "places/verification.h"
#include "storage/birthplacefile.h"
#include "storage/database.h"
#include "storage/registerupdate.h"
#include "text/files.h"
#include "text/textfold.h"

#include <iostream>
#include <optional>
#include <string>
#include <vector>

namespace {

constexpr int kComputed = 0;
constexpr int kRefused = 1;
constexpr int kNotRun = 2; // no database, a file that cannot be read or written, bad arguments

constexpr const char* kHelp = R"help(Uso:
  cfcalc [--db ARCHIVIO] COGNOME NOME DATA SESSO COMUNE
  cfcalc [--db ARCHIVIO] [--grezzo] --batch FILE
  cfcalc [--db ARCHIVIO] --verifica CODICE
  cfcalc [--db ARCHIVIO] [--grezzo] --verifica --batch FILE
  cfcalc --omocodie CODICE
  cfcalc [--db ARCHIVIO] [--forza] --aggiorna-comuni FILE

Calcola il codice fiscale di una persona e lo scrive seguito da un a capo; un avviso
(il comune aveva allora un altro nome, o era soppresso) va sullo standard error.
  DATA     data di nascita gg/mm/aaaa, non successiva a oggi
  SESSO    M oppure F
  COMUNE   comune (o stato estero) di nascita, con il nome che aveva alla data di
           nascita, senza distinguere maiuscole, minuscole e accenti (CANTU' vale
           CANTÙ, ISOLE FAER OER vale ISOLE FÆR ØER); un accento scritto vale quando
           distingue due nomi (PATERNÒ, PATERNO). Può terminare con la sigla della
           provincia tra parentesi: "CASTRO (LE)", "PALAU (EE)" per lo stato estero. Se
           nessun nome è uguale, "*" e "?" fanno da caratteri jolly.
           Vale anche un nome preso dopo (BASSANO DEL GRAPPA per chi è nato nel 1920),
           con l'avviso del nome di allora; un nome che il comune aveva solo prima non
           vale. Per un comune soppresso alla data di nascita e ricostituito poi, il
           codice usa il suo codice catastale, con un avviso.
           Se restano più luoghi, cfcalc li elenca dopo "Comune ambiguo:" (nome e
           provincia alla data di nascita, codice catastale, periodo) e non calcola il
           codice: il luogo si indica con il suo codice catastale, da solo ("E990") o
           tra parentesi dopo il nome ("MARTIRANO (E990)"), valido se in vigore alla
           data di nascita.

Opzioni:
  --db ARCHIVIO   archivio da usare: esattamente quel file, un file ordinario (non una
                  cartella, un dispositivo o una coda); predefinito: AA1.mdb nella
                  cartella corrente (il nome con maiuscole e minuscole qualsiasi, se un
                  solo file lo ha), altrimenti la copia personale del programma
                  ($XDG_DATA_HOME/Mirelta, ~/.local/share/Mirelta), altrimenti l'archivio
                  fornito con il programma
  --batch FILE    calcola i codici di un file CSV separato da ";" ("-" legge lo standard
                  input; cartelle, FIFO e dispositivi sono rifiutati). La prima riga
                  deve nominare le colonne cognome, nome, data, sesso, comune e,
                  facoltativa, provincia, in qualsiasi ordine (maiuscole e spazi attorno
                  non contano); le altre colonne restano come sono. Scrive ogni riga
                  con tre colonne in più: codice_fiscale;errore;avviso (avviso come
                  sopra, vuoto se non c'è nulla da segnalare). Il file può essere in
                  UTF-8 (con o senza BOM), UTF-16 con BOM o Windows-1252; il risultato è
                  nella stessa codifica (UTF-8 con BOM per UTF-16). Le righe vuote sono
                  saltate e gli spazi attorno ai valori non contano. Un campo tra
                  virgolette finisce sulla sua riga; una riga con un campo di oltre 1000
                  caratteri, con virgolette non chiuse, con un carattere nullo o non
                  valido nella codifica del file ha il suo errore
  --grezzo        con --batch, scrive le celle come sono. Senza, una cella che comincia
                  con =, +, -, @, una tabulazione o un ritorno a capo ha un apostrofo
                  davanti, perché un foglio di calcolo non la prenda per una formula
  --verifica      verifica un codice fiscale: lunghezza, caratteri ammessi (anche le lettere
                  dell'omocodia al posto delle cifre), mese, giorno, data e carattere di
                  controllo; scrive una riga "campo: valore" per codice, esito (valido o non
                  valido), motivo (solo se non valido), codice base, sesso, data di nascita
                  (il secolo è l'ultimo che pone la data non oltre oggi e, se possibile, in
                  un periodo di validità del codice catastale), luogo di nascita e codice
                  catastale. Maiuscole e minuscole valgono uguali, gli spazi attorno non
                  contano. Con --batch verifica la colonna codice_fiscale di un file CSV
                  come quelli di --batch (le altre colonne restano come sono) e scrive
                  ogni riga con le colonne esito;motivo;codice_base;sesso;data_nascita;
                  comune;provincia;codice_catastale in più
  --omocodie      scrive il codice base e le sue sette varianti per omocodia, una per riga,
                  nell'ordine in cui vengono assegnate (non legge l'archivio)
  --aggiorna-comuni FILE
                  aggiorna l'archivio dall'elenco dei comuni pubblicato dal registro
                  nazionale (ANPR): un file CSV separato da "," con intestazione e le
                  colonne registry_code, name_it, alternative_name, provincial_code,
                  institution_date, end_date. Aggiunge alla tabella COMUNI i comuni e i
                  codici nuovi, alla storia dei codici (StoriaComuni, creata se manca) i
                  periodi nuovi, e chiude i periodi terminati; le righe aggiunte o
                  modificate dall'utente restano come sono. Scrive che cosa ha aggiunto e
                  cambiato. Un file di altra forma non cambia nulla: più di 64 MiB, una
                  data che non esiste, un nome con caratteri di controllo o di più di 50
                  caratteri, una provincia che non è di due lettere maiuscole. È l'unico
                  comando che scrive nell'archivio: senza --db e senza AA1.mdb nella
                  cartella corrente aggiorna la copia personale, e la crea prima se
                  manca; l'archivio fornito con il programma non è mai modificato
  --forza         con --aggiorna-comuni, accetta un file che aggiunge più di 1000 comuni
                  alla tabella COMUNI (senza, il file è rifiutato)
  --help          mostra questo aiuto

Stato di uscita: 0 codice calcolato o valido, archivio aggiornato; 1 dati non validi, comune
non trovato o codice non valido (in modalità --batch: almeno una riga senza codice o non
valida); 2 archivio o file non apribile, file senza le colonne da leggere nella prima riga
(nessuna riga elaborata), archivio di sola lettura o file dei comuni di altra forma (archivio
non modificato), errore di lettura o di scrittura (in modalità --batch l'elaborazione si ferma
e le righe già scritte restano), memoria insufficiente, argomenti errati.
)help";

struct Arguments {
    std::optional<std::string> database; // --db: that file, exactly as named
    std::optional<std::string> batchFile;
    std::optional<std::string> registerFile; // --aggiorna-comuni
    std::vector<std::string> person;         // or the code, for --verifica and --omocodie
    bool verify = false;
    bool raw = false; // --grezzo: batch cells written as they are
    bool variants = false;
    bool help = false;
    bool force = false; // --forza: an update may add any number of municipalities
};

// Where the value of the option `option` goes; nullptr for an option without a value.
std::string* optionValue(Arguments& arguments, std::string_view option)
{
    if (option == "--db") {
        return &arguments.database.emplace();
    }
    if (option == "--batch") {
        return &arguments.batchFile.emplace();
    }
    if (option == "--aggiorna-comuni") {
        return &arguments.registerFile.emplace();
    }
    return nullptr;
}

std::optional<Arguments> parse(int argc, char** argv)
{
    Arguments arguments;
    bool options = true;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (options && argument == "--") {
            options = false;
        } else if (options && (argument == "--help" || argument == "-h")) {
            arguments.help = true;
        } else if (options && argument == "--verifica") {
            arguments.verify = true;
        } else if (options && argument == "--omocodie") {
            arguments.variants = true;
        } else if (options && argument == "--forza") {
            arguments.force = true;
        } else if (options && argument == "--grezzo") {
            arguments.raw = true;
        } else if (options && argument.starts_with("--")) { // "--db FILE" or "--db=FILE"
            const std::size_t equals = argument.find('=');
            std::string* value = optionValue(arguments, argument.substr(0, equals));
            if (!value || (equals == std::string::npos && i + 1 == argc)) {
                return std::nullopt;
            }
            *value = equals == std::string::npos ? argv[++i] : argument.substr(equals + 1);
        } else {
            arguments.person.push_back(argument);
        }
    }
    const bool onCode = arguments.verify || arguments.variants;
    const bool complete = arguments.registerFile
                              ? arguments.person.empty() && !arguments.batchFile && !onCode
                          : arguments.batchFile ? arguments.person.empty() && !arguments.variants
                                                : arguments.person.size() == (onCode ? 1 : 5);
    const bool oneMode =
        !(arguments.verify && arguments.variants) && (!arguments.force || arguments.registerFile);
    const bool rawFits = !arguments.raw || (arguments.batchFile && !arguments.registerFile);
    return (complete && oneMode && rawFits) || arguments.help ? std::optional(arguments)
                                                              : std::nullopt;
}

// cfcalc's default database is the one of the folder it is started in.
const std::filesystem::path kStartFolder = ".";

// The database named with --db, exactly that file; else the one found as databaseToRead says.
location::DatabaseName databaseToRead(const Arguments& arguments)
{
    return arguments.database ? location::DatabaseName(*arguments.database)
                              : location::databaseToRead(kStartFolder, location::programFolder());
}

int computeOne(const Arguments& arguments)
{
    const std::vector<std::string_view> columns(arguments.person.begin(), arguments.person.end());
    const places::CalculationInput input = batch::personFromColumns(columns);
    // The database is read only once the input has passed its checks, and only what the place
    // needs.
    std::optional<places::BirthplaceIndex> places;
    const auto find = [&](std::string_view place, fiscalcode::Day day, std::string_view province) {
        places = storage::readBirthplacesFor(databaseToRead(arguments), place);
        return places->resolve(place, day, province);
    };
    const auto outcome = places::calculate(input, find);
    if (outcome.failure) {
        std::cerr << messages::failureText(*outcome.failure) << "\n";
        for (const std::string& line : messages::failureLines(*outcome.failure)) {
            std::cerr << line << "\n";
        }
        if (outcome.failure->kind == places::CalculationFailure::Kind::Ambiguous) {
            std::cerr << messages::choosingByCodeText(*outcome.failure) << "\n";
        }
        return kRefused;
    }
    std::cout << outcome.code << "\n";
    if (outcome.notice) {
        std::cerr << messages::noticeText(*outcome.notice) << "\n";
    }
    return kComputed;
}

// Standard output, which remembers why a write failed. Made on first use, within main's handling
// of failures: its buffer may already be more memory than there is.
text::DescriptorOutput& standardOutput()
{
    static text::DescriptorOutput output(1);
    return output;
}

// What was written must have reached its destination (a full disk): otherwise the status is
// kNotRun, told on standard error unless a failure told before already made it so.
int checkWritten(int status)
{
    if (!std::cout.flush()) {
        if (status != kNotRun) {
            std::cerr << "Impossibile scrivere sullo standard output: "
                      << text::fileFailure(standardOutput().error()) << ".\n";
        }
        return kNotRun;
    }
    return status;
}

// The status of a batch run on the file `name`; a batch that cannot go on is told on standard
// error, but for its output, which checkWritten tells.
int batchStatus(const batch::BatchSummary& summary, const std::string& name)
{
    if (const std::string failure = batch::batchFailure(name, summary); !failure.empty()) {
        std::cerr << failure << "\n";
        return kNotRun;
    }
    return summary.progress.failed == 0 ? kComputed : kRefused;
}

// Runs `process` on the batch input (the file, or standard input for "-"), the database's places
// and the options of the command line; kNotRun when the file cannot be opened or read to its
// end. The database is read whole before the first record: a database that cannot be read stops
// the batch before it begins.
template <typename Process> int overBatchInput(const Arguments& arguments, Process&& process)
{
    const std::string& name = *arguments.batchFile;
    const batch::BatchInput input = batch::openBatchInput(name);
    if (!input.buffer) {
        std::cerr << input.refusal << "\n";
        return kNotRun;
    }
    const auto places = storage::readBirthplaces(databaseToRead(arguments));
    std::istream in(input.buffer.get());
    batch::BatchOptions options;
    options.formulas =
        arguments.raw ? text::FormulaCells::AsTheyAre : text::FormulaCells::Neutralised;
    return batchStatus(process(in, places, options), name);
}

int computeBatch(const Arguments& arguments)
{
    return overBatchInput(arguments, [](std::istream& in, const places::BirthplaceIndex& places,
                                        const batch::BatchOptions& options) {
        return batch::calculateBatch(in, std::cout, places, options);
    });
}

int verifyFile(const Arguments& arguments)
{
    return overBatchInput(arguments, [](std::istream& in, const places::BirthplaceIndex& places,
                                        const batch::BatchOptions& options) {
        return batch::verifyBatch(in, std::cout, places, fiscalcode::today(), options);
    });
}

int verifyOne(const Arguments& arguments)
{
    // The database is read only for a code that is well formed.
    places::VerifiedCode verified;
    fiscalcode::checkFiscalCode(arguments.person[0], fiscalcode::today(), {}, verified);
    if (verified.valid()) {
        const auto places =
            storage::readBirthplacesFor(databaseToRead(arguments), verified.cadastralCode);
        verified = places::verifyFiscalCode(arguments.person[0], places, fiscalcode::today());
    }
    const bool valid = verified.valid();
    const auto line = [](const char* field, const std::string& value) {
        std::cout << field << ':' << (value.empty() ? "" : " ") << value << '\n';
    };
    line("codice", verified.code);
    line("esito", messages::verdictText(valid));
    if (!valid) {
        line("motivo", messages::faultText(*verified.fault));
    }
    line("codice base", verified.baseCode);
    line("sesso", valid ? std::string(1, fiscalcode::letterOf(*verified.sex)) : std::string());
    line("data di nascita", valid ? verified.birthDate() : std::string());
    line("luogo di nascita", valid ? messages::birthplaceText(verified) : std::string());
    line("codice catastale", verified.cadastralCode);
    return valid ? kComputed : kRefused;
}

int listVariants(const Arguments& arguments)
{
    // The code's form alone: its variants need no place.
    const fiscalcode::CheckedCode verified =
        fiscalcode::checkFiscalCode(arguments.person[0], fiscalcode::today());
    if (!verified.valid()) {
        std::cerr << messages::faultText(*verified.fault) << "\n";
        return kRefused;
    }
    std::cout << verified.baseCode << "\n";
    for (const std::string& variant : fiscalcode::omocodiaVariants(verified.baseCode)) {
        std::cout << variant << "\n";
    }
    return kComputed;
}

constexpr const char* kNeverShipped =
    "L'archivio fornito con il programma non viene mai modificato: per aggiornare un altro "
    "archivio, indicarlo con --db ARCHIVIO o avviare cfcalc nella cartella che lo contiene.";

// The database the update writes: the one named with --db, else databaseToUpdate's, whose copy
// made just now is told. Never the shipped database: DataError, saying what to do.
location::DatabaseName databaseToUpdate(const Arguments& arguments)
{
    const std::filesystem::path programFolder = location::programFolder();
    location::DatabaseName file;
    if (arguments.database) {
        file = location::DatabaseName(*arguments.database);
    } else {
        const location::DatabaseToUpdate found =
            location::databaseToUpdate(kStartFolder, programFolder);
        if (!found.failure.empty()) {
            throw storage::DataError(found.failure + " " + kNeverShipped);
        }
        if (found.copyMade) {
            std::cout << "Creata la copia personale dell'archivio, che viene aggiornata: "
                      << text::quoted(found.file.file.string()) << ".\n";
        }
        file = found.file;
    }
    if (location::isShippedDatabase(file, programFolder)) {
        throw storage::DataError("Impossibile aggiornare l'archivio " +
                                 text::quoted(file.file.string()) +
                                 ": è quello fornito con il programma. " + kNeverShipped);
    }
    return file;
}

// The one command that writes to the database, which it opens for writing.
int updateMunicipalities(const Arguments& arguments)
{
    const storage::Database database(databaseToUpdate(arguments), storage::Access::ReadWrite);
    const auto additions =
        arguments.force ? storage::Additions::Any : storage::Additions::Plausible;
    try {
        std::cout
            << storage::updateFromRegister(database, *arguments.registerFile, additions).summary();
    } catch (const storage::DataError& refused) {
        if (refused.kind() != storage::DataError::Kind::TooManyMunicipalities) {
            throw;
        }
        throw storage::DataError(std::string(refused.what()) +
                                     " Per aggiungerli comunque: cfcalc --forza --aggiorna-comuni "
                                     "FILE.",
                                 refused.kind());
    }
    return kComputed;
}

int run(const Arguments& arguments)
{
    if (arguments.registerFile) {
        return updateMunicipalities(arguments);
    }
    if (arguments.variants) {
        return listVariants(arguments);
    }
    if (arguments.verify) {
        return arguments.batchFile ? verifyFile(arguments) : verifyOne(arguments);
    }
    return arguments.batchFile ? computeBatch(arguments) : computeOne(arguments);
}

int runArguments(int argc, char** argv)
{
    const auto arguments = parse(argc, argv);
    if (!arguments) {
        std::cerr << "Argomenti non validi. Per l'aiuto: cfcalc --help\n";
        return kNotRun;
    }
    if (arguments->help) {
        std::cout << kHelp;
        return checkWritten(kComputed);
    }
    try {
        return checkWritten(run(*arguments));
    } catch (const storage::DataError& error) {
        std::cerr << error.what() << "\n";
        return kNotRun;
    }
}

// Whatever else stops cfcalc ends it with kNotRun and a message, never with an abort.
int stopped()
{
    batch::tellStop(std::cerr, std::current_exception());
    std::cerr << "\n";
    return kNotRun;
}

} // namespace

int main(int argc, char** argv)
{
    std::streambuf* const previous = std::cout.rdbuf();
    int status = kNotRun;
    try {
        std::ios::sync_with_stdio(false); // gives the standard streams buffers of their own
        std::cout.rdbuf(&standardOutput());
        status = runArguments(argc, argv);
    } catch (...) {
        status = stopped();
    }
    std::cout.rdbuf(previous);
    return status;
}
