// Fuzz target for the CSV reader. Whatever the bytes, every record keeps within the reader's
// bounds and tells what was wrong with it, and in which field. The records do not depend on where
// the input falls in the pieces the reader reads: text read after a first line that ends near the
// end of a piece gives the same records as read alone. The first byte chooses the separator and
// that line's end.
#include "text/csv.h"
#include "text/textfold.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

namespace {

using text::CsvReader;

// How much the reader reads at a time (csv.h).
constexpr std::size_t kPiece = 64 * 1024;

void check(bool condition)
{
    if (!condition) {
        std::abort();
    }
}

struct Record {
    std::vector<std::string> fields;
    CsvReader::Flaw flaw = CsvReader::Flaw::None;
    std::size_t flawField = 0; // from 1, when there is a flaw
    bool operator==(const Record&) const = default;
};

std::vector<Record> records(const std::string& bytes, char separator)
{
    std::istringstream in(bytes);
    CsvReader reader(in, separator);
    std::vector<Record> read;
    std::vector<std::string> fields;
    while (reader.next(fields)) {
        check(reader.lineNumber() == static_cast<long>(read.size()) + 1);
        check(fields.size() <= CsvReader::kMaxFields);
        for (const std::string& field : fields) {
            check(field.size() <= 4 * CsvReader::kMaxFieldCharacters);
        }
        const bool flawed = reader.flaw() != CsvReader::Flaw::None;
        check(!flawed ||
              (reader.flawField() >= 1 && reader.flawField() <= CsvReader::kMaxFields + 1));
        read.push_back({fields, reader.flaw(), flawed ? reader.flawField() : 0});
    }
    return read;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0) {
        return 0;
    }
    const char separator = (data[0] & 1) != 0 ? ',' : ';';
    const std::size_t shortOfThePiece = data[0] >> 1;
    const std::string text(reinterpret_cast<const char*>(data) + 1, size - 1);
    const std::vector<Record> alone = records(text, separator);

    // A byte order mark counts only at the very start; text in another encoding may be read
    // according to what comes first.
    if (!text::isUtf8(text) || text.starts_with("\xEF\xBB\xBF")) {
        return 0;
    }
    const std::string firstLine(kPiece - 1 - shortOfThePiece, 'x');
    std::vector<Record> after = records(firstLine + "\n" + text, separator);
    check(!after.empty());
    after.erase(after.begin());
    check(after == alone);
    return 0;
}
