#pragma once

#include "editors/tableeditor.h"

#include <QString>

#include <functional>
#include <string>

// The municipality editor: browse, add, change and delete the rows of COMUNI (name and cadastral
// code) of the database it is handed, export them to "ElencoComuni.html" beside it, and bring the
// table and the history of the codes up to date from the register's archive of municipalities
// ("A&ggiorna", see registerupdate.h). No two municipalities may share a name.
class TaSettori : public TableEditor {
    Q_OBJECT
public:
    explicit TaSettori(location::DatabaseName database, QWidget* parent = nullptr);

    // Asks the user for the register's file, from `folder`; empty when the user gives none. A file
    // dialog unless replaced (tests give their own file).
    using FileChooser = std::function<QString(QWidget* parent, const QString& folder)>;
    void setRegisterFileChooser(FileChooser chooser) { chooseRegisterFile_ = std::move(chooser); }

private:
    void updateFromRegister();
    std::string updateConfirmingAdditions(const std::string& file);

    FileChooser chooseRegisterFile_;
};
