#include "ui/validators.h"

#include "data/textfold.h"

namespace ui {

QValidator::State CapitalsValidator::validate(QString& input, int&) const
{
    input = QString::fromStdString(refdata::capitals(input.toStdString()));
    return Acceptable;
}

} // namespace ui
