#include "storage/catalogue.h"

#include "text/likepattern.h"

namespace storage {
namespace catalogue {
namespace {

// The user's text inside a quoted pattern: through text::SostituisciApici, and with each NUL byte,
// which cannot stand between quotes, joined in as char(0), so that the text is looked for as it is.
std::string patternText(std::string_view text)
{
    std::string pattern;
    for (char c : text::SostituisciApici(text)) {
        if (c == '\0') {
            pattern += "' || char(0) || '";
        } else {
            pattern += c;
        }
    }
    return pattern;
}

} // namespace

std::string rowsWhere(std::string_view table, std::string_view criterion)
{
    return "Select * from " + std::string(table) + " where " + std::string(criterion);
}

std::string comuneCriterion(std::string_view name)
{
    return "[comune]like'" + patternText(name) + "'";
}

std::string capCriterion(std::string_view cap)
{
    return "[cap]like'" + patternText(cap) + "'";
}

std::string regionQuery(std::string_view region)
{
    return "Select * from cittaitaliane where [regione]like'" + patternText(region) + "'" +
           " order by [localita]";
}

std::string localityPrefixCriterion(std::string_view text)
{
    return "[localita]like'" + patternText(text) + "*'";
}

std::string localityContainingQuery(std::string_view text)
{
    return "Select * from cittaitaliane where [localita]like'" + std::string("*") +
           patternText(text) + "*'" + " order by [localita]";
}

} // namespace catalogue
} // namespace storage
