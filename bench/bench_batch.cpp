#include "batch/batch.h"
#include "storage/birthplacefile.h"
#include "storage/datasource.h"
#include "text/textencoding.h"
#include "text/textfold.h"

#include <benchmark/benchmark.h>

#include <array>
#include <filesystem>
#include <random>
#include <sstream>
#include <string>
#include <vector>

namespace {

std::vector<std::string> placeNames()
{
    storage::DataSource comuni(std::filesystem::path(MIRELTA_DATABASE), {"COMUNI", {}, {}});
    comuni.refresh();
    std::vector<std::string> names;
    for (int row = 0; row < comuni.rowCount(); ++row) {
        names.push_back(comuni.valueAt(row, 0));
    }
    return names;
}

// Persons born in every municipality and state of the shipped table (current, ceased and foreign,
// so many rows end in an error), on days from 1900 to 2025, in a fixed random order.
const std::string& personsFile(int rows)
{
    static std::string file;
    if (!file.empty()) {
        return file;
    }
    const std::array<const char*, 8> surnames = {"ROSSI",    "bianchi", "D'ANGELO", "DE LUCA",
                                                 "Esposito", "ROMANO",  "COLOMBO",  "RICCI"};
    const std::array<const char*, 6> names = {"MARIO", "anna maria", "GIANFRANCO",
                                              "LUCIA", "Paolo",      "GIULIA"};
    const std::vector<std::string> places = placeNames();
    std::mt19937 random(1974);
    const auto pick = [&](int low, int high) {
        return std::uniform_int_distribution<int>(low, high)(random);
    };
    std::ostringstream out;
    out << "cognome;nome;data;sesso;comune\n";
    char date[16];
    for (int i = 0; i < rows; ++i) {
        std::snprintf(date, sizeof date, "%02d/%02d/%04d", pick(1, 28), pick(1, 12),
                      pick(1900, 2025));
        out << surnames[static_cast<std::size_t>(pick(0, 7))] << ';'
            << names[static_cast<std::size_t>(pick(0, 5))] << ';' << date << ';'
            << (pick(0, 1) ? 'F' : 'M') << ';'
            << places[static_cast<std::size_t>(i) % places.size()] << '\n';
    }
    file = out.str();
    return file;
}

// The same file as an Italian spreadsheet saves it: in Windows-1252.
const std::string& personsFileInWindows1252(int rows)
{
    static std::string file;
    if (file.empty()) {
        const std::string& utf8 = personsFile(rows);
        for (std::size_t pos = 0; pos < utf8.size();) {
            file += static_cast<char>(text::toWindows1252(text::nextCharacter(utf8, pos)));
        }
    }
    return file;
}

void runBatches(benchmark::State& state, const std::string& input)
{
    const auto places = storage::readBirthplaces(std::filesystem::path(MIRELTA_DATABASE));
    for (auto _ : state) {
        std::istringstream in(input);
        std::ostringstream out;
        benchmark::DoNotOptimize(batch::calculateBatch(in, out, places).progress.rows);
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BatchThroughput(benchmark::State& state)
{
    runBatches(state, personsFile(static_cast<int>(state.range(0))));
}
BENCHMARK(BatchThroughput)->Arg(1'000'000)->Unit(benchmark::kMillisecond);

void BatchThroughputWindows1252(benchmark::State& state)
{
    runBatches(state, personsFileInWindows1252(static_cast<int>(state.range(0))));
}
BENCHMARK(BatchThroughputWindows1252)->Arg(1'000'000)->Unit(benchmark::kMillisecond);

// Output that goes nowhere, as to a file, without a buffer growing with it.
class Discarded : public std::streambuf {
protected:
    int_type overflow(int_type c) override { return traits_type::not_eof(c); }
    std::streamsize xsputn(const char*, std::streamsize count) override { return count; }
};

// A whole run as cfcalc makes it: the database read and its places indexed, then every row.
void BatchThroughputWithStartUp(benchmark::State& state)
{
    const int rows = static_cast<int>(state.range(0));
    const std::string& input = personsFile(rows);
    for (auto _ : state) {
        const auto places = storage::readBirthplaces(std::filesystem::path(MIRELTA_DATABASE));
        std::istringstream in(input);
        Discarded discarded;
        std::ostream out(&discarded);
        benchmark::DoNotOptimize(batch::calculateBatch(in, out, places).progress.rows);
    }
    state.SetItemsProcessed(state.iterations() * rows);
}
BENCHMARK(BatchThroughputWithStartUp)->Arg(1'000'000)->Unit(benchmark::kMillisecond);

} // namespace
