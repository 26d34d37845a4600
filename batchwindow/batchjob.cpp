#include "batchwindow/batchjob.h"

#include "batch/batch.h"
#include "batch/batchinput.h"
#include "batch/verifybatch.h"
#include "fiscalcode/dates.h"
#include "storage/birthplacefile.h"
#include "storage/database.h"
#include "text/files.h"
#include "text/textfold.h"

#include <istream>
#include <ostream>
#include <sstream>
#include <utility>

namespace {

// The first failures the summary lists.
constexpr std::size_t kFailuresKept = 10;
// Names tried for the answer: "-codici.csv", then "-codici-2.csv" up to this number.
constexpr int kLastNumber = 999;

} // namespace

BatchJob::BatchJob(Kind kind, std::filesystem::path input, location::DatabaseName database)
    : kind_(kind), input_(std::move(input)), database_(std::move(database))
{}

BatchJob::~BatchJob() = default;

std::filesystem::path BatchJob::answerName(const std::filesystem::path& input, Kind kind,
                                           int number)
{
    std::string name =
        input.stem().string() + (kind == Kind::Calculation ? "-codici" : "-verifica");
    if (number > 1) {
        name += "-" + std::to_string(number);
    }
    return input.parent_path() / (name + ".csv");
}

std::string BatchJob::start()
{
    file_ = std::make_unique<batch::BatchInput>(
        batch::openBatchInput(input_.string(), batch::StandardInput::NotOffered));
    if (!file_->buffer) {
        return file_->refusal;
    }
    answer_ = std::make_unique<text::NewFile>(answerName(input_, kind_, 1));
    if (!answer_->failure().empty()) {
        const std::string why = cannotWrite(answer_->failure());
        answer_.reset();
        file_.reset();
        return why;
    }
    thread_ = std::jthread([this](const std::stop_token& stop) { run(stop); });
    return {};
}

const BatchJob::Outcome& BatchJob::outcome()
{
    if (thread_.joinable()) {
        thread_.join();
    }
    return outcome_;
}

std::string BatchJob::cannotWrite(const std::string& why) const
{
    const std::filesystem::path folder = input_.parent_path();
    return "Impossibile scrivere il risultato nella cartella " +
           text::quoted((folder.empty() ? std::filesystem::path(".") : folder).string()) + ": " +
           why + ". Nessun file è stato scritto.";
}

void BatchJob::run(const std::stop_token& stop)
{
    try {
        std::istream in(file_->buffer.get());
        std::ostream out(&answer_->bytes());
        answer(in, out, stop);
    } catch (const storage::DataError& error) {
        fail(error.what());
    } catch (...) {
        std::ostringstream why;
        batch::tellStop(why, std::current_exception());
        fail(why.str());
    }
    answer_.reset(); // a new file without a name goes
    file_.reset();
    finished_.store(true, std::memory_order_release);
}

// The places read, the rows counted, then answered into the new file, which is named when
// complete.
void BatchJob::answer(std::istream& in, std::ostream& out, const std::stop_token& stop)
{
    const auto places = storage::readBirthplaces(database_);
    phase_.store(Phase::Counting, std::memory_order_relaxed);
    rowsInFile_.store(batch::countRows(in, stop), std::memory_order_relaxed);
    in.clear();
    batch::BatchOptions options;
    options.stop = stop;
    options.failuresKept = kFailuresKept;
    options.progress = [this](const batch::BatchProgress& progress) {
        rowsDone_.store(progress.rows, std::memory_order_relaxed);
    };
    phase_.store(Phase::Answering, std::memory_order_relaxed);
    batch::BatchSummary& summary = outcome_.summary;
    if (stop.stop_requested()) {
        summary.end = batch::BatchEnd::Stopped;
    } else if (!in.seekg(0)) {
        summary.end = batch::BatchEnd::InputFailed;
    } else if (kind_ == Kind::Calculation) {
        summary = batch::calculateBatch(in, out, places, options);
    } else {
        summary = batch::verifyBatch(in, out, places, fiscalcode::today(), options);
    }
    if (summary.end == batch::BatchEnd::Stopped) {
        outcome_.end = Outcome::End::Stopped;
    } else if (const std::string failure = batch::batchFailure(input_.string(), summary);
               !failure.empty()) {
        fail(failure);
    } else if (!answer_->finish()) {
        fail(cannotWrite(answer_->failure()));
    } else {
        name(stop);
    }
}

// The first name nothing stands at; none when the batch was asked to stop meanwhile.
void BatchJob::name(const std::stop_token& stop)
{
    for (int number = 1; number <= kLastNumber; ++number) {
        if (stop.stop_requested()) {
            outcome_.end = Outcome::End::Stopped;
            return;
        }
        const std::filesystem::path name = answerName(input_, kind_, number);
        if (answer_->takeFreeName(name)) {
            outcome_.end = Outcome::End::Written;
            outcome_.result = name;
            return;
        }
        if (!answer_->failure().empty()) {
            fail(cannotWrite(answer_->failure()));
            return;
        }
    }
    const auto named = [this](int number) {
        return text::quoted(answerName(input_, kind_, number).filename().string());
    };
    fail(cannotWrite("ci sono già i file da " + named(1) + " a " + named(kLastNumber)));
}

void BatchJob::fail(const std::string& why)
{
    outcome_.end = Outcome::End::Failed;
    outcome_.failure = why;
}
