#include "csv.h"

namespace refdata {

CsvReader::CsvReader(std::istream& in, char separator) : in_(in), separator_(separator) {}

bool CsvReader::ReadLine()
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

bool CsvReader::Next(std::vector<std::string>& fields)
{
    if (!ReadLine()) {
        return false;
    }
    recordLine_ = lineNumber_;
    fields.clear();
    fields.emplace_back();
    // A double quote opens a quoted field only as the field's first character; anywhere else it
    // is an ordinary character, so a stray one never swallows the lines that follow.
    bool quoted = false;
    bool fieldStart = true;
    for (std::size_t i = 0;; ++i) {
        if (i == line_.size()) {
            if (!quoted || !ReadLine()) {
                return true; // an unclosed quote ends with the input
            }
            fields.back() += '\n';
            i = static_cast<std::size_t>(-1);
            continue;
        }
        const char c = line_[i];
        if (quoted) {
            if (c != '"') {
                fields.back() += c;
            } else if (i + 1 < line_.size() && line_[i + 1] == '"') {
                fields.back() += '"';
                ++i;
            } else {
                quoted = false;
            }
        } else if (c == '"' && fieldStart) {
            quoted = true;
        } else if (c == separator_) {
            fields.emplace_back();
            fieldStart = true;
            continue;
        } else {
            fields.back() += c;
        }
        fieldStart = false;
    }
}

void WriteCsvRecord(std::ostream& out, const std::vector<std::string>& fields, char separator)
{
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (i > 0) {
            out.put(separator);
        }
        const std::string& field = fields[i];
        if (field.find_first_of(std::string{separator, '"', '\n', '\r'}) == std::string::npos) {
            out.write(field.data(), static_cast<std::streamsize>(field.size()));
            continue;
        }
        out.put('"');
        for (char c : field) {
            if (c == '"') {
                out.put('"');
            }
            out.put(c);
        }
        out.put('"');
    }
    out.put('\n');
}

} // namespace refdata
