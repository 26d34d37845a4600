#include "places/registerfile.h"

#include "places/birthplaces.h"
#include "text/textfold.h"

#include <algorithm>
#include <array>
#include <fstream>
#include <set>
#include <string_view>

namespace fs = std::filesystem;

namespace places {
namespace {

using Defect = RegisterDefect;
using Kind = RegisterDefect::Kind;

// The register's columns that the update reads, in the order of RegisterPeriod's fields.
constexpr std::array<const char*, 6> kColumns = {"registry_code",    "name_it",
                                                 "alternative_name", "provincial_code",
                                                 "institution_date", "end_date"};
using Positions = std::array<std::size_t, kColumns.size()>;

// The position of every column of kColumns in the header; the columns it lacks go to `missing`.
Positions findColumns(const std::vector<std::string>& header, std::vector<std::string>& missing)
{
    Positions positions{};
    for (std::size_t column = 0; column < kColumns.size(); ++column) {
        const auto found = std::find_if(header.begin(), header.end(), [&](const std::string& name) {
            return text::capitals(text::trimmed(name)) == text::capitals(kColumns[column]);
        });
        if (found == header.end()) {
            missing.push_back(kColumns[column]);
        }
        positions[column] = static_cast<std::size_t>(found - header.begin());
    }
    return positions;
}

// What is wrong with a name of the register; none for a sound one: UTF-8 without control
// characters, and no longer than a place name the windows take.
std::optional<Kind> nameFlaw(std::string_view name)
{
    std::size_t characters = 0;
    for (std::size_t pos = 0; pos < name.size(); ++characters) {
        const char32_t c = text::nextCharacter(name, pos);
        if (c < 0x20 || (c >= 0x7F && c < 0xA0)) {
            return Kind::ControlCharacter;
        }
    }
    if (characters > kPlaceNameCharacters) {
        return Kind::NameTooLong;
    }
    return std::nullopt;
}

bool isProvince(std::string_view province)
{
    return province.size() == 2 && std::all_of(province.begin(), province.end(),
                                               [](char c) { return c >= 'A' && c <= 'Z'; });
}

// What keeps the period read on `line` from being stored as it stands; none when nothing does.
std::optional<Defect> periodDefect(long line, const RegisterPeriod& period)
{
    const auto defect = [line](Kind kind, std::string value = {}) {
        return std::optional(Defect{.kind = kind, .line = line, .value = std::move(value)});
    };
    if (period.name.empty()) {
        return defect(Kind::NoName);
    }
    if (!text::isUtf8(period.name) || !text::isUtf8(period.alternativeName) ||
        !text::isUtf8(period.province)) {
        return defect(Kind::NotUtf8);
    }
    for (const std::string* name : {&period.name, &period.alternativeName}) {
        if (const auto flaw = nameFlaw(*name)) {
            return defect(*flaw);
        }
    }
    if (!isProvince(period.province)) {
        return defect(Kind::BadProvince, period.province);
    }
    for (const std::string* date : {&period.from, &period.to}) {
        if (fiscalcode::dayFromIso(*date) == 0) {
            return defect(Kind::BadDate, *date);
        }
    }
    if (fiscalcode::dayFromIso(period.to) < fiscalcode::dayFromIso(period.from)) {
        return defect(Kind::EndsBeforeStart);
    }
    return std::nullopt;
}

// Reads the rows after the header into `reading.periods`, or the defect of the first row that
// cannot be read or stored as it stands into `reading.defect`.
void readRows(text::CsvReader& reader, std::size_t width, const Positions& positions,
              RegisterReading& reading)
{
    std::vector<std::string> fields;
    std::set<PeriodKey> seen;
    while (reader.next(fields)) {
        const long line = reader.lineNumber();
        if (fields.size() == 1 && fields.front().empty()) {
            continue; // a blank line
        }
        if (reader.flaw() != text::CsvReader::Flaw::None) {
            reading.defect = Defect{.kind = Kind::UnreadableLine,
                                    .line = line,
                                    .flaw = reader.flaw(),
                                    .field = reader.flawField()};
            return;
        }
        if (fields.size() != width) {
            reading.defect = Defect{
                .kind = Kind::FieldCount, .line = line, .fields = fields.size(), .expected = width};
            return;
        }
        const auto field = [&](std::size_t column) {
            return std::string(text::trimmed(fields[positions[column]]));
        };
        RegisterPeriod period{field(0), field(1), field(2), field(3), field(4), field(5)};
        if (!isCadastralCode(period.code)) {
            continue; // a placeholder for a code the register does not know
        }
        if ((reading.defect = periodDefect(line, period))) {
            return;
        }
        if (seen.insert(keyOf(period.code, period.from, period.name)).second) {
            reading.periods.push_back(std::move(period));
        }
    }
}

// Reads the file from its header on.
RegisterReading readOpened(std::istream& in)
{
    text::CsvReader reader(in, ',');
    std::vector<std::string> header;
    if (!reader.next(header)) {
        return {{}, Defect{.kind = Kind::Empty}};
    }
    std::vector<std::string> missing;
    const Positions positions = findColumns(header, missing);
    if (!missing.empty()) {
        return {{}, Defect{.kind = Kind::MissingColumns, .columns = std::move(missing)}};
    }
    RegisterReading reading;
    readRows(reader, header.size(), positions, reading);
    if (!reading.defect && in.bad()) {
        reading.defect = Defect{.kind = Kind::ReadFailed};
    }
    if (!reading.defect && reading.periods.empty()) {
        reading.defect = Defect{.kind = Kind::NoMunicipality};
    }
    if (reading.defect) {
        reading.periods.clear();
    }
    return reading;
}

} // namespace

PeriodKey keyOf(const std::string& code, const std::string& from, const std::string& name)
{
    return {text::capitals(code), fiscalcode::dayFromIso(from), nameKey(name)};
}

RegisterReading readRegister(const fs::path& file)
{
    std::ifstream in;
    std::error_code error;
    if (fs::is_regular_file(file, error)) {
        in.open(file, std::ios::binary);
    }
    if (!in.is_open()) {
        return {{}, Defect{.kind = Kind::Unreadable}};
    }
    if (fs::file_size(file, error) > kMaxRegisterBytes) {
        return {{}, Defect{.kind = Kind::TooLarge}};
    }
    return readOpened(in);
}

} // namespace places
