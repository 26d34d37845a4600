#pragma once

#include "ui/fixeddialog.h"

class QCheckBox;
class QLabel;
class QLineEdit;

// The program's own input box: one line of text and a check box for searching inside the
// description. The caller sets title, prompt, maximum length and whether the check box can be
// used, shows the box, then reads results::TestoImmesso and results::RicercaDescrizione.
// "&Ok" (or Enter in the text) accepts; "&Uscita", Escape or closing the window leaves the empty
// text.
class boxinputta : public ui::FixedDialog {
    Q_OBJECT
public:
    explicit boxinputta(QWidget* parent = nullptr);

    void setPrompt(const QString& prompt);
    void setMaxLength(int length);
    void setDescriptionSearchEnabled(bool enabled);

    void reject() override;

private:
    void okClicked();
    void exitClicked();

    QLabel* prompt_ = nullptr;              // Label
    QLineEdit* textBox_ = nullptr;          // testo
    QLabel* descriptionCaption_ = nullptr;  // Label1
    QCheckBox* descriptionCheck_ = nullptr; // Check
};
