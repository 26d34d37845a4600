#pragma once

#include "location/datalocation.h"
#include "shell/liveupdatelink.h"
#include "ui/fixeddialog.h"

#include <QList>

class QButtonGroup;
class QFrame;
class QLabel;
class QSessionManager;

namespace ui {
class ClickableLabel;
class PictureButton;
} // namespace ui

// The main window: the menu of the program. Hovering an oval or its panel shows its caption; a
// click on an oval, its caption or its panel runs the menu action of that entry, which opens a
// working window modally or leaves the program. Leaving always asks for confirmation. From the
// keyboard, Tab and the arrow keys go through the entries, Enter or Space opens the one with the
// focus, and Alt with the first letter of an entry's panel opens that entry. Every working window
// is handed the database the program works on.
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

    // Control plugins (the banner) are looked for in the program's folder, then in
    // `controlFolder` when one is given.
    explicit CalcoloCodiceFiscale(location::DatabaseName database, QWidget* parent = nullptr,
                                  const QString& controlFolder = {});

    void HideMenuCaptions();
    void RunMenuAction(qint16 code);

    // The program's title, given to the live-update service.
    static constexpr const char* kApplicationTitle = "Mirelta";
    LiveUpdateLink& liveUpdateLink() { return liveUpdate_; }

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildMenu();
    void buildDecoration();
    void addOvalPicture(const QString& name, const char* file, QRect area, QWidget* frame);
    void buildBanner(const QString& controlFolder);
    void startBanners();
    void showCaption(int index);
    bool confirmExit();
    void confirmSessionEnd(QSessionManager& manager);
    void startLiveUpdate();

    QList<QFrame*> menuFrames_;             // Frame1: the main menu, the postal-code menu
    QList<ui::PictureButton*> menuEntries_; // Image4, in the order of the menu entries
    QList<QLabel*> hoverCaptions_;          // Label3, in the same order
    QList<QObject*> panels_;                // SSPanel1, in the same order
    QWidget* banner_ = nullptr; // FBanner1; none when the banner control cannot be created
    bool exitConfirmed_ = false;
    LiveUpdateLink liveUpdate_;
    location::DatabaseName database_;
};
