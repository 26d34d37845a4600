#include "batch.h"

#include <benchmark/benchmark.h>

#include <array>
#include <iomanip>
#include <sstream>

namespace {

std::string GeneratedFile(int rows)
{
    const std::array<const char*, 8> surnames = {"ROSSI",    "bianchi", "D'ANGELO", "DE LUCA",
                                                 "Esposito", "ROMANO",  "COLOMBO",  "RICCI"};
    const std::array<const char*, 6> names = {"MARIO", "anna maria", "GIANFRANCO",
                                              "LUCIA", "Paolo",      "GIULIA"};
    const std::array<const char*, 6> places = {
        "ROMA", "milano", "NAPOLI", "TORINO", "Sant'Angelo a Cupolo", "FRANCIA"};
    std::ostringstream file;
    file << "cognome;nome;data;sesso;comune\n";
    for (int i = 0; i < rows; ++i) {
        file << surnames[i % surnames.size()] << ';' << names[i % names.size()] << ';'
             << std::setw(2) << std::setfill('0') << (1 + i % 28) << '/' << std::setw(2)
             << (1 + i % 12) << "/19" << (40 + i % 60) << ';' << (i % 2 ? 'F' : 'M') << ';'
             << places[i % places.size()] << '\n';
    }
    return file.str();
}

void BatchThroughput(benchmark::State& state)
{
    const int rows = static_cast<int>(state.range(0));
    const std::string input = GeneratedFile(rows);
    for (auto _ : state) {
        refdata::CadastralLookup lookup(MIRELTA_DATABASE);
        std::istringstream in(input);
        std::ostringstream out;
        benchmark::DoNotOptimize(cfcalc::RunBatch(in, out, lookup));
    }
    state.SetItemsProcessed(state.iterations() * rows);
}
BENCHMARK(BatchThroughput)->Arg(100'000)->Unit(benchmark::kMillisecond);

} // namespace
