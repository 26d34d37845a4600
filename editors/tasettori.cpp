#include "editors/tasettori.h"

#include "data/birthplaces.h"
#include "data/catalogue.h"
#include "ui/twips.h"

namespace catalogue = refdata::catalogue;

namespace {

constexpr const char* kCodeShape =
    "Il codice catastale deve essere una lettera seguita da tre cifre, per esempio H501 !";

TableEditor::Definition municipalities()
{
    return {
        .objectName = "TaSettori",
        .caption = "Tabella Comuni per CF",
        .clientSize = ui::twipsSize(7680, 4200),
        .entryFrame = ui::twipsRect(120, 2880, 5960, 1215),
        .gridSource = catalogue::kComuniGridSource,
        .duplicateSource = catalogue::kComuniTable,
        .exportSource = catalogue::kComuniExportSource,
        .columns = {{"Comune", "COMUNE", 270}, {"Codice", "CODICE", 80}},
        .boxes = {{"Comune ", 1, ui::twipsPoint(120, 360), ui::twipsRect(960, 360, 4785, 285), 40},
                  {"Codice", 0, ui::twipsPoint(120, 720), ui::twipsRect(960, 720, 975, 285), 4,
                   TableEditor::Shape{refdata::isCadastralCode, kCodeShape, true}}},
        .requiredBoxes = {0, 1},
        .duplicateCriterion = catalogue::comuneCriterion,
        .deleteQuestion = "Cancello Comune selezionato ?",
        .deletedMessage = "Comune cancellato !",
        .duplicateMessage = "Comune già presente in archivio !",
        .commandsLockedDuringEntry = false,
        .okArea = ui::twipsRect(4160, 760, 765, 285),
        .cancelArea = ui::twipsRect(4920, 760, 855, 285),
        .page = {"Esportazione HTML dell'Elenco Comuni", 500, "Comune", 100, "Codice"},
        .exportFields = {"comune", "codice"},
        .trimSecondExportField = false,
        .exportFile = "ElencoComuni.html",
        .exportMessage = "Creato il file ElencoComuni.html",
    };
}

} // namespace

TaSettori::TaSettori(QWidget* parent) : TableEditor(parent, municipalities()) {}
