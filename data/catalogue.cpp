#include "data/catalogue.h"

#include <algorithm>

namespace refdata {

std::string SostituisciApici(std::string_view text)
{
    std::string replaced(text);
    std::replace(replaced.begin(), replaced.end(), '\'', '?');
    return replaced;
}

namespace catalogue {

std::string rowsWhere(std::string_view table, std::string_view criterion)
{
    return "Select * from " + std::string(table) + " where " + std::string(criterion);
}

std::string comuneCriterion(std::string_view name)
{
    return "[comune]like'" + SostituisciApici(name) + "'";
}

std::string capCriterion(std::string_view cap)
{
    return "[cap]like'" + SostituisciApici(cap) + "'";
}

std::string regionQuery(std::string_view region)
{
    return "Select * from cittaitaliane where [regione]like'" + SostituisciApici(region) + "'" +
           " order by [localita]";
}

std::string localityPrefixCriterion(std::string_view text)
{
    return "[localita]like'" + SostituisciApici(text) + "*'";
}

std::string localityContainingQuery(std::string_view text)
{
    return "Select * from cittaitaliane where [localita]like'" + std::string("*") +
           SostituisciApici(text) + "*'" + " order by [localita]";
}

} // namespace catalogue
} // namespace refdata
