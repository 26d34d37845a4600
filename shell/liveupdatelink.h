#pragma once

#include <QLibrary>
#include <QString>

#include "corvanlu.h"

// The program's link to the live-update service: the library CorvanLU, bound by name at the first
// use (the program's own folder first, then its private library folder) and kept loaded until
// the program ends.
class LiveUpdateLink {
public:
    explicit LiveUpdateLink(QString programFolder);

    // The folder searched first, and passed to the service; before the first use only.
    void setProgramFolder(const QString& folder) { programFolder_ = folder; }

    // Asks the library to start the service for this product; the library tells the user itself
    // when the service is missing. Returns an empty text, or what went wrong in finding the
    // library, for the caller to show.
    QString start(const QString& productName);

private:
    QString bind();

    QString programFolder_;
    QLibrary library_;
    CorvanLiveUpdateFunction function_ = nullptr;
};
