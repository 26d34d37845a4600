// Mirelta: the fiscal code and the reference tables of municipalities and postal codes.
#include "shell/calcolocodicefiscale.h"
#include "shell/datafolder.h"
#include "ui/application.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    ui::setUpApplication(application);
    enterDataFolder();
    CalcoloCodiceFiscale window;
    window.show();
    return application.exec();
}
