#include "data/csv.h"

#include <cstring>

namespace refdata {

CsvReader::CsvReader(std::istream& in, char separator) : in_(in), separator_(separator) {}

bool CsvReader::readLine()
{
    if (!std::getline(in_, line_)) {
        return false;
    }
    if (lineNumber_++ == 0 && line_.starts_with("\xEF\xBB\xBF")) {
        line_.erase(0, 3);
    }
    if (!line_.empty() && line_.back() == '\r') {
        line_.pop_back();
    }
    return true;
}

// The fields' strings are kept from one record to the next, so that reading a file of many
// records allocates next to nothing.
bool CsvReader::next(std::vector<std::string>& fields)
{
    if (!readLine()) {
        return false;
    }
    recordLine_ = lineNumber_;
    std::size_t count = 0;
    const auto nextField = [&]() -> std::string& {
        if (count == fields.size()) {
            fields.emplace_back();
        }
        std::string& field = fields[count++];
        field.clear();
        return field;
    };
    std::size_t pos = 0;
    while (true) {
        std::string& field = nextField();
        // A double quote opens a quoted field only as the field's first character; anywhere
        // else it is an ordinary character, so a stray one never swallows the lines that follow.
        if (pos < line_.size() && line_[pos] == '"') {
            pos = readQuoted(field, pos + 1);
        }
        const char* start = line_.data() + pos;
        const auto* end =
            static_cast<const char*>(std::memchr(start, separator_, line_.size() - pos));
        const std::size_t stop = end ? static_cast<std::size_t>(end - line_.data()) : line_.size();
        field.append(line_, pos, stop - pos);
        if (stop == line_.size()) {
            break;
        }
        pos = stop + 1;
    }
    fields.resize(count);
    return true;
}

// Reads a quoted field from `pos`, just after its opening quote, into `field`, following it over
// line breaks; a doubled quote stands for one. Returns the position after the closing quote, or
// the end of the input's last line when the quote is never closed.
std::size_t CsvReader::readQuoted(std::string& field, std::size_t pos)
{
    while (true) {
        const std::size_t quote = line_.find('"', pos);
        if (quote == std::string::npos) {
            field.append(line_, pos);
            if (!readLine()) {
                return line_.size(); // an unclosed quote ends with the input
            }
            field += '\n';
            pos = 0;
            continue;
        }
        field.append(line_, pos, quote - pos);
        if (quote + 1 < line_.size() && line_[quote + 1] == '"') {
            field += '"';
            pos = quote + 2;
            continue;
        }
        return quote + 1;
    }
}

void CsvWriter::write(const std::vector<std::string>& fields)
{
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (i > 0) {
            buffer_ += separator_;
        }
        const std::string& field = fields[i];
        bool plain = true;
        for (char c : field) {
            if (c == separator_ || c == '"' || c == '\n' || c == '\r') {
                plain = false;
                break;
            }
        }
        if (plain) {
            buffer_ += field;
            continue;
        }
        buffer_ += '"';
        for (char c : field) {
            if (c == '"') {
                buffer_ += '"';
            }
            buffer_ += c;
        }
        buffer_ += '"';
    }
    buffer_ += '\n';
    if (buffer_.size() >= kFlushSize) {
        flush();
    }
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

void writeCsvRecord(std::ostream& out, const std::vector<std::string>& fields, char separator)
{
    CsvWriter(out, separator).write(fields);
}

} // namespace refdata
