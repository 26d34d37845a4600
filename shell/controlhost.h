#pragma once

#include <QString>

class QWidget;

// Creates a control from a control plugin by its identifier, such as "CorvanBanner.FBanner", as a
// child of `parent`. The plugins are looked for in the program's own folder, then in its private
// library folder (location::kPrivateLibraryFolder), then in `extraFolder` when one is given. Only
// plugins whose metadata offer the identifier are loaded. Returns nullptr when no plugin can create
// the control; unreadable or foreign files are passed over, and nothing is thrown.
QWidget* createControl(const QString& identifier, QWidget* parent,
                       const QString& extraFolder = QString());
