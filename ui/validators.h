#pragma once

#include <QValidator>

namespace ui {

// Turns the letters a-z into capitals as they enter a text field, typed or pasted; every other
// character, accented letters included, enters unchanged.
class CapitalsValidator : public QValidator {
    Q_OBJECT
public:
    using QValidator::QValidator;
    State validate(QString& input, int& position) const override;
};

} // namespace ui
