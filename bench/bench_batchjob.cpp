#include "batch/batch.h"
#include "batch/batchinput.h"
#include "batchwindow/batchjob.h"
#include "bench/persons.h"
#include "storage/birthplacefile.h"
#include "text/files.h"

#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <istream>
#include <ostream>
#include <string>
#include <thread>

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int kRows = 1'000'000;

// The persons' file in a folder of its own, removed at the end with the answers written there.
class FileOfPersons {
public:
    FileOfPersons()
        : folder_(fs::temp_directory_path() / ("mirelta-bench-" + std::to_string(::getpid())))
    {
        fs::create_directories(folder_);
        std::ofstream(file(), std::ios::binary) << personsFile(kRows);
    }
    ~FileOfPersons() { fs::remove_all(folder_); }
    FileOfPersons(const FileOfPersons&) = delete;
    FileOfPersons& operator=(const FileOfPersons&) = delete;

    fs::path file() const { return folder_ / "persone.csv"; }
    fs::path answer() const { return folder_ / "persone-codici.csv"; }

private:
    fs::path folder_;
};

double milliseconds(Clock::duration time)
{
    return std::chrono::duration<double, std::milli>(time).count();
}

// A whole run as `cfcalc --batch persone.csv > persone-codici.csv` makes it: the file opened, the
// database read and its places indexed, every row answered into a file.
void BatchOnAFileAsCfcalc(benchmark::State& state)
{
    const FileOfPersons persons;
    for (auto _ : state) {
        const batch::BatchInput input = batch::openBatchInput(persons.file().string());
        const auto places = storage::readBirthplaces(std::filesystem::path(MIRELTA_DATABASE));
        std::istream in(input.buffer.get());
        const int descriptor =
            ::open(persons.answer().c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        {
            text::DescriptorOutput buffer(descriptor);
            std::ostream out(&buffer);
            benchmark::DoNotOptimize(batch::calculateBatch(in, out, places).progress.rows);
        }
        ::close(descriptor);
    }
    state.SetItemsProcessed(state.iterations() * kRows);
}
BENCHMARK(BatchOnAFileAsCfcalc)->Unit(benchmark::kMillisecond);

// The same run as the window of a whole list makes it, on a thread of its own: the places read and
// the rows counted first, the answer written to a new file that takes its name once on the disk.
// Polled as the window polls it: the counters tell how long the batch took before its first row
// and the longest time the rows answered stood still after it.
void BatchJobOnAFile(benchmark::State& state)
{
    const FileOfPersons persons;
    double beforeRows = 0;
    double stillest = 0;
    for (auto _ : state) {
        const auto started = Clock::now();
        BatchJob job(BatchJob::Kind::Calculation, persons.file(),
                     std::filesystem::path(MIRELTA_DATABASE));
        job.start();
        auto moved = started;
        std::size_t done = 0;
        while (!job.finished()) {
            std::this_thread::sleep_for(std::chrono::microseconds(200));
            const auto now = Clock::now();
            if (job.rowsDone() == done) {
                continue;
            }
            if (done == 0) {
                beforeRows = std::max(beforeRows, milliseconds(now - started));
            } else {
                stillest = std::max(stillest, milliseconds(now - moved));
            }
            done = job.rowsDone();
            moved = now;
        }
        fs::remove(job.outcome().result);
    }
    state.counters["prima_riga_ms"] = beforeRows;
    state.counters["ferma_max_ms"] = stillest;
    state.SetItemsProcessed(state.iterations() * kRows);
}
BENCHMARK(BatchJobOnAFile)->Unit(benchmark::kMillisecond);

// From Interrompi to the batch ended with nothing left, asked while the rows are answered.
void BatchJobStops(benchmark::State& state)
{
    const FileOfPersons persons;
    for (auto _ : state) {
        BatchJob job(BatchJob::Kind::Calculation, persons.file(),
                     std::filesystem::path(MIRELTA_DATABASE));
        job.start();
        while (job.rowsDone() < 100'000 && !job.finished()) {
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
        const auto asked = Clock::now();
        job.stop();
        while (!job.finished()) {
            std::this_thread::yield();
        }
        state.SetIterationTime(std::chrono::duration<double>(Clock::now() - asked).count());
        if (!job.outcome().result.empty()) {
            state.SkipWithError("the batch wrote its answer");
        }
    }
}
BENCHMARK(BatchJobStops)->UseManualTime()->Unit(benchmark::kMillisecond);

} // namespace
