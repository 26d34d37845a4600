#include "bench/persons.h"

#include "storage/datasource.h"

#include <array>
#include <cstdio>
#include <random>
#include <sstream>
#include <vector>

namespace {

std::vector<std::string> placeNames()
{
    storage::DataSource comuni(std::filesystem::path(MIRELTA_DATABASE), {"COMUNI", {}, {}});
    comuni.refresh();
    std::vector<std::string> names;
    for (int row = 0; row < comuni.rowCount(); ++row) {
        names.push_back(comuni.valueAt(row, 0));
    }
    return names;
}

} // namespace

const std::string& personsFile(int rows)
{
    static std::string file;
    if (!file.empty()) {
        return file;
    }
    const std::array<const char*, 8> surnames = {"ROSSI",    "bianchi", "D'ANGELO", "DE LUCA",
                                                 "Esposito", "ROMANO",  "COLOMBO",  "RICCI"};
    const std::array<const char*, 6> names = {"MARIO", "anna maria", "GIANFRANCO",
                                              "LUCIA", "Paolo",      "GIULIA"};
    const std::vector<std::string> places = placeNames();
    std::mt19937 random(1974);
    const auto pick = [&](int low, int high) {
        return std::uniform_int_distribution<int>(low, high)(random);
    };
    std::ostringstream out;
    out << "cognome;nome;data;sesso;comune\n";
    char date[16];
    for (int i = 0; i < rows; ++i) {
        std::snprintf(date, sizeof date, "%02d/%02d/%04d", pick(1, 28), pick(1, 12),
                      pick(1900, 2025));
        out << surnames[static_cast<std::size_t>(pick(0, 7))] << ';'
            << names[static_cast<std::size_t>(pick(0, 5))] << ';' << date << ';'
            << (pick(0, 1) ? 'F' : 'M') << ';'
            << places[static_cast<std::size_t>(i) % places.size()] << '\n';
    }
    file = out.str();
    return file;
}
