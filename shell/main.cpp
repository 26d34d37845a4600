// Mirelta: the fiscal code and the reference tables of municipalities and postal codes.
#include "application.h"
#include "calcolocodicefiscale.h"
#include "datafolder.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    ui::SetUpApplication(application);
    ui::EnterDataFolder();
    CalcoloCodiceFiscale window;
    window.show();
    return application.exec();
}
