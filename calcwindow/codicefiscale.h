#pragma once

#include "location/datalocation.h"
#include "places/calculation.h"
#include "ui/fixeddialog.h"

#include <QMap>

class QLabel;
class QLineEdit;
class QPushButton;

namespace ui {
class ButtonArray;
class PictureButton;
} // namespace ui

// The calculation window: the user enters surname, given name, sex, place and date of birth, and
// "&Crea" shows the fiscal code on the picture of the paper card. The typed data is mirrored on
// the card while it is typed, shortened with "…" when longer than its line (the whole value in
// the line's tooltip). The card shows a code only while it is the code of that data: any change of
// the data takes it away. The small ".." button copies the code to the clipboard (there is nothing
// to copy without one); a code typed on the card is verified against the data; the question mark
// tells how far a computed code can be trusted. Enter computes, or verifies in the code's box.
// Places are read from the database the window is handed.
class CodiceFiscale : public ui::FixedDialog {
    Q_OBJECT
public:
    explicit CodiceFiscale(location::DatabaseName database, QWidget* parent = nullptr);

    // The text fields by their index: 1 surname, 22 given name, 6 place, 4 date, 0 the result.
    QLineEdit* text1(int index) const { return fields_.value(index); }

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void buildCard();
    void buildInputArea();
    QLineEdit* addField(QWidget* area, int index, const char* caption, int captionIndex, int top,
                        int width);
    QPushButton* addCornerButton(QWidget* card, const char* name, const char* caption,
                                 const char* accessibleName, const char* tip);
    void setTabOrder();

    void bottoneClicked(int index);
    places::CalculationInput person() const;
    void create();
    void verifyCode();
    void showCode(const QString& code);
    void forgetCode();
    void copyCode();
    void showReliabilityNotice();
    void openFromFile();

    QMap<int, QLineEdit*> fields_;              // Text1, by index
    QList<QLabel*> cardLines_;                  // Label3: surname, given name, place, date
    ui::ButtonArray* sexOptions_ = nullptr;     // Option1: M, F
    ui::ButtonArray* buttons_ = nullptr;        // bottone: Crea, Uscita
    QPushButton* copyButton_ = nullptr;         // Command1
    QPushButton* verifyButton_ = nullptr;       // Command2: "Verifica"
    QPushButton* fromFileButton_ = nullptr;     // Command3: "Da file…"
    ui::PictureButton* noticeButton_ = nullptr; // Image2
    location::DatabaseName database_;
};
