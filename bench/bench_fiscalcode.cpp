#include "fiscalcode/fiscalcode.h"

#include <benchmark/benchmark.h>

#include <array>

namespace {

void ComputeFiscalCode(benchmark::State& state)
{
    const std::array<fiscalcode::PersonalData, 4> people = {{
        {"ROSSI", "MARIO", {1, 1, 1974}, fiscalcode::Sex::Male, "H501"},
        {"D'ANGELO", "GIANFRANCO", {5, 9, 1974}, fiscalcode::Sex::Male, "F205"},
        {"DE LUCA", "ANNA MARIA", {9, 3, 2000}, fiscalcode::Sex::Female, "L219"},
        {"NICOLÒ", "ÈVA", {12, 6, 2000}, fiscalcode::Sex::Female, "A001"},
    }};
    std::size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(fiscalcode::ComputeFiscalCode(people[i++ % people.size()]));
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(ComputeFiscalCode);

} // namespace
