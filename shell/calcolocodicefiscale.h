#pragma once

#include "fixeddialog.h"

#include <QList>

class QButtonGroup;
class QFrame;
class QLabel;
class QSessionManager;

namespace ui {
class ClickableLabel;
class PictureButton;
} // namespace ui

// The main window: the menu of the program. Hovering an oval shows its caption; a click on an
// oval or its caption runs the menu action of that entry, which opens a working window modally
// or leaves the program. Leaving always asks for confirmation.
class CalcoloCodiceFiscale : public ui::FixedDialog {
    Q_OBJECT
public:
    // Menu action codes.
    enum Action : qint16 {
        Calculate = 0,
        EditMunicipalities = 1,
        Exit = 2,
        SearchPostalCodes = 3,
        EditLocalities = 4
    };

    explicit CalcoloCodiceFiscale(QWidget* parent = nullptr);

    void HideMenuCaptions();
    void RunMenuAction(qint16 code);

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildMenu();
    void buildDecoration();
    void showCaption(int index);
    template <typename Window> void openModally();
    bool confirmExit();
    void confirmSessionEnd(QSessionManager& manager);

    QFrame* frame1_ = nullptr;
    QList<QLabel*> image3_;
    QList<ui::PictureButton*> image4_;
    QList<ui::ClickableLabel*> label3_;
    bool exitConfirmed_ = false;
};
