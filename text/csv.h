#pragma once

#include <array>
#include <cstddef>
#include <istream>
#include <ostream>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace text {

// Reads CSV records one at a time. A record is one line, ending in LF or CR LF, of fields
// separated by `separator`. A double quote opens a quoted field only as the field's first
// character: the field then runs to the next lone double quote on the same line and may hold
// separators and doubled quotes; anywhere else a double quote is an ordinary character. A UTF-8
// byte order mark at the start is skipped.
//
// The input is read in pieces of a fixed size, never a line at a time, and a record keeps at most
// kMaxFields fields of at most kMaxFieldCharacters characters each, so that memory stays the same
// whatever the input holds. A record that breaks these bounds, holds a NUL byte or leaves a quote
// open at the end of its line is still read to the end of its line and returned with what fits;
// flaw() tells what was wrong, and reading goes on at the next line.
class CsvReader {
public:
    static constexpr std::size_t kMaxFieldCharacters = 1000;
    static constexpr std::size_t kMaxFields = 1000;

    enum class Flaw { None, FieldTooLong, TooManyFields, UnclosedQuote, NulByte };

    explicit CsvReader(std::istream& in, char separator = ';');

    // Reads the next record into `fields`; false at the end of the input (or when it cannot be
    // read any further: see the stream's state).
    bool next(std::vector<std::string>& fields);

    // Number of the line of the last record read, from 1.
    long lineNumber() const { return lineNumber_; }

    // What was wrong with the last record read, and the field it was found in, from 1.
    Flaw flaw() const { return flaw_; }
    std::size_t flawField() const { return flawField_; }

private:
    static constexpr std::size_t kChunkSize = 64 * 1024;
    enum class Part { Start, Plain, Quoted, AfterQuote };

    bool refill();
    void findLineEnd();
    std::string& startField(std::vector<std::string>& fields);
    void append(std::string& field, const char* from, const char* to);
    void appendBeyondLimit(std::string& field, const char* from, std::size_t size);
    void mark(Flaw flaw);
    void endLine(std::string& field, char lastByte);

    std::istream& in_;
    char separator_;
    std::vector<char> buffer_;
    const char* pos_ = nullptr;
    const char* end_ = nullptr;
    const char* lineEnd_ = nullptr; // the line feed ending the current line, or end_
    bool nulInLine_ = false;        // a NUL byte between pos_ and lineEnd_
    char lastOfChunk_ = 0;          // the byte before the buffer's first
    bool started_ = false;
    long lineNumber_ = 0;
    std::size_t count_ = 0;   // fields of the record so far
    bool overflowed_ = false; // the current field is cut: what follows is dropped
    std::string dropped_;     // a field beyond kMaxFields
    Flaw flaw_ = Flaw::None;
    std::size_t flawField_ = 0; // from 1
};

// Whether a spreadsheet would take `cell` for a formula: it begins with "=", "+", "-", "@", a tab
// or a carriage return.
bool looksLikeFormula(std::string_view cell);

// What a writer does with a cell that looks like a formula: writes it as it is, or with an
// apostrophe before it, which makes a spreadsheet show it as text.
enum class FormulaCells { AsTheyAre, Neutralised };

// Writes records, quoting the fields that need it, each followed by a line feed. The records are
// gathered and written to the stream in large pieces; Flush (or the end of the writer) writes
// what is left.
class CsvWriter {
public:
    explicit CsvWriter(std::ostream& out, char separator = ';',
                       FormulaCells formulas = FormulaCells::AsTheyAre);
    ~CsvWriter();
    CsvWriter(const CsvWriter&) = delete;
    CsvWriter& operator=(const CsvWriter&) = delete;

    void write(const std::vector<std::string>& fields);
    // One record of the fields of `fields`, then those of `more`.
    void write(std::span<const std::string> fields, std::span<const std::string> more);
    void flush();

private:
    static constexpr std::size_t kFlushSize = 64 * 1024;
    void writeField(const std::string& field);

    std::ostream& out_;
    char separator_;
    FormulaCells formulas_;
    std::array<bool, 256> quoted_{}; // the bytes that make a field quoted
    std::string buffer_;
};

} // namespace text
