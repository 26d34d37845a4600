#include "fiscalcode/fiscalcode.h"

#include <benchmark/benchmark.h>

#include <array>

namespace {

void ComputeFiscalCode(benchmark::State& state)
{
    const std::array<fiscalcode::PersonalData, 4> people = {{
        {"ROSSI", "MARIO", "01/01/1974", "M", "H501"},
        {"D'ANGELO", "GIANFRANCO", "05/09/1974", "M", "F205"},
        {"DE LUCA", "ANNA MARIA", "09/03/2000", "F", "L219"},
        {"NICOLÒ", "ÈVA", "12/06/2000", "F", "A001"},
    }};
    std::size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(fiscalcode::ComputeFiscalCode(people[i++ % people.size()]));
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(ComputeFiscalCode);

} // namespace
