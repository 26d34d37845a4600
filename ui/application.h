#pragma once

class QApplication;

namespace ui {

// Sets up the program's look and language: Italian texts on the standard buttons ("Sì", "No"),
// Italian formats, the small sans-serif type of the windows.
void setUpApplication(QApplication& application);

} // namespace ui
