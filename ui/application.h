#pragma once

class QApplication;

namespace ui {

// Sets up the program's look and language: Italian texts on the standard buttons ("Sì", "No"),
// Italian formats, the sans-serif type of the windows in the size of the desktop's font.
void setUpApplication(QApplication& application);

} // namespace ui
