#pragma once

#include "editors/tableeditor.h"

// The municipality editor: browse, add, change and delete the rows of COMUNI (name and cadastral
// code), and export them to "ElencoComuni.html". No two municipalities may share a name.
class TaSettori : public TableEditor {
    Q_OBJECT
public:
    explicit TaSettori(QWidget* parent = nullptr);
};
