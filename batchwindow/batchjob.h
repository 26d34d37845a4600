#pragma once

#include "batch/batchfile.h"
#include "location/datalocation.h"

#include <atomic>
#include <cstddef>
#include <filesystem>
#include <memory>
#include <stop_token>
#include <string>
#include <thread>

namespace batch {
struct BatchInput;
}
namespace text {
class NewFile;
}

// A batch on a CSV file, run on a thread of its own so that a window stays responsive: it reads
// the places of the database, counts the rows of the file, computes or verifies them as cfcalc
// --batch does and writes the answer beside the file, under a name nothing stands at yet
// ("persone-codici.csv", else "persone-codici-2.csv", ...). The answer takes its name only once
// complete and on the disk: stopped, or failed, the batch leaves nothing behind. Who runs it
// polls its progress and learns the outcome once it has finished.
class BatchJob {
public:
    enum class Kind { Calculation, Verification };
    enum class Phase { ReadingPlaces, Counting, Answering };

    struct Outcome {
        enum class End { Written, Stopped, Failed };
        End end = End::Failed;
        batch::BatchSummary summary;
        std::filesystem::path result; // the answer, once written
        std::string failure;          // why it failed, a whole sentence in Italian
    };

    BatchJob(Kind kind, std::filesystem::path input, location::DatabaseName database);
    ~BatchJob(); // stops the batch and waits for its thread
    BatchJob(const BatchJob&) = delete;
    BatchJob& operator=(const BatchJob&) = delete;

    // Opens the file and makes the answer's new file beside it, then starts the thread. Returns
    // an empty text, or why the batch cannot start (a whole sentence in Italian: the file cannot
    // be read, its folder cannot be written); nothing is then left behind.
    std::string start();

    // Asks the batch to stop: no row is answered any more, no answer is named.
    void stop() { thread_.request_stop(); }

    bool finished() const { return finished_.load(std::memory_order_acquire); }
    Phase phase() const { return phase_.load(std::memory_order_relaxed); }
    std::size_t rowsInFile() const { return rowsInFile_.load(std::memory_order_relaxed); }
    std::size_t rowsDone() const { return rowsDone_.load(std::memory_order_relaxed); }

    // What the batch came to; only once it has finished.
    const Outcome& outcome();

    // The name of the answer to the batch of `kind` on `input`: "NOME-codici.csv" or
    // "NOME-verifica.csv" beside it, "NOME-codici-2.csv" for `number` 2.
    static std::filesystem::path answerName(const std::filesystem::path& input, Kind kind,
                                            int number);

private:
    void run(const std::stop_token& stop);
    void answer(std::istream& in, std::ostream& out, const std::stop_token& stop);
    void name(const std::stop_token& stop);
    std::string cannotWrite(const std::string& why) const;
    void fail(const std::string& why);

    Kind kind_;
    std::filesystem::path input_;
    location::DatabaseName database_;
    std::unique_ptr<batch::BatchInput> file_;
    std::unique_ptr<text::NewFile> answer_;
    Outcome outcome_;
    std::atomic<Phase> phase_{Phase::ReadingPlaces};
    std::atomic<std::size_t> rowsInFile_{0};
    std::atomic<std::size_t> rowsDone_{0};
    std::atomic<bool> finished_{false};
    std::jthread thread_; // last: stopped and joined before the rest goes
};
