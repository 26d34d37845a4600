#include "editors/tacitta.h"

#include "search/selezionaregione.h"
#include "storage/catalogue.h"
#include "ui/dialogresults.h"
#include "ui/twips.h"

#include <QLineEdit>
#include <QPushButton>

#include <algorithm>
#include <string_view>

namespace catalogue = storage::catalogue;

namespace {

constexpr const char* kPostalCodeShape = "Il CAP deve essere di cinque cifre, per esempio 00118 !";
constexpr const char* kProvinceShape =
    "La provincia deve essere la sigla di due lettere, per esempio RM !";

bool isPostalCode(std::string_view value)
{
    return value.size() == 5 &&
           std::all_of(value.begin(), value.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// In capitals, as the box gives it to the check.
bool isProvince(std::string_view value)
{
    return value.size() == 2 &&
           std::all_of(value.begin(), value.end(), [](char c) { return c >= 'A' && c <= 'Z'; });
}

TableEditor::Definition localities()
{
    return {
        .objectName = "TaCitta",
        .caption = "Tabella CIttà per CAP Italiani",
        .clientSize = ui::twipsSize(7650, 5055),
        .entryFrame = ui::twipsRect(120, 2880, 5960, 2055),
        .rows = catalogue::localities,
        .columns = {{"CAP", "CAP", 60},
                    {"Provincia", "Provincia", 65},
                    {"Localita", "Localita", 150},
                    {"Regione", "Regione", 80}},
        .boxes = {{"CAP", 1, ui::twipsPoint(120, 360), ui::twipsRect(960, 360, 1305, 285), 5,
                   TableEditor::Shape{isPostalCode, kPostalCodeShape, false}},
                  {"Provincia", 0, ui::twipsPoint(3960, 360), ui::twipsRect(4800, 360, 975, 285), 2,
                   TableEditor::Shape{isProvince, kProvinceShape, true}},
                  {"Località", 2, ui::twipsPoint(120, 720), ui::twipsRect(960, 720, 4815, 285), 80},
                  {"Regione", 3, ui::twipsPoint(120, 1080), ui::twipsRect(960, 1080, 4815, 285),
                   30}},
        .requiredBoxes = {0, 1},
        // Many municipalities share a postal code, and a municipality may have several: a row is
        // a duplicate only with the postal code and the locality of another.
        .keyBoxes = {0, 2},
        .rowsWithKey = catalogue::localitiesWithPostalCode,
        .deleteQuestion = "Cancello CAP selezionato ?",
        .deletedMessage = "CAP cancellato !",
        .duplicateMessage = "CAP e località già presenti in archivio !",
        .commandsLockedDuringEntry = true,
        .okArea = ui::twipsRect(4160, 1560, 765, 285),
        .cancelArea = ui::twipsRect(4920, 1560, 855, 285),
        .page = {"Esportazione HTML dell'Elenco Città Italiane", 100, "CAP", 300, "Città"},
        .exportFields = {"cap", "localita"},
        .trimSecondExportField = true,
        .exportFile = "ElencoCittà.html",
        .exportMessage = "Creato il file ElencoCitta.html",
    };
}

} // namespace

TaCitta::TaCitta(location::DatabaseName database, QWidget* parent)
    : TableEditor(parent, std::move(database), localities())
{
    QLineEdit* region = text1(3);
    region->setReadOnly(true);
    region->setFocusPolicy(Qt::ClickFocus); // not reached by Tab
    QPushButton* regionButton =
        addEntryButton(Region, "&Regione", ui::twipsRect(2880, 1560, 1245, 285));
    setTabOrder(text1(2), regionButton); // left to right, before Ok and Annulla
}

// The region box takes the region picked on the map; leaving the map without a pick keeps it.
void TaCitta::entryButtonClicked(int index)
{
    if (index != Region) {
        return;
    }
    ui::showModally<SelezionaRegione>(this);
    if (!results::RegioneScelta.isEmpty()) {
        text1(3)->setText(results::RegioneScelta);
    }
}
