#pragma once

#include "location/datalocation.h"
#include "storage/datasource.h"
#include "ui/fixeddialog.h"
#include "ui/recordsetmodel.h"

#include <memory>

class QLabel;
class QLineEdit;
class QTableView;

namespace ui {
class CaptionPanel;
}

// The postal code search: the localities in a grid in name order, the postal code of the one under
// the cursor in large type and its name on a strip (both empty when the list is). The list can be
// narrowed to a region picked on the map, named over the list while in force (leaving the map
// without a pick keeps the list); "Tro&va " (or Enter) jumps to the first locality that begins
// with a text, shown in the middle of the list, or lists those whose name contains it, and says
// so when there is none. The window only reads the database it is handed.
class RicercaCAP : public ui::FixedDialog {
    Q_OBJECT
public:
    // Indexes of the buttons (bottone).
    enum Button { All = 0, Region = 1, Find = 2, Exit = 3 };

    // Throws storage::DataError when the localities cannot be read: there is no window to show.
    explicit RicercaCAP(location::DatabaseName database, QWidget* parent = nullptr);

private:
    void buildButtons();
    void bottoneClicked(int index);
    void showAll();
    void filterByRegion();
    void findLocality();
    void reopen(storage::Query query);
    void showRegion(const QString& region);
    QString notFound(const std::string& text);
    void gridClicked();

    storage::DataSource localities_; // Data1
    ui::RecordSetModel* model_ = nullptr;
    std::unique_ptr<ui::RecordSetGrid> grid_;
    QTableView* gridView_ = nullptr;
    QLabel* gridCaption_ = nullptr;        // over the grid: "Dati", and the region in force
    ui::CaptionPanel* locality_ = nullptr; // SSPanel1(15)
    QLineEdit* postalCode_ = nullptr;      // Text1
    QString region_;                       // the region in force, empty for all
};
