#include "editors/tasettori.h"

#include "places/birthplaces.h"
#include "storage/catalogue.h"
#include "storage/database.h"
#include "storage/registerupdate.h"
#include "ui/messages.h"
#include "ui/twips.h"
#include "ui/widgets.h"

#include <QFile>
#include <QFileDialog>
#include <QPushButton>

namespace catalogue = storage::catalogue;

namespace {

// Below the command frame, in line with its buttons.
const QRect kUpdateArea = ui::twipsRect(6360, 2880, 1005, 285);

constexpr const char* kCodeShape =
    "Il codice catastale deve essere una lettera seguita da tre cifre, per esempio H501 !";

TableEditor::Definition municipalities()
{
    return {
        .objectName = "TaSettori",
        .caption = "Tabella Comuni per CF",
        .clientSize = ui::twipsSize(7680, 4200),
        .entryFrame = ui::twipsRect(120, 2880, 5960, 1215),
        .rows = catalogue::municipalities,
        .columns = {{"Comune", "COMUNE", 270}, {"Codice", "CODICE", 80}},
        .boxes = {{"Comune ", 1, ui::twipsPoint(120, 360), ui::twipsRect(960, 360, 4785, 285), 40},
                  {"Codice", 0, ui::twipsPoint(120, 720), ui::twipsRect(960, 720, 975, 285), 4,
                   TableEditor::Shape{places::isCadastralCode, kCodeShape, true}}},
        .requiredBoxes = {0, 1},
        .rowsWithKey = catalogue::municipalitiesNamed,
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

QString askForRegisterFile(QWidget* parent, const QString& folder)
{
    return QFileDialog::getOpenFileName(
        parent, QStringLiteral("Elenco dei comuni del registro nazionale (ANPR)"), folder,
        QStringLiteral("File CSV (*.csv);;Tutti i file (*)"));
}

} // namespace

TaSettori::TaSettori(location::DatabaseName database, QWidget* parent)
    : TableEditor(parent, std::move(database), municipalities()),
      chooseRegisterFile_(askForRegisterFile)
{
    auto* update = new QPushButton(QStringLiteral("A&ggiorna"), this);
    update->setObjectName(QStringLiteral("registerUpdate"));
    update->setToolTip(
        QStringLiteral("Aggiorna comuni e codici catastali dall'elenco del registro nazionale"));
    update->setGeometry(kUpdateArea);
    update->setCursor(ui::handCursor());
    connect(update, &QPushButton::clicked, this, &TaSettori::updateFromRegister);
    addBrowsingCommand(update);
    setTabOrder(findChild<QPushButton*>(QStringLiteral("bottone_%1").arg(Exit)), update);
}

// Only while browsing, so that no entry in progress sees its rows change.
void TaSettori::updateFromRegister()
{
    if (mode() != Mode::Browsing) {
        return;
    }
    const QString file =
        chooseRegisterFile_(this, QString::fromStdU16String(database().folder().u16string()));
    if (file.isEmpty()) {
        return;
    }
    ui::reportingDataErrors(this, [this, &file] {
        const std::string summary =
            updateConfirmingAdditions(QFile::encodeName(file).toStdString());
        refreshGrid();
        if (!summary.empty()) {
            ui::inform(this, ui::Icon::Information, ui::kInformation,
                       QString::fromStdString(summary));
        }
    });
}

// A file that would add more municipalities than an update brings is written only when the user
// confirms it; the summary of what changed, or nothing when the user declined.
std::string TaSettori::updateConfirmingAdditions(const std::string& file)
{
    const storage::Database written(database());
    try {
        return storage::updateFromRegister(written, file).summary();
    } catch (const storage::DataError& refused) {
        if (refused.kind() != storage::DataError::Kind::TooManyMunicipalities) {
            throw;
        }
        if (!ui::ask(this, ui::kAttention,
                     QString::fromUtf8(refused.what()) +
                         QStringLiteral(" Aggiungerli comunque?"))) {
            return {};
        }
    }
    return storage::updateFromRegister(written, file, storage::Additions::Any).summary();
}
