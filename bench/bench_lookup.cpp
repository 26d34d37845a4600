#include "cadastrallookup.h"

#include <benchmark/benchmark.h>

namespace {

// One look-up as the calculation window makes it: the database opened, table COMUNI refreshed,
// the first whole-name match found.
void MunicipalityLookup(benchmark::State& state)
{
    for (auto _ : state) {
        refdata::CadastralLookup lookup(MIRELTA_DATABASE);
        benchmark::DoNotOptimize(lookup.Find("VILLA SANT'ANGELO"));
    }
}
BENCHMARK(MunicipalityLookup)->Unit(benchmark::kMicrosecond);

// The same search on a database already open.
void MunicipalityFind(benchmark::State& state)
{
    refdata::CadastralLookup lookup(MIRELTA_DATABASE);
    for (auto _ : state) {
        benchmark::DoNotOptimize(lookup.Find("VILLA SANT'ANGELO"));
    }
}
BENCHMARK(MunicipalityFind)->Unit(benchmark::kMicrosecond);

} // namespace
