// Mirelta: the fiscal code and the reference tables of municipalities and postal codes.
#include "ui/application.h"
#include "shell/calcolocodicefiscale.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    ui::SetUpApplication(application);
    CalcoloCodiceFiscale window;
    window.show();
    return application.exec();
}
