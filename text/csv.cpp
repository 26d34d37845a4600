#include "text/csv.h"

#include <algorithm>
#include <cstring>

namespace text {

CsvReader::CsvReader(std::istream& in, char separator)
    : in_(in), separator_(separator), buffer_(kChunkSize)
{}

// Reads the next piece of the input into the buffer; false at its end.
bool CsvReader::refill()
{
    if (end_ != nullptr && end_ > buffer_.data()) {
        lastOfChunk_ = end_[-1];
    }
    in_.read(buffer_.data(), static_cast<std::streamsize>(buffer_.size()));
    pos_ = buffer_.data();
    end_ = pos_ + in_.gcount();
    if (!started_ && end_ - pos_ >= 3 && std::memcmp(pos_, "\xEF\xBB\xBF", 3) == 0) {
        pos_ += 3;
    }
    started_ = true;
    findLineEnd();
    return pos_ != end_;
}

void CsvReader::findLineEnd()
{
    const auto size = static_cast<std::size_t>(end_ - pos_);
    const auto* feed = static_cast<const char*>(std::memchr(pos_, '\n', size));
    lineEnd_ = feed ? feed : end_;
    nulInLine_ = std::memchr(pos_, '\0', static_cast<std::size_t>(lineEnd_ - pos_)) != nullptr;
}

void CsvReader::mark(Flaw flaw)
{
    if (flaw_ == Flaw::None) {
        flaw_ = flaw;
        flawField_ = count_;
    }
}

// The next field of the record, empty; beyond kMaxFields one that is dropped.
std::string& CsvReader::startField(std::vector<std::string>& fields)
{
    overflowed_ = false;
    if (count_ == kMaxFields) {
        ++count_;
        mark(Flaw::TooManyFields);
    }
    if (count_ > kMaxFields) {
        overflowed_ = true;
        dropped_.clear();
        return dropped_;
    }
    if (count_ == fields.size()) {
        fields.emplace_back();
    }
    std::string& field = fields[count_++];
    field.clear();
    return field;
}

void CsvReader::append(std::string& field, const char* from, const char* to)
{
    const auto size = static_cast<std::size_t>(to - from);
    if (nulInLine_ && std::memchr(from, '\0', size) != nullptr) {
        mark(Flaw::NulByte);
    }
    if (field.size() + size <= kMaxFieldCharacters) {
        field.append(from, size);
        return;
    }
    appendBeyondLimit(field, from, size);
}

// Characters are counted only once a field has more bytes than the limit has characters: up to
// four bytes a character are kept, and a field of more characters is cut at the limit.
void CsvReader::appendBeyondLimit(std::string& field, const char* from, std::size_t size)
{
    constexpr std::size_t kMaxBytes = 4 * kMaxFieldCharacters;
    if (overflowed_) {
        return;
    }
    field.append(from, std::min(size, kMaxBytes - field.size()));
    std::size_t characters = 0;
    for (std::size_t i = 0; i < field.size(); ++i) {
        const bool starts = (static_cast<unsigned char>(field[i]) & 0xC0) != 0x80;
        if (starts && ++characters > kMaxFieldCharacters) {
            field.resize(i);
            break;
        }
    }
    if (characters > kMaxFieldCharacters || field.size() == kMaxBytes) {
        overflowed_ = true;
        mark(Flaw::FieldTooLong);
    }
}

// The record ends with its line: a CR before the line feed belongs to the line end.
void CsvReader::endLine(std::string& field, char lastByte)
{
    if (lastByte == '\r' && !overflowed_ && !field.empty() && field.back() == '\r') {
        field.pop_back();
    }
}

// The fields' strings are kept from one record to the next, so that reading a file of many
// records allocates next to nothing.
bool CsvReader::next(std::vector<std::string>& fields)
{
    if (pos_ == end_ && !refill()) {
        return false;
    }
    ++lineNumber_;
    flaw_ = Flaw::None;
    count_ = 0;
    std::string* field = &startField(fields);
    Part part = Part::Start;
    while (true) {
        if (pos_ == end_ && !refill()) {
            // The input ends without a line feed.
            if (part == Part::Quoted) {
                mark(Flaw::UnclosedQuote);
            }
            endLine(*field, lastOfChunk_);
            break;
        }
        if (part == Part::Start) {
            part = *pos_ == '"' && pos_ != lineEnd_ ? Part::Quoted : Part::Plain;
            pos_ += part == Part::Quoted ? 1 : 0;
            continue;
        }
        if (part == Part::AfterQuote) {
            // A doubled quote stands for one; a lone one closes the quoted part.
            const bool doubled = *pos_ == '"' && pos_ != lineEnd_;
            if (doubled) {
                append(*field, pos_, pos_ + 1);
                ++pos_;
            }
            part = doubled ? Part::Quoted : Part::Plain;
            continue;
        }
        const char wanted = part == Part::Quoted ? '"' : separator_;
        const auto* found = static_cast<const char*>(
            std::memchr(pos_, wanted, static_cast<std::size_t>(lineEnd_ - pos_)));
        const char* stop = found ? found : lineEnd_;
        append(*field, pos_, stop);
        pos_ = stop;
        if (found) {
            ++pos_;
            if (part == Part::Quoted) {
                part = Part::AfterQuote;
            } else {
                field = &startField(fields);
                part = Part::Start;
            }
            continue;
        }
        if (lineEnd_ == end_) {
            continue; // the line goes on in the next piece
        }
        if (part == Part::Quoted) {
            mark(Flaw::UnclosedQuote);
        }
        endLine(*field, lineEnd_ > buffer_.data() ? lineEnd_[-1] : lastOfChunk_);
        ++pos_;
        findLineEnd();
        break;
    }
    fields.resize(std::min(count_, kMaxFields));
    return true;
}

bool looksLikeFormula(std::string_view cell)
{
    if (cell.empty()) {
        return false;
    }
    switch (cell.front()) {
    case '=':
    case '+':
    case '-':
    case '@':
    case '\t':
    case '\r':
        return true;
    default:
        return false;
    }
}

void CsvWriter::write(const std::vector<std::string>& fields)
{
    write(fields, {});
}

void CsvWriter::write(std::span<const std::string> fields, std::span<const std::string> more)
{
    for (std::size_t i = 0; i < fields.size() + more.size(); ++i) {
        if (i > 0) {
            buffer_ += separator_;
        }
        writeField(i < fields.size() ? fields[i] : more[i - fields.size()]);
    }
    buffer_ += '\n';
    if (buffer_.size() >= kFlushSize) {
        flush();
    }
}

CsvWriter::CsvWriter(std::ostream& out, char separator, FormulaCells formulas)
    : out_(out), separator_(separator), formulas_(formulas)
{
    for (char c : {separator, '"', '\n', '\r'}) {
        quoted_[static_cast<unsigned char>(c)] = true;
    }
}

void CsvWriter::writeField(const std::string& field)
{
    const bool apostrophe = formulas_ == FormulaCells::Neutralised && looksLikeFormula(field);
    const bool plain = std::none_of(field.begin(), field.end(),
                                    [&](char c) { return quoted_[static_cast<unsigned char>(c)]; });
    if (!plain) {
        buffer_ += '"';
    }
    if (apostrophe) {
        buffer_ += '\'';
    }
    if (plain) {
        buffer_ += field;
        return;
    }
    for (char c : field) {
        if (c == '"') {
            buffer_ += '"';
        }
        buffer_ += c;
    }
    buffer_ += '"';
}

void CsvWriter::flush()
{
    out_.write(buffer_.data(), static_cast<std::streamsize>(buffer_.size()));
    buffer_.clear();
}

CsvWriter::~CsvWriter()
{
    flush();
}

} // namespace text
