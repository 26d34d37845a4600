#pragma once

#include <QValidator>

namespace ui {

// Turns small letters into capitals as they enter a text field, typed or pasted, accented letters
// included (ò becomes Ò); every other character enters unchanged.
class CapitalsValidator : public QValidator {
    Q_OBJECT
public:
    using QValidator::QValidator;
    State validate(QString& input, int& position) const override;
};

} // namespace ui
