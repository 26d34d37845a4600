#include "places/birthplaces.h"
#include "storage/birthplacefile.h"
#include "storage/database.h"

#include <benchmark/benchmark.h>

#include <filesystem>

namespace {

// The index as the calculation window builds it at each computation: COMUNI and the history read.
void BirthplaceIndexRead(benchmark::State& state)
{
    for (auto _ : state) {
        benchmark::DoNotOptimize(storage::readBirthplaces(std::filesystem::path(MIRELTA_DATABASE)));
    }
}
BENCHMARK(BirthplaceIndexRead)->Unit(benchmark::kMillisecond);

// What one computation reads and resolves: only the rows the name can concern, through the
// file's indexes, as cfcalc for one person and the calculation window do.
void BirthplaceReadForOneName(benchmark::State& state)
{
    const storage::Database database(std::filesystem::path(MIRELTA_DATABASE),
                                     storage::Access::ReadOnly);
    const char* names[] = {
        "ROMA",        "bellagio",         "CANTU'",         "SAN GIOVANNI ROTONDO",
        "CASTRO (LE)", "MARTIRANO (E990)", "ISOLE FAER OER", "E991"};
    std::size_t i = 0;
    for (auto _ : state) {
        const char* name = names[i++ % std::size(names)];
        const auto index = storage::readBirthplacesFor(database, name);
        benchmark::DoNotOptimize(index.resolve(name, 19800101));
    }
}
BENCHMARK(BirthplaceReadForOneName)->Unit(benchmark::kMicrosecond);

// A pattern that matches every name: the whole file read, one place per code kept.
void BirthplaceEveryName(benchmark::State& state)
{
    const storage::Database database(std::filesystem::path(MIRELTA_DATABASE),
                                     storage::Access::ReadOnly);
    for (auto _ : state) {
        const auto index = storage::readBirthplacesFor(database, "*");
        benchmark::DoNotOptimize(index.resolve("*", 19800101));
    }
}
BENCHMARK(BirthplaceEveryName)->Unit(benchmark::kMillisecond);

// A birthplace found by its name, from an index already built.
void BirthplaceByName(benchmark::State& state)
{
    const auto index = storage::readBirthplaces(std::filesystem::path(MIRELTA_DATABASE));
    const char* names[] = {"VILLA SANT'ANGELO",  "bellagio",    "CANTU'",
                           "CITTA' DI CASTELLO", "CASTRO (LE)", "FRANCIA"};
    std::size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(index.resolve(names[i++ % std::size(names)], 19800101));
    }
}
BENCHMARK(BirthplaceByName)->Unit(benchmark::kMicrosecond);

// A birthplace found only by the pattern rules, over the whole table.
void BirthplaceByPattern(benchmark::State& state)
{
    const auto index = storage::readBirthplaces(std::filesystem::path(MIRELTA_DATABASE));
    for (auto _ : state) {
        benchmark::DoNotOptimize(index.resolve("VILLA SANT*ANG?LO", 19800101));
    }
}
BENCHMARK(BirthplaceByPattern)->Unit(benchmark::kMicrosecond);

// A pattern of a million "[": compiled and tried on every name in linear time.
void PatternOfBrackets(benchmark::State& state)
{
    const auto index = storage::readBirthplaces(std::filesystem::path(MIRELTA_DATABASE));
    const std::string brackets(1'000'000, '[');
    for (auto _ : state) {
        benchmark::DoNotOptimize(index.resolve(brackets, 19800101));
    }
}
BENCHMARK(PatternOfBrackets)->Unit(benchmark::kMillisecond);

} // namespace
