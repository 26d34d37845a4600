#pragma once

#include "editors/tableeditor.h"

// The localities editor: browse, add, change and delete the rows of CittaItaliane (postal code,
// province, locality, region) of the database it is handed, pick the region on the map, and
// export postal codes and localities to "ElencoCittà.html" beside it. A postal code is five digits
// and a province two letters, kept in capitals; no two rows may share both postal code and
// locality.
class TaCitta : public TableEditor {
    Q_OBJECT
public:
    enum { Region = 6 }; // the entry frame's "&Regione" button

    explicit TaCitta(location::DatabaseName database, QWidget* parent = nullptr);

protected:
    void entryButtonClicked(int index) override;
};
