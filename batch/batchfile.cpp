#include "batch/batchfile.h"

#include "messages/texts.h"
#include "text/textencoding.h"
#include "text/textfold.h"

#include <algorithm>
#include <cstdio>

namespace batch {
namespace {

constexpr std::size_t kAbsent = static_cast<std::size_t>(-1);
constexpr std::string_view kReplacement = "\xEF\xBF\xBD"; // what the decoder reads for non-text

// "a", "a e b", "a, b e c".
std::string listed(const std::vector<std::string>& names)
{
    std::string text;
    for (std::size_t i = 0; i < names.size(); ++i) {
        text += (i == 0 ? "" : i + 1 == names.size() ? " e " : ", ") + names[i];
    }
    return text;
}

// Why a header that lacks the columns `missing` or names `repeated` twice is refused.
std::string headerRefusal(const BatchColumns& columns, const std::vector<std::string>& missing,
                          const std::vector<std::string>& repeated)
{
    const bool one = columns.needed.size() == 1;
    std::string text = "la prima riga deve essere l'intestazione, con ";
    text += (one ? "la colonna " : "le colonne ") + listed(columns.needed);
    if (!columns.optional.empty()) {
        text += " (facoltativa " + listed(columns.optional) + ")";
    }
    text += one ? "" : " in qualsiasi ordine";
    if (!missing.empty() && missing.size() < columns.needed.size()) {
        text += (missing.size() == 1 ? "; manca " : "; mancano ") + listed(missing);
    }
    if (!repeated.empty()) {
        text += "; più volte " + listed(repeated);
    }
    return text;
}

// Whether the header's column `name` is the column `wanted`: case and blanks around ignored.
bool sameColumn(std::string_view name, const std::string& wanted)
{
    return text::capitals(text::trimmed(name)) == text::capitals(wanted);
}

// The position in `header` of each column read (the needed ones, then the optional ones; kAbsent
// for an optional one it lacks), case and blanks around ignored; or why the header is refused.
std::string findColumns(const std::vector<std::string>& header, const BatchColumns& columns,
                        std::vector<std::size_t>& positions)
{
    std::vector<std::string> names = columns.needed;
    names.insert(names.end(), columns.optional.begin(), columns.optional.end());
    positions.assign(names.size(), kAbsent);
    std::vector<std::string> missing;
    std::vector<std::string> repeated;
    for (std::size_t at = 0; at < header.size(); ++at) {
        for (std::size_t i = 0; i < names.size(); ++i) {
            if (!sameColumn(header[at], names[i])) {
                continue;
            }
            if (positions[i] != kAbsent) {
                repeated.push_back(names[i]);
            }
            positions[i] = at;
        }
    }
    for (std::size_t i = 0; i < columns.needed.size(); ++i) {
        if (positions[i] == kAbsent) {
            missing.push_back(names[i]);
        }
    }
    return missing.empty() && repeated.empty() ? std::string()
                                               : headerRefusal(columns, missing, repeated);
}

// "U+010D".
std::string codePoint(char32_t c)
{
    char text[16];
    std::snprintf(text, sizeof text, "U+%04X", static_cast<unsigned>(c));
    return text;
}

// The next row of `reader` with some text into `record`; false at the end of the input.
bool nextRowWithText(text::CsvReader& reader, std::vector<std::string>& record)
{
    const auto blank = [](const std::string& field) {
        return text::trimmed(field).empty();
    };
    while (reader.next(record)) {
        if (reader.flaw() != text::CsvReader::Flaw::None ||
            !std::all_of(record.begin(), record.end(), blank)) {
            return true;
        }
    }
    return false;
}

// The rows of a file decoded as a batch decodes them, for a look at the file before its batch.
struct DecodedRows {
    explicit DecodedRows(std::istream& in) : decoder(in, file), text(&decoder), reader(text) {}

    text::FileEncoding file;
    text::TextDecoder decoder;
    std::istream text;
    text::CsvReader reader;
};

// One batch from its header to its last row.
class BatchRun {
public:
    BatchRun(std::istream& in, std::ostream& out, RowWork& work, const BatchOptions& options)
        : in_(in), out_(out), work_(work), options_(options), decoder_(in, file_), text_(&decoder_),
          reader_(text_)
    {}

    BatchSummary run();

private:
    bool stopRequested();
    bool nextRow();
    bool answer(std::span<std::string> added);
    std::string unusable() const;
    char32_t unwritable(std::span<std::string> added, std::size_t& column) const;
    void tell(bool done, std::span<std::string> added, BatchSummary& summary);
    void end(BatchSummary& summary, const std::ostream& text) const;

    std::istream& in_;
    std::ostream& out_;
    RowWork& work_;
    const BatchOptions& options_;
    text::FileEncoding file_;
    text::TextDecoder decoder_;
    std::istream text_;
    text::CsvReader reader_;
    std::vector<std::string> record_;
    std::vector<std::size_t> positions_;
    std::size_t width_ = 0; // fields of the header
    std::vector<std::string_view> values_;
    RowWork::Note note_ = RowWork::Note::None; // of the row answered last
    BatchProgress progress_;
    bool stopped_ = false;
};

BatchSummary BatchRun::run()
{
    BatchSummary summary;
    const BatchColumns& columns = work_.columns();
    if (!nextRow()) {
        record_.clear(); // an empty file has no header either
    }
    summary.refusal = findColumns(record_, columns, positions_);
    if (record_.empty() && summary.refusal.empty()) {
        summary.refusal = headerRefusal(columns, {}, {});
    }
    if (!summary.refusal.empty()) {
        summary.end = in_.bad() ? BatchEnd::InputFailed : BatchEnd::Refused;
        return summary;
    }
    values_.resize(positions_.size());
    width_ = record_.size();
    text::TextEncoder encoder(out_, file_);
    std::ostream text(&encoder);
    text::CsvWriter writer(text, ';', options_.formulas);
    writer.write(record_, columns.added);
    // The strings of `added` are kept from one row to the next: next to nothing allocated.
    std::vector<std::string> added(columns.added.size());
    while (text && !stopRequested() && nextRow()) {
        tell(answer(added), added, summary);
        writer.write(record_, added);
    }
    writer.flush();
    text.flush();
    end(summary, text);
    return summary;
}

// Whether the batch is to stop before the next row, as asked.
bool BatchRun::stopRequested()
{
    stopped_ = options_.stop.stop_requested();
    return stopped_;
}

// The next row with some text; false at the end of the input.
bool BatchRun::nextRow()
{
    return nextRowWithText(reader_, record_);
}

// Fills the added columns of the row read; false when it gets no result.
bool BatchRun::answer(std::span<std::string> added)
{
    note_ = RowWork::Note::None;
    if (const std::string reason = unusable(); !reason.empty()) {
        work_.refuse(reason, added);
        return false;
    }
    for (std::size_t i = 0; i < positions_.size(); ++i) {
        values_[i] =
            positions_[i] == kAbsent ? std::string_view() : text::trimmed(record_[positions_[i]]);
    }
    const bool done = work_.fill(values_, added);
    note_ = work_.note();
    if (!file_.writesWindows1252()) {
        return done; // UTF-8 holds every character
    }
    std::size_t column = 0;
    if (const char32_t c = unwritable(added, column); c != 0) {
        work_.refuse("Il carattere " + codePoint(c) + " della colonna " +
                         work_.columns().added[column] + " non si può scrivere in " +
                         std::string(file_.name()) + ", la codifica del file",
                     added);
        note_ = RowWork::Note::None;
        return false;
    }
    return done;
}

// Why the row read cannot be used as it stands; empty when it can.
std::string BatchRun::unusable() const
{
    if (reader_.flaw() != text::CsvReader::Flaw::None) {
        return messages::flawText(reader_.flaw(), reader_.flawField());
    }
    if (record_.size() != width_) {
        return fieldCountError(width_, record_.size());
    }
    if (decoder_.replacements() == 0) {
        return {};
    }
    for (std::size_t i = 0; i < record_.size(); ++i) {
        if (record_[i].find(kReplacement) != std::string::npos) {
            return "Carattere non valido in " + std::string(file_.name()) + " nel campo " +
                   std::to_string(i + 1);
        }
    }
    return {};
}

// The first character of the added columns that the answer's encoding cannot hold, and its
// column; 0 when there is none.
char32_t BatchRun::unwritable(std::span<std::string> added, std::size_t& column) const
{
    for (column = 0; column < added.size(); ++column) {
        if (const char32_t c = file_.firstUnwritable(added[column]); c != 0) {
            return c;
        }
    }
    return 0;
}

void BatchRun::tell(bool done, std::span<std::string> added, BatchSummary& summary)
{
    ++progress_.rows;
    progress_.failed += done ? 0 : 1;
    progress_.noticed += done && note_ == RowWork::Note::Notice ? 1 : 0;
    progress_.ambiguous += !done && note_ == RowWork::Note::AmbiguousPlace ? 1 : 0;
    const std::string_view reason = done ? std::string_view() : added[work_.columns().reasonColumn];
    if (!done && summary.firstFailures.size() < options_.failuresKept) {
        summary.firstFailures.push_back({reader_.lineNumber(), std::string(reason)});
    }
    if (options_.rowAnswered) {
        options_.rowAnswered({reader_.lineNumber(), done, reason});
    }
    if (options_.progress && progress_.rows % kProgressRows == 0) {
        progress_.bytesRead = decoder_.bytesRead();
        options_.progress(progress_);
    }
}

void BatchRun::end(BatchSummary& summary, const std::ostream& text) const
{
    summary.progress = progress_;
    summary.progress.bytesRead = decoder_.bytesRead();
    summary.end = in_.bad()        ? BatchEnd::InputFailed
                  : !text || !out_ ? BatchEnd::OutputFailed
                  : stopped_       ? BatchEnd::Stopped
                                   : BatchEnd::Finished;
    if (options_.progress) {
        options_.progress(summary.progress);
    }
}

} // namespace

BatchSummary processBatch(std::istream& in, std::ostream& out, RowWork& work,
                          const BatchOptions& options)
{
    return BatchRun(in, out, work, options).run();
}

std::string fieldCountError(std::size_t expected, std::size_t found)
{
    return "Numero di campi errato: attesi " + std::to_string(expected) + ", trovati " +
           std::to_string(found);
}

std::string headerRefusal(const std::vector<std::string>& header, const BatchColumns& columns)
{
    std::vector<std::size_t> positions;
    return findColumns(header, columns, positions);
}

bool readsColumn(const BatchColumns& columns, std::string_view name)
{
    const auto same = [name](const std::string& wanted) {
        return sameColumn(name, wanted);
    };
    return std::any_of(columns.needed.begin(), columns.needed.end(), same) ||
           std::any_of(columns.optional.begin(), columns.optional.end(), same);
}

BatchPreview previewBatch(std::istream& in, std::size_t rows)
{
    BatchPreview preview;
    DecodedRows file(in);
    if (nextRowWithText(file.reader, preview.header)) {
        std::vector<std::string> fields;
        while (preview.rows.size() < rows && nextRowWithText(file.reader, fields)) {
            preview.rows.push_back({file.reader.lineNumber(), fields});
        }
    }
    preview.encoding = file.file.name();
    preview.inputFailed = in.bad();
    return preview;
}

std::size_t countRows(std::istream& in, std::stop_token stop)
{
    DecodedRows file(in);
    std::vector<std::string> fields;
    std::size_t rows = 0;
    if (!nextRowWithText(file.reader, fields)) {
        return 0;
    }
    while (!stop.stop_requested() && nextRowWithText(file.reader, fields)) {
        ++rows;
    }
    return rows;
}

} // namespace batch
