#include "search/ricercacap.h"

#include "search/boxinputta.h"
#include "search/selezionaregione.h"
#include "storage/catalogue.h"
#include "ui/dialogresults.h"
#include "ui/messages.h"
#include "ui/twips.h"
#include "ui/widgets.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>

namespace catalogue = storage::catalogue;

namespace {

constexpr const char* kNotFound = "Località non presente in archivio !";
// A locality that begins with the text lies in another region than the one in force.
constexpr const char* kInAnotherRegion = "Località non presente nella regione %1: %2 è in %3 !";
constexpr const char* kNoneContains = "Nessuna località contiene «%1» !";
const QString kGridCaption = QStringLiteral("Dati");

const std::vector<ui::RecordSetModel::Column> kColumns = {{"CAP", "CAP", 50},
                                                          {"Provincia", "Provincia", 60},
                                                          {"Localita", "Localita", 240},
                                                          {"Regione", "Regione", 100}};

} // namespace

RicercaCAP::RicercaCAP(location::DatabaseName database, QWidget* parent)
    : FixedDialog(parent, QStringLiteral("Ricerca CAP Italiani"), ui::twipsSize(7905, 6855)),
      localities_(std::move(database), catalogue::localities())
{
    setObjectName(QStringLiteral("RicercaCAP"));

    const ui::CaptionedGrid grid = ui::captionedGrid(this, QRect(8, 8, 511, 272), kGridCaption);
    gridCaption_ = grid.caption;
    gridView_ = grid.view;
    gridView_->setObjectName(QStringLiteral("grid"));
    model_ = new ui::RecordSetModel(localities_, kColumns, this);
    grid_ = std::make_unique<ui::RecordSetGrid>(gridView_, localities_, model_, kColumns);
    connect(gridView_->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            &RicercaCAP::gridClicked);
    connect(gridView_, &QTableView::clicked, this, &RicercaCAP::gridClicked);

    locality_ = new ui::CaptionPanel({}, this);
    locality_->setObjectName(QStringLiteral("SSPanel1_15"));
    locality_->setAccessibleName(QStringLiteral("Località"));
    locality_->setGeometry(8, 284, 511, 22);

    auto* codePanel = new ui::CaptionPanel({}, this);
    codePanel->setObjectName(QStringLiteral("SSPanel1_0"));
    codePanel->setAccessibleName(QStringLiteral("CAP"));
    codePanel->setGeometry(118, 318, 150, 74);
    postalCode_ = new QLineEdit(codePanel);
    postalCode_->setObjectName(QStringLiteral("Text1"));
    postalCode_->setAccessibleName(QStringLiteral("CAP"));
    postalCode_->setGeometry(8, 12, 134, 50);
    postalCode_->setAlignment(Qt::AlignCenter);
    postalCode_->setReadOnly(true); // it shows the postal code of the locality under the cursor
    postalCode_->setFocusPolicy(Qt::NoFocus); // and is no place to type in
    QFont large = postalCode_->font();
    large.setPointSize(24);
    large.setBold(true);
    postalCode_->setFont(large);

    auto* people = new QLabel(this);
    people->setObjectName(QStringLiteral("Image1"));
    people->setAccessibleName(QStringLiteral("Persone"));
    people->setPixmap(ui::picture("people"));
    people->setGeometry(372, 308, 150, 146);

    buildButtons();
    grid_->refresh(); // a table that cannot be read keeps the window from opening
    gridClicked();
}

void RicercaCAP::buildButtons()
{
    auto* buttons = new ui::ButtonArray("bottone", this);
    buttons->addPushButton(All, QStringLiteral("&Tutti"), this, QRect(16, 330, 92, 24));
    buttons->addPushButton(Region, QStringLiteral("&Regione"), this, QRect(16, 362, 92, 24));
    // Enter searches, whatever has the focus but another button.
    setDefaultButton(
        buttons->addPushButton(Find, QStringLiteral("Tro&va "), this, QRect(276, 330, 88, 24)));
    buttons->addPushButton(Exit, QStringLiteral("&Uscita"), this, QRect(276, 362, 88, 24));
    connect(buttons, &QButtonGroup::idClicked, this, &RicercaCAP::bottoneClicked);
}

void RicercaCAP::bottoneClicked(int index)
{
    ui::reportingDataErrors(this, [this, index] {
        switch (index) {
        case All:
            showAll();
            break;
        case Region:
            filterByRegion();
            break;
        case Find:
            findLocality();
            break;
        case Exit:
            close();
            break;
        }
    });
}

// Runs a new query; the grid shows its rows from the first, and the display follows.
void RicercaCAP::reopen(storage::Query query)
{
    localities_.setQuery(std::move(query));
    ui::reportingDataErrors(this, [this] { grid_->refresh(); });
    gridClicked();
}

// The region whose localities the list holds, beside the list; none for every region.
void RicercaCAP::showRegion(const QString& region)
{
    region_ = region;
    const QString shown = region.isEmpty() ? QString() : QStringLiteral("Regione: %1").arg(region);
    gridCaption_->setText(shown.isEmpty() ? kGridCaption : kGridCaption + " - " + shown);
    gridView_->setAccessibleDescription(shown);
}

void RicercaCAP::showAll()
{
    showRegion({});
    reopen(catalogue::localities());
}

// The map left without a choice changes nothing.
void RicercaCAP::filterByRegion()
{
    ui::showModally<SelezionaRegione>(this, [this] {
        const QString region = results::RegioneScelta;
        if (!region.isEmpty()) {
            showRegion(region);
            reopen(catalogue::localitiesOfRegion(region.toStdString()));
        }
    });
}

void RicercaCAP::findLocality()
{
    if (model_->rowCount() == 0) {
        return;
    }
    {
        boxinputta box(this);
        box.setWindowTitle(QStringLiteral("Ricerca per Località"));
        box.setPrompt(QStringLiteral("Immettere Località da ricercare"));
        box.setMaxLength(80);
        box.setDescriptionSearchEnabled(true);
        box.exec();
    }
    const std::string text = results::TestoImmesso.toStdString();
    if (text.empty()) {
        return;
    }
    if (results::RicercaDescrizione == 0) {
        localities_.findFirst(catalogue::localityBeginningWith(text));
        if (!localities_.noMatch()) {
            grid_->selectRow(localities_.currentRow());
        }
    } else {
        // The localities of every region that contain the text: no region is in force any more.
        showRegion({});
        localities_.setQuery(catalogue::localitiesContaining(text));
        grid_->refresh();
        gridClicked();
        if (model_->rowCount() == 0) {
            ui::inform(this, ui::Icon::Information, ui::kAttention,
                       QString::fromUtf8(kNoneContains).arg(results::TestoImmesso));
        }
    }
    if (localities_.noMatch()) {
        ui::inform(this, ui::Icon::Information, ui::kAttention, notFound(text));
    }
}

// What a prefix search that found nothing says: where the locality is, when it lies outside the
// region in force.
QString RicercaCAP::notFound(const std::string& text)
{
    if (region_.isEmpty()) {
        return QString::fromUtf8(kNotFound);
    }
    storage::DataSource everywhere(localities_.databaseName(), catalogue::localities());
    everywhere.refresh();
    everywhere.findFirst(catalogue::localityBeginningWith(text));
    if (everywhere.noMatch()) {
        return QString::fromUtf8(kNotFound);
    }
    return QString::fromUtf8(kInAnotherRegion)
        .arg(region_, QString::fromStdString(everywhere.fieldValue("Localita")).trimmed(),
             QString::fromStdString(everywhere.fieldValue("Regione")));
}

// Shows the postal code and the locality of the record under the grid's cursor; an empty list
// shows none.
void RicercaCAP::gridClicked()
{
    const int row = grid_->selectedRow();
    if (model_->rowCount() == 0 || row < 0) {
        postalCode_->clear();
        ui::showElided(locality_, {});
        return;
    }
    postalCode_->setText(model_->text(row, 0));
    ui::showElided(locality_, model_->text(row, 2));
}
