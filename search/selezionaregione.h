#pragma once

#include "ui/fixeddialog.h"

class QButtonGroup;

// The region picker: a map of Italy on which the user clicks a region's name, or reaches it with
// Tab or the arrow keys (a red box marks it) and picks it with Enter or Space. The choice is left
// in results::RegioneScelta; leaving without a choice, by "&Uscita", Escape or closing the window,
// leaves the empty text there, and the caller keeps what it had.
class SelezionaRegione : public ui::FixedDialog {
    Q_OBJECT
public:
    explicit SelezionaRegione(QWidget* parent = nullptr);

    // The region texts by click area, as the callers' queries expect them.
    static const char* const kRegions[20];

    void reject() override;

private:
    void setReadingOrder(QButtonGroup* areas, QWidget* exit);
    void regionClicked(int index);
};
