#include "storage/catalogue.h"

#include <string>

namespace storage {
namespace catalogue {
namespace {

using Test = Criterion::Test;

Criterion criterion(const char* column, Test test, std::string_view value)
{
    return {column, test, std::string(value)};
}

} // namespace

Query municipalities()
{
    return {kComuniTable, {}, "comune"};
}

Query municipalitiesNamed(std::string_view name)
{
    return {kComuniTable, {criterion("comune", Test::EqualsIgnoringCase, name)}, {}};
}

Query localities()
{
    return {kCittaTable, {}, "localita"};
}

Query localitiesWithPostalCode(std::string_view cap)
{
    return {kCittaTable, {criterion("cap", Test::EqualsIgnoringCase, cap)}, {}};
}

Query localitiesOfRegion(std::string_view region)
{
    return {kCittaTable, {criterion("regione", Test::Matches, region)}, "localita"};
}

Criterion localityBeginningWith(std::string_view text)
{
    return criterion("localita", Test::Matches, std::string(text) + "*");
}

Query localitiesContaining(std::string_view text)
{
    return {kCittaTable,
            {criterion("localita", Test::Matches, "*" + std::string(text) + "*")},
            "localita"};
}

} // namespace catalogue
} // namespace storage
