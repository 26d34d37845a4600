// Mirelta: the fiscal code and the reference tables of municipalities and postal codes.
#include "shell/calcolocodicefiscale.h"
#include "shell/datafolder.h"
#include "ui/application.h"

#include <QApplication>

#include <filesystem>
#include <system_error>

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    ui::setUpApplication(application);
    // The one place where the folder the program was started in counts: the database is chosen
    // here. A folder that cannot be told (removed meanwhile) holds no database.
    std::error_code unknown;
    CalcoloCodiceFiscale window(chooseDatabase(std::filesystem::current_path(unknown)));
    window.show();
    return application.exec();
}
