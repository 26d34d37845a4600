#include "batch/verifybatch.h"
#include "fiscalcode/fiscalcode.h"
#include "places/verification.h"
#include "storage/birthplacefile.h"
#include "storage/database.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <random>
#include <sstream>
#include <string>
#include <vector>

namespace {

constexpr fiscalcode::Day kToday = 20251231;

// The cadastral codes of the shipped history with a day each was in force.
std::vector<std::pair<std::string, fiscalcode::Day>> codesInForce()
{
    const storage::Database database(std::filesystem::path(MIRELTA_DATABASE),
                                     storage::Access::ReadOnly);
    std::vector<std::pair<std::string, fiscalcode::Day>> codes;
    database.eachRow("SELECT codice, max(dal, '1900-01-01') FROM StoriaComuni",
                     [&](sqlite3_stmt* row) {
                         codes.emplace_back(storage::columnText(row, 0),
                                            fiscalcode::dayFromIso(storage::columnText(row, 1)));
                     });
    return codes;
}

// A file of codes as an office receives them: computed for persons born in every place of the
// shipped history (current, ceased, foreign), some written with omocodia letters, one in ten
// with a wrong character, in a fixed random order; a name column before the code, a note after.
const std::string& codesFile(int rows)
{
    static std::string file;
    if (!file.empty()) {
        return file;
    }
    const auto codes = codesInForce();
    std::mt19937 random(1974);
    const auto pick = [&](int low, int high) {
        return std::uniform_int_distribution<int>(low, high)(random);
    };
    std::ostringstream out;
    out << "nome;codice_fiscale;note\n";
    for (int i = 0; i < rows; ++i) {
        const auto& [code, day] = codes[static_cast<std::size_t>(i) % codes.size()];
        std::string fiscalCode = fiscalcode::ComputeFiscalCode(
            {"ROSSI", "MARIA", fiscalcode::readBirthDate(fiscalcode::formatDay(day)).value(),
             pick(0, 1) ? fiscalcode::Sex::Female : fiscalcode::Sex::Male,
             fiscalcode::CadastralCode::read(code).value()});
        if (const int variant = pick(-20, 6); variant >= 0) {
            fiscalCode =
                fiscalcode::omocodiaVariants(fiscalCode)[static_cast<std::size_t>(variant)];
        }
        if (pick(0, 9) == 0) {
            fiscalCode[static_cast<std::size_t>(pick(0, 15))] = '9';
        }
        out << "ROSSI MARIA;" << fiscalCode << ";riga " << i << '\n';
    }
    file = out.str();
    return file;
}

// `cfcalc --verifica --batch` without the process: CSV in, CSV out, in memory.
void VerificationBatchThroughput(benchmark::State& state)
{
    const int rows = static_cast<int>(state.range(0));
    const std::string& input = codesFile(rows);
    const auto places = storage::readBirthplaces(std::filesystem::path(MIRELTA_DATABASE));
    for (auto _ : state) {
        std::istringstream in(input);
        std::ostringstream out;
        benchmark::DoNotOptimize(batch::verifyBatch(in, out, places, kToday).progress.rows);
    }
    state.SetItemsProcessed(state.iterations() * rows);
}
BENCHMARK(VerificationBatchThroughput)->Arg(1'000'000)->Unit(benchmark::kMillisecond);

// One code through the decoder alone.
void VerifyOneCode(benchmark::State& state)
{
    const auto places = storage::readBirthplaces(std::filesystem::path(MIRELTA_DATABASE));
    const char* codes[] = {"RSSMRA74A01H501W", "MRTNNA90R50Z110O", "RSSMRA74A01H501X",
                           "DLCNMR00C49L219K"};
    std::size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(
            places::verifyFiscalCode(codes[i++ % std::size(codes)], places, kToday));
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(VerifyOneCode);

} // namespace
