#include "search/selezionaregione.h"

#include "ui/dialogresults.h"
#include "ui/twips.h"
#include "ui/widgets.h"

#include <QLabel>
#include <QPushButton>

#include <algorithm>
#include <utility>

const char* const SelezionaRegione::kRegions[20] = {
    "Liguria",        "Piemonte", "Valle d'Aosta", "Lombardia", "Trentino", "Friuli",   "Veneto",
    "Emilia Romagna", "Marche",   "Abruzzo",       "Molise",    "Puglia",   "Calabria", "Sicilia",
    "Basilicata",     "Campania", "Lazio",         "Umbria",    "Toscana",  "Sardegna"};

namespace {

// The click area over each region's name on the map, in twips.
const QRect kClickAreas[20] = {
    ui::twipsRect(720, 3120, 1095, 375),  ui::twipsRect(0, 2240, 1215, 375),
    ui::twipsRect(120, 640, 1695, 375),   ui::twipsRect(1800, 200, 1335, 375),
    ui::twipsRect(3360, 0, 2535, 285),    ui::twipsRect(4680, 800, 2415, 375),
    ui::twipsRect(4920, 1600, 975, 375),  ui::twipsRect(4440, 2100, 2175, 375),
    ui::twipsRect(5040, 2720, 975, 375),  ui::twipsRect(5160, 3160, 1095, 375),
    ui::twipsRect(6000, 3480, 855, 375),  ui::twipsRect(6240, 3960, 1095, 375),
    ui::twipsRect(6240, 5960, 1095, 375), ui::twipsRect(2520, 6840, 1095, 375),
    ui::twipsRect(3360, 5800, 1335, 375), ui::twipsRect(3240, 5280, 1335, 375),
    ui::twipsRect(2760, 4800, 735, 375),  ui::twipsRect(2280, 4280, 975, 375),
    ui::twipsRect(1440, 3560, 1095, 375), ui::twipsRect(0, 5440, 1215, 375),
};

} // namespace

SelezionaRegione::SelezionaRegione(QWidget* parent)
    : FixedDialog(parent, QStringLiteral("Seleziona la Regione"), ui::twipsSize(7305, 7530))
{
    setObjectName(QStringLiteral("SelezionaRegione"));

    auto* map = new QLabel(this);
    map->setObjectName(QStringLiteral("Image1"));
    map->setAccessibleName(QStringLiteral("Cartina d'Italia"));
    map->setPixmap(ui::picture("italy-map"));
    map->setGeometry(0, 0, 484, 499);

    // From the keyboard, Tab and the arrow keys go from name to name, Enter or Space picks it.
    auto* areas = new ui::ButtonArray("Image2", this);
    for (int i = 0; i < 20; ++i) {
        auto* area = new ui::PictureButton(QString::fromUtf8(kRegions[i]), this);
        area->setFocusPolicy(Qt::StrongFocus);
        area->setFocusRing(ui::PictureButton::FocusRing::Box);
        areas->addElement(i, area, kClickAreas[i]);
    }
    connect(areas, &QButtonGroup::idClicked, this, &SelezionaRegione::regionClicked);

    auto* exit = new QPushButton(QStringLiteral("&Uscita"), this);
    exit->setObjectName(QStringLiteral("bottone_3"));
    exit->setGeometry(ui::twipsRect(6120, 7080, 1005, 285));
    exit->setCursor(ui::handCursor());
    connect(exit, &QPushButton::clicked, this, &QDialog::reject);
    setEscapeButton(exit);
    setReadingOrder(areas, exit);
}

// Tab goes through the names as they are read on the map, top to bottom and left to right, then
// to "&Uscita"; the first has the focus when the map opens.
void SelezionaRegione::setReadingOrder(QButtonGroup* areas, QWidget* exit)
{
    QList<QAbstractButton*> order = areas->buttons();
    std::sort(order.begin(), order.end(), [](const QWidget* a, const QWidget* b) {
        return std::pair(a->y(), a->x()) < std::pair(b->y(), b->x());
    });
    for (qsizetype i = 1; i < order.size(); ++i) {
        setTabOrder(order[i - 1], order[i]);
    }
    setTabOrder(order.last(), exit);
    order.first()->setFocus();
}

void SelezionaRegione::regionClicked(int index)
{
    results::RegioneScelta = QString::fromUtf8(kRegions[index]);
    accept();
}

// However the picker is left without a pick, "&Uscita" or the window's close box, no region was
// chosen this time.
void SelezionaRegione::reject()
{
    results::RegioneScelta.clear();
    FixedDialog::reject();
}
