#include "data/birthplaces.h"

#include <benchmark/benchmark.h>

namespace {

// The index as the calculation window builds it at each computation: COMUNI and the history read.
void BirthplaceIndexRead(benchmark::State& state)
{
    for (auto _ : state) {
        benchmark::DoNotOptimize(refdata::BirthplaceIndex::read(MIRELTA_DATABASE));
    }
}
BENCHMARK(BirthplaceIndexRead)->Unit(benchmark::kMillisecond);

// A birthplace found by its name, from an index already built.
void BirthplaceByName(benchmark::State& state)
{
    const auto index = refdata::BirthplaceIndex::read(MIRELTA_DATABASE);
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
    const auto index = refdata::BirthplaceIndex::read(MIRELTA_DATABASE);
    for (auto _ : state) {
        benchmark::DoNotOptimize(index.resolve("VILLA SANT*ANG?LO", 19800101));
    }
}
BENCHMARK(BirthplaceByPattern)->Unit(benchmark::kMicrosecond);

// A pattern of a million "[": compiled and tried on every name in linear time.
void PatternOfBrackets(benchmark::State& state)
{
    const auto index = refdata::BirthplaceIndex::read(MIRELTA_DATABASE);
    const std::string brackets(1'000'000, '[');
    for (auto _ : state) {
        benchmark::DoNotOptimize(index.resolve(brackets, 19800101));
    }
}
BENCHMARK(PatternOfBrackets)->Unit(benchmark::kMillisecond);

} // namespace
