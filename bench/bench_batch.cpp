#include "batch/batch.h"
#include "bench/persons.h"
#include "storage/birthplacefile.h"
#include "text/textencoding.h"
#include "text/textfold.h"

#include <benchmark/benchmark.h>

#include <sstream>
#include <string>

namespace {

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
