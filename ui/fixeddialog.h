#pragma once

#include "ui/messages.h"

#include <QDialog>

#include <functional>
#include <memory>

class QAbstractButton;
class QPushButton;

namespace ui {

// The common frame of the program's windows: a fixed-size dialog without minimise and maximise
// buttons, with the program's icon, white and in the style's light colours whatever the theme,
// centred on the screen when shown. Its layout is drawn for a 12-pixel font: with the larger font
// of the user's desktop the window, its controls, their fonts and pictures grow in proportion,
// as far as the screen allows (see scaleLayout); captions still wider than their places are then
// made to fit (see fitCaptions). Enter presses the button that has the focus, else the window's
// default button when it names one and it can be pressed. Escape presses the window's escape
// button, when the window names one and it can be pressed, and otherwise does nothing; each window
// decides what its other keys do.
class FixedDialog : public QDialog {
    Q_OBJECT
public:
    FixedDialog(QWidget* parent, const QString& caption, QSize clientSize);

protected:
    void setEscapeButton(QAbstractButton* button) { escapeButton_ = button; }
    // The button Enter presses when the focus is on no button; it is drawn as the default.
    void setDefaultButton(QPushButton* button);

    // Runs once, when the window is first shown and its layout has grown with the font: for what
    // a window measures with the font in use.
    virtual void arrangeForFont() {}

    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    QAbstractButton* escapeButton_ = nullptr;
    QPushButton* defaultButton_ = nullptr;
    bool arranged_ = false;
};

// How much a window's layout, drawn for a 12-pixel font, grows for the font of `window`: never
// less than 1, and no more than lets the window fit the screen it is on.
double layoutScale(const QWidget* window);

// Makes `window` and every control placed in it `scale` times as large: places and sizes, fonts
// given their own size, grid columns and rows, and pictures (which labels and picture buttons
// draw to their size). Controls placed by a layout or inside another control are left to it.
void scaleLayout(QWidget* window, double scale);

// Opens the working window that `make` creates, modally over `owner`, and returns once it has
// closed; meanwhile the owner shows the hourglass. The window is created afresh and deleted when
// closed. `thenStillBusy`, when given, runs after the window has closed and before the owner's
// pointer is restored. A window that cannot read its data when it is created (it throws
// storage::DataError) is not opened: the owner tells the user why, and `thenStillBusy` does not
// run.
void showModally(QWidget* owner, const std::function<std::unique_ptr<QDialog>()>& make,
                 const std::function<void()>& thenStillBusy = {});

// The same for a window of type `Window` made from its owner alone.
template <typename Window>
void showModally(QWidget* owner, const std::function<void()>& thenStillBusy = {})
{
    showModally(
        owner, [owner] { return std::make_unique<Window>(owner); }, thenStillBusy);
}

} // namespace ui
