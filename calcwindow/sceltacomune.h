#pragma once

#include "places/birthplaces.h"
#include "ui/fixeddialog.h"

#include <vector>

class QListWidget;

namespace ui {
class ButtonArray;
}

// Asked when the place of birth fits several municipalities or states on the birth date: one line
// each, with name, province, the time it was in force and its cadastral code, foreign states
// marked as such; the window is as wide as its longest line, within the screen. "&Scegli" (or
// Enter, or a double click) takes the line chosen; "&Annulla", Escape or the close box take none.
class SceltaComune : public ui::FixedDialog {
    Q_OBJECT
public:
    SceltaComune(QWidget* parent, const QString& placeText,
                 const std::vector<const places::Place*>& places, fiscalcode::Day birthDay);

    // The place chosen, or nullptr when the window was left without a choice.
    const places::Place* chosen() const { return chosen_; }

protected:
    void arrangeForFont() override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void choose();

    std::vector<const places::Place*> places_;
    QListWidget* list_ = nullptr;        // List1
    ui::ButtonArray* buttons_ = nullptr; // bottone: Scegli, Annulla
    const places::Place* chosen_ = nullptr;
};
