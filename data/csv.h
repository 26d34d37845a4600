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
    bool Next(std::vector<std::string>& fields);

    // Number of the physical line on which the last record read began, from 1.
    long LineNumber() const { return recordLine_; }

private:
    bool ReadLine();

    std::istream& in_;
    char separator_;
    std::string line_;
    long lineNumber_ = 0;
    long recordLine_ = 0;
};

// Writes one record, quoting the fields that need it, followed by a line feed.
void WriteCsvRecord(std::ostream& out, const std::vector<std::string>& fields,
                    char separator = ';');

} // namespace refdata
