#pragma once

#include "ui/fixeddialog.h"

class QCheckBox;
class QLabel;
class QLineEdit;

// The program's own input box: one line of text and a check box for searching inside the
// description. The caller sets title, prompt, maximum length and whether the check box can be
// used, shows the box, then reads results::TestoImmesso and results::RicercaDescrizione.
// "&Ok" (or Enter in the text) accepts; "&Uscita", or closing the window, leaves the empty text.
class boxinputta : public ui::FixedDialog {
    Q_OBJECT
public:
    explicit boxinputta(QWidget* parent = nullptr);

    void setPrompt(const QString& prompt);
    void setMaxLength(int length);
    void setDescriptionSearchEnabled(bool enabled);

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void okClicked();
    void exitClicked();

    QLabel* label_ = nullptr;
    QLineEdit* testo_ = nullptr;
    QLabel* label1_ = nullptr;
    QCheckBox* check_ = nullptr;
    bool accepted_ = false;
};
