#include "messages/texts.h"
#include "text/csv.h"
#include "text/textencoding.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <random>
#include <sstream>
#include <streambuf>
#include <string>
#include <vector>

using text::CsvReader;
using Records = std::vector<std::vector<std::string>>;

namespace {

struct Read {
    Records records;
    std::vector<std::string> flaws; // one per record, empty for a sound one
};

Read readAll(std::istream& in)
{
    CsvReader reader(in);
    Read read;
    std::vector<std::string> fields;
    while (reader.next(fields)) {
        read.records.push_back(fields);
        read.flaws.push_back(messages::flawText(reader.flaw(), reader.flawField()));
    }
    return read;
}

Read readAll(const std::string& text)
{
    std::istringstream in(text);
    return readAll(in);
}

TEST(CsvReader, ReadsOneRecordPerLineWithQuotedFieldsOnTheirLine)
{
    const struct {
        std::string text;
        Records records;
    } cases[] = {
        {"a;b;c\n", {{"a", "b", "c"}}},
        {"\xEF\xBB\xBF"
         "a;b\r\nc;d\r\n",
         {{"a", "b"}, {"c", "d"}}},
        {"a;;\n\n;b", {{"a", "", ""}, {""}, {"", "b"}}},
        {"\"x;y\";\"dice \"\"ciao\"\"\";\"\"\n", {{"x;y", "dice \"ciao\"", ""}}},
        {"RO\"MA;\"AB\"CD;\"a\r\"\r\n", {{"RO\"MA", "ABCD", "a\r"}}},
        {"ultima\r", {{"ultima"}}},
        {"", {}},
    };
    for (const auto& c : cases) {
        const Read read = readAll(c.text);
        EXPECT_EQ(read.records, c.records) << c.text;
        EXPECT_EQ(read.flaws, std::vector<std::string>(c.records.size())) << c.text;
    }
}

TEST(CsvReader, AFlawedRecordIsReadToItsLineEndAndReadingGoesOn)
{
    const std::string tooLong(1'000'000, 'x');
    const std::string accented = "\xC3\xA0"; // à, two bytes
    std::string wide;
    for (int i = 0; i < 1000; ++i) {
        wide += accented;
    }
    std::string manyFields = "0";
    for (int i = 1; i <= 1000; ++i) {
        manyFields += ";" + std::to_string(i);
    }
    const std::string text = "a;\"aperta;b\r\n"
                             "c;d\n"
                             "e;" +
                             tooLong + ";f\n" + wide + ";" + wide + accented + "\n" +
                             std::string("n;u\0l;l", 7) + "\n" + manyFields + "\n" +
                             "\"non chiusa\n"
                             "g;h\n";
    const Read read = readAll(text);
    ASSERT_EQ(read.records.size(), 8u);
    EXPECT_EQ(read.records[0], (std::vector<std::string>{"a", "aperta;b"}));
    EXPECT_EQ(read.flaws[0], "Virgolette non chiuse nel campo 2");
    EXPECT_EQ(read.records[1], (std::vector<std::string>{"c", "d"}));

    EXPECT_EQ(read.flaws[2], "Campo 2 troppo lungo: più di 1000 caratteri");
    EXPECT_EQ(read.records[2], (std::vector<std::string>{"e", tooLong.substr(0, 1000), "f"}));
    EXPECT_EQ(read.flaws[3], "Campo 2 troppo lungo: più di 1000 caratteri"); // characters count
    EXPECT_EQ(read.records[3], (std::vector<std::string>{wide, wide}));

    EXPECT_EQ(read.flaws[4], "Carattere nullo nel campo 2");
    EXPECT_EQ(read.flaws[5], "Troppi campi: più di 1000");
    EXPECT_EQ(read.records[5].size(), 1000u);
    EXPECT_EQ(read.records[5].back(), "999");
    EXPECT_EQ(read.flaws[6], "Virgolette non chiuse nel campo 1");
    EXPECT_EQ(read.records[7], (std::vector<std::string>{"g", "h"}));
    EXPECT_EQ(read.flaws[7], "");
}

// The input is read in pieces: records, quotes and line ends that straddle two pieces come out as
// the writer wrote them, with LF and with CR LF.
TEST(CsvReader, ReadsBackWhatTheWriterWroteWhereverThePiecesEnd)
{
    std::mt19937 random(20261208);
    const std::string alphabet[] = {"a", "Z", " ", ";", "\"", "\xC3\xA0", "'"};
    Records records(20'000);
    for (auto& record : records) {
        record.resize(std::uniform_int_distribution<std::size_t>(1, 6)(random));
        for (auto& field : record) {
            const int length = std::uniform_int_distribution<int>(0, 12)(random);
            for (int i = 0; i < length; ++i) {
                field += alphabet[std::uniform_int_distribution<std::size_t>(0, 6)(random)];
            }
        }
    }
    std::ostringstream written;
    {
        text::CsvWriter writer(written);
        for (const auto& record : records) {
            writer.write(record);
        }
    }
    std::string crlf;
    for (char c : written.str()) {
        crlf += c == '\n' ? "\r\n" : std::string(1, c);
    }
    for (const std::string& text : {written.str(), crlf}) {
        const Read read = readAll(text);
        EXPECT_EQ(read.records, records);
        EXPECT_EQ(std::count(read.flaws.begin(), read.flaws.end(), ""),
                  static_cast<long>(records.size()));
    }
}

// As OWASP advises for CSV files: a cell a spreadsheet would take for a formula gets an
// apostrophe before it, inside its quotes when it has them; nothing else changes.
TEST(CsvWriter, NeutralisesCellsThatLookLikeFormulas)
{
    const struct {
        std::string cell;
        std::string neutralised;
    } cases[] = {
        {"=HYPERLINK(\"http://x\",\"y\")", "\"'=HYPERLINK(\"\"http://x\"\",\"\"y\"\")\""},
        {"+cmd|' /C calc'!A0", "'+cmd|' /C calc'!A0"},
        {"@SUM(1)", "'@SUM(1)"},
        {"-2+3", "'-2+3"},
        {"\tx", "'\tx"},
        {"\rx", "\"'\rx\""},
        {"=1;2", "\"'=1;2\""},
        {"ROSSI", "ROSSI"},
        {"a=b", "a=b"},
        {" =1", " =1"},
        {"'=1", "'=1"},
        {"", ""},
    };
    for (const auto& c : cases) {
        for (const auto formulas :
             {text::FormulaCells::Neutralised, text::FormulaCells::AsTheyAre}) {
            std::ostringstream out;
            text::CsvWriter(out, ';', formulas).write({c.cell, "x"});
            const bool neutralised = formulas == text::FormulaCells::Neutralised;
            std::ostringstream plain;
            text::CsvWriter(plain).write({c.cell, "x"});
            EXPECT_EQ(out.str(), neutralised ? c.neutralised + ";x\n" : plain.str()) << c.cell;
        }
    }
}

long residentBytes()
{
    long pages = 0;
    long resident = 0;
    std::ifstream("/proc/self/statm") >> pages >> resident;
    return resident * ::sysconf(_SC_PAGESIZE);
}

// Input made on demand: a line of `size` letters between two short fields, then a short line.
// Notes the memory in use when the long line is almost all read.
class LongLine : public std::streambuf {
public:
    explicit LongLine(std::size_t size, char letter = 'A') : left_(size), piece_(64 * 1024, letter)
    {
        setg(head_.data(), head_.data(), head_.data() + head_.size());
    }
    long residentAtTheEnd = 0;

protected:
    int_type underflow() override
    {
        if (left_ > 0) {
            const std::size_t size = std::min(left_, piece_.size());
            left_ -= size;
            setg(piece_.data(), piece_.data(), piece_.data() + size);
            return traits_type::to_int_type(piece_[0]);
        }
        if (!tailGiven_) {
            tailGiven_ = true;
            residentAtTheEnd = residentBytes();
            setg(tail_.data(), tail_.data(), tail_.data() + tail_.size());
            return traits_type::to_int_type(tail_[0]);
        }
        return traits_type::eof();
    }

private:
    std::size_t left_;
    std::string piece_;
    std::string head_ = "ROSSI;";
    std::string tail_ = ";ROMA\nB;C\n";
    bool tailGiven_ = false;
};

// Read as it is, and as a Windows-1252 file whose every byte the decoder turns into two.
TEST(CsvReader, AHundredMegabyteLineCostsNoMoreMemoryThanAShortOne)
{
    std::string accented; // a thousand À
    for (int i = 0; i < 1000; ++i) {
        accented += "À";
    }
    for (const bool decoded : {false, true}) {
        LongLine input(100'000'000, decoded ? '\xC0' : 'A');
        std::istream raw(&input);
        text::FileEncoding file;
        text::TextDecoder decoder(raw, file);
        std::istream text(&decoder);
        const long before = residentBytes();
        const Read read = readAll(decoded ? text : raw);
        EXPECT_LT(input.residentAtTheEnd - before, 16L << 20);
        ASSERT_EQ(read.records.size(), 2u);
        EXPECT_EQ(read.records[0].size(), 3u);
        EXPECT_TRUE(read.records[0][1] == (decoded ? accented : std::string(1000, 'A')));
        EXPECT_EQ(read.flaws[0], "Campo 2 troppo lungo: più di 1000 caratteri");
        EXPECT_EQ(read.records[1], (std::vector<std::string>{"B", "C"}));
    }
}

} // namespace
