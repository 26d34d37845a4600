// cfcalc: the fiscal code from the command line, one person or a whole CSV file.
#include "cli/batch.h"
#include "data/database.h"
#include "data/datalocation.h"
#include "fiscalcode/calculation.h"

#include <filesystem>
#include <fstream>
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
  cfcalc [--db ARCHIVIO] --batch FILE

Calcola il codice fiscale di una persona e lo scrive seguito da un a capo.
  DATA     data di nascita gg/mm/aaaa
  SESSO    M oppure F
  COMUNE   comune (o stato estero) di nascita, cercato nella tabella COMUNI per nome,
           senza distinguere maiuscole, minuscole e accenti (CANTU' vale CANTÙ); può
           terminare con la sigla della provincia tra parentesi: "CASTRO (LE)", "PALAU (EE)"
           per lo stato estero. Se nessun nome è uguale, "*" e "?" fanno da caratteri jolly.
           Conta il comune in vigore alla data di nascita; se ne restano più d'uno, cfcalc
           li elenca dopo "Comune ambiguo:" e non calcola il codice.

Opzioni:
  --db ARCHIVIO   archivio da usare; predefinito: AA1.mdb nella cartella corrente,
                  altrimenti la copia personale del programma ($XDG_DATA_HOME/Mirelta,
                  ~/.local/share/Mirelta), altrimenti l'archivio fornito con il programma
  --batch FILE    calcola i codici di un file CSV UTF-8 separato da ";" con intestazione
                  cognome;nome;data;sesso;comune, con una sesta colonna facoltativa
                  provincia ("-" legge lo standard input); scrive ogni riga con due
                  colonne in più, codice_fiscale;errore
  --help          mostra questo aiuto

Stato di uscita: 0 codice calcolato; 1 dati non validi o comune non trovato (in modalità
--batch: almeno una riga senza codice); 2 archivio o file non apribile, errore di lettura o
di scrittura, argomenti errati.
)help";

struct Arguments {
    std::string database = refdata::databaseToRead(refdata::programFolder()).string();
    std::optional<std::string> batchFile;
    std::vector<std::string> person;
    bool help = false;
};

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
        } else if (options && (argument == "--db" || argument == "--batch")) {
            if (i + 1 == argc) {
                return std::nullopt;
            }
            (argument == "--db" ? arguments.database : arguments.batchFile.emplace()) = argv[++i];
        } else if (options && argument.starts_with("--db=")) {
            arguments.database = argument.substr(5);
        } else if (options && argument.starts_with("--batch=")) {
            arguments.batchFile = argument.substr(8);
        } else if (options && argument.size() > 1 && argument.starts_with("--")) {
            return std::nullopt;
        } else {
            arguments.person.push_back(argument);
        }
    }
    const bool complete =
        arguments.batchFile ? arguments.person.empty() : arguments.person.size() == 5;
    return complete || arguments.help ? std::optional(arguments) : std::nullopt;
}

int computeOne(const Arguments& arguments)
{
    const fiscalcode::CalculationInput input = cfcalc::personFromColumns(arguments.person);
    // The database is read only once the input has passed its checks.
    std::optional<refdata::BirthplaceIndex> places;
    const auto find = [&](std::string_view place, refdata::Day day, std::string_view province) {
        places = refdata::BirthplaceIndex::read(arguments.database);
        return places->resolve(place, day, province);
    };
    const auto outcome = fiscalcode::calculate(input, find);
    if (outcome.failure) {
        std::cerr << outcome.failure->message << "\n";
        for (const std::string& line : outcome.failure->details) {
            std::cerr << line << "\n";
        }
        return kRefused;
    }
    std::cout << outcome.code << "\n";
    return kComputed;
}

// What was written must have reached its destination (a full disk, a closed pipe).
int checkWritten(int status)
{
    if (!std::cout.flush()) {
        std::cerr << "Impossibile scrivere il risultato sullo standard output.\n";
        return kNotRun;
    }
    return status;
}

int computeBatch(const Arguments& arguments)
{
    const std::string& name = *arguments.batchFile;
    std::ifstream file;
    if (name != "-") {
        std::error_code error;
        if (std::filesystem::is_regular_file(name, error)) {
            file.open(name, std::ios::binary);
        }
        if (!file.is_open()) {
            std::cerr << "Impossibile leggere il file \"" << name << "\".\n";
            return kNotRun;
        }
    }
    const auto places = refdata::BirthplaceIndex::read(arguments.database);
    std::istream& in = file.is_open() ? file : std::cin;
    const bool allComputed = cfcalc::runBatch(in, std::cout, places);
    if (in.bad()) {
        std::cerr << "Errore di lettura del file \"" << name << "\": elaborazione interrotta.\n";
        return kNotRun;
    }
    return allComputed ? kComputed : kRefused;
}

} // namespace

int main(int argc, char** argv)
{
    std::ios::sync_with_stdio(false);
    const auto arguments = parse(argc, argv);
    if (!arguments) {
        std::cerr << "Argomenti non validi. Per l'aiuto: cfcalc --help\n";
        return kNotRun;
    }
    if (arguments->help) {
        std::cout << kHelp;
        return kComputed;
    }
    try {
        return checkWritten(arguments->batchFile ? computeBatch(*arguments)
                                                 : computeOne(*arguments));
    } catch (const refdata::DataError& error) {
        std::cerr << error.what() << "\n";
        return kNotRun;
    }
}
