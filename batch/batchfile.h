#pragma once

#include "text/csv.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <istream>
#include <ostream>
#include <span>
#include <stop_token>
#include <string>
#include <string_view>
#include <vector>

// A batch: a CSV file of rows in, every row out again with some columns added. The calculation of
// codes and their verification both run on it, from cfcalc or from a window on a thread of its
// own.
//
// The file is read as text::TextDecoder reads it (UTF-8, UTF-16 or Windows-1252) and the
// answer written back in its encoding (text::TextEncoder). Fields are separated by ";" (see
// text::CsvReader). Its first row is the header: the columns the batch reads are found there by
// name, in any order, case and blanks around ignored; the other columns are kept as they are. A
// file whose first row lacks one of them is refused and nothing is written. Then every row is
// written as it came with the added columns filled, in order; rows without any text are left
// out; a value read has the blanks around it left out. A row that cannot be used as it stands (a
// flaw the reader found, another number of fields than the header, something that is not text in
// the file's encoding) gets a reason instead of a result, and so does one whose result the
// answer's encoding cannot hold. The rows are streamed: memory does not grow with their number or
// size.
namespace batch {

// The columns of one kind of batch.
struct BatchColumns {
    std::vector<std::string> needed;   // read: the header must name them
    std::vector<std::string> optional; // read when the header names them
    std::vector<std::string> added;    // written after each row's own
    std::size_t reasonColumn = 0;      // the added column that tells why a row got no result
};

// What one kind of batch does with each row.
class RowWork {
public:
    virtual ~RowWork() = default;
    virtual const BatchColumns& columns() const = 0;

    // Fills `added` from `values`, one per column read (the needed ones, then the optional ones;
    // one the file lacks is empty). False when the row gets no result.
    virtual bool fill(std::span<const std::string_view> values, std::span<std::string> added) = 0;

    // Fills `added` for a row that gets no result, for `reason`.
    virtual void refuse(const std::string& reason, std::span<std::string> added) = 0;

    // What the row filled last tells besides its result: a notice the user should read beside
    // the result, or no result because several places fit.
    enum class Note { None, Notice, AmbiguousPlace };
    virtual Note note() const { return Note::None; }
};

struct BatchProgress {
    std::size_t rows = 0;        // rows answered, the header and rows without text left out
    std::size_t failed = 0;      // of them, those without a result
    std::size_t noticed = 0;     // of them, those with a result and a notice (RowWork::Note)
    std::size_t ambiguous = 0;   // of them, those without a result because several places fit
    std::uint64_t bytesRead = 0; // of the input, read ahead of the rows answered
};

// One row answered.
struct RowResult {
    long line = 0;     // its line in the input, from 1
    bool done = false; // it got its result
    std::string_view reason;
};

struct BatchOptions {
    text::FormulaCells formulas = text::FormulaCells::Neutralised;
    std::stop_token stop;                               // once asked, no row is answered any more
    std::function<void(const BatchProgress&)> progress; // every kProgressRows rows, and at the end
    std::function<void(const RowResult&)> rowAnswered;
    std::size_t failuresKept = 0; // the first rows without a result that the summary lists
};

inline constexpr std::size_t kProgressRows = 1024;

enum class BatchEnd {
    Finished,
    Refused,      // the header lacks a column read: nothing written
    Stopped,      // as asked: the rows answered are written
    InputFailed,  // the input could not be read to its end (see the stream's state)
    OutputFailed, // the output could not be written: the rest was not read
};

// A row without a result: its line in the input, from 1, and why.
struct RowFailure {
    long line = 0;
    std::string reason;
};

struct [[nodiscard]] BatchSummary {
    BatchEnd end = BatchEnd::Finished;
    std::string refusal; // why the file was refused, in Italian, to follow "non elaborato: "
    BatchProgress progress;
    std::vector<RowFailure> firstFailures; // at most BatchOptions::failuresKept, in order
};

// Runs `work` on every row of `in`, writing the answer to `out`.
BatchSummary processBatch(std::istream& in, std::ostream& out, RowWork& work,
                          const BatchOptions& options = {});

// The reason of a row with another number of fields than the header.
std::string fieldCountError(std::size_t expected, std::size_t found);

// Why a batch that reads `columns` refuses a file whose first row is `header`, as
// BatchSummary::refusal says it; empty when it reads the file.
std::string headerRefusal(const std::vector<std::string>& header, const BatchColumns& columns);

// Whether `name`, a column of a header, is one that a batch reading `columns` reads.
bool readsColumn(const BatchColumns& columns, std::string_view name);

// The start of a batch file, read as a batch reads it, for a look before the batch runs.
struct BatchPreview {
    struct Row {
        long line = 0; // in the input, from 1
        std::vector<std::string> fields;
    };
    std::string_view encoding;       // as messages name it: "UTF-8", "Windows-1252", "UTF-16"
    std::vector<std::string> header; // empty for a file without text
    std::vector<Row> rows;           // the first rows with text after the header
    bool inputFailed = false;        // the input could not be read (see the stream's state)
};

// Reads the header of `in` and at most `rows` rows after it.
BatchPreview previewBatch(std::istream& in, std::size_t rows);

// How many rows with text `in` holds after its header: how many rows a batch answers. Stops
// counting once `stop` is asked.
std::size_t countRows(std::istream& in, std::stop_token stop = {});

} // namespace batch
