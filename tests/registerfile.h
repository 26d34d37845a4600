#pragma once

// Files in the shape of the register's archive of municipalities, written by the tests.

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

// One period of validity of a municipality, as the register lists it.
struct RegisterRow {
    std::string code;
    std::string name;
    std::string province;
    std::string from;
    std::string to = "9999-12-31";
    std::string alternativeName = {};
};

// The register's header, in its order.
inline const char* const kRegisterHeader =
    "id,institution_date,end_date,istat_id,registry_code,name_it,name_transliterated,"
    "alternative_name,alternative_name_transliterated,anpr_id,istat_province_id,istat_region_id,"
    "istat_prefecture_id,status,provincial_code,source,last_update,istat_discontinued_code";

// The register's line for `row`: names in double quotes, a quoted comma in the source column.
inline std::string registerLine(int id, const RegisterRow& row)
{
    const auto quoted = [](const std::string& text) {
        return "\"" + text + "\"";
    };
    const bool active = row.to == "9999-12-31";
    return std::to_string(id) + "," + row.from + "," + row.to + ",024128," + row.code + "," +
           quoted(row.name) + "," + quoted(row.name) + "," +
           (row.alternativeName.empty() ? "" : quoted(row.alternativeName)) + ",,24,024,05," +
           (active ? row.province : "") + "," + (active ? "active" : "discontinued") + "," +
           row.province + "," + quoted("ANPR, variazioni") + ",2024-01-24,";
}

// Writes `rows` as the register publishes them: its header, then one line per period.
inline void writeRegisterFile(const std::filesystem::path& file,
                              const std::vector<RegisterRow>& rows)
{
    std::ofstream out(file, std::ios::binary);
    out << kRegisterHeader << "\n";
    int id = 0;
    for (const RegisterRow& row : rows) {
        out << registerLine(++id, row) << "\n";
    }
}
