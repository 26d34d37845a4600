#include "cadastrallookup.h"

namespace refdata {

CadastralLookup::CadastralLookup(std::string databaseName)
    : comuni_(std::move(databaseName), catalogue::kComuniTable)
{
    comuni_.setReadOnly(true);
    comuni_.refresh();
}

std::optional<std::string> CadastralLookup::Find(std::string_view municipality)
{
    comuni_.findFirst(catalogue::ComuneCriterion(municipality));
    if (comuni_.noMatch()) {
        return std::nullopt;
    }
    return comuni_.fieldValue("codice");
}

} // namespace refdata
