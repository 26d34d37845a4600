#include "ui/validators.h"

namespace ui {

QValidator::State CapitalsValidator::validate(QString& input, int&) const
{
    // One character for one, so that the text keeps its length and the cursor its place.
    for (QChar& c : input) {
        c = c.toUpper();
    }
    return Acceptable;
}

} // namespace ui
