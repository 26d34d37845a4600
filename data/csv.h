#pragma once

#include <istream>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace refdata {

// Reads CSV records one at a time: fields separated by `separator`, a field in double quotes may
// hold separators, line breaks and doubled quotes. Lines may end in LF or CR LF; a UTF-8 byte
// order mark at the start is skipped.
class CsvReader {
public:
    explicit CsvReader(std::istream& in, char separator = ';');

    // Reads the next record into `fields`; false at the end of the input.
    bool next(std::vector<std::string>& fields);

    // Number of the physical line on which the last record read began, from 1.
    long lineNumber() const { return recordLine_; }

private:
    bool readLine();
    std::size_t readQuoted(std::string& field, std::size_t pos);

    std::istream& in_;
    char separator_;
    std::string line_;
    long lineNumber_ = 0;
    long recordLine_ = 0;
};

// Writes records, quoting the fields that need it, each followed by a line feed. The records are
// gathered and written to the stream in large pieces; Flush (or the end of the writer) writes
// what is left.
class CsvWriter {
public:
    explicit CsvWriter(std::ostream& out, char separator = ';') : out_(out), separator_(separator)
    {}
    ~CsvWriter();
    CsvWriter(const CsvWriter&) = delete;
    CsvWriter& operator=(const CsvWriter&) = delete;

    void write(const std::vector<std::string>& fields);
    void flush();

private:
    static constexpr std::size_t kFlushSize = 64 * 1024;
    std::ostream& out_;
    char separator_;
    std::string buffer_;
};

// Writes one record, quoting the fields that need it, followed by a line feed.
void writeCsvRecord(std::ostream& out, const std::vector<std::string>& fields,
                    char separator = ';');

} // namespace refdata
