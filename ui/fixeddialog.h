#pragma once

#include "ui/messages.h"

#include <QDialog>

#include <functional>
#include <memory>

class QAbstractButton;

namespace ui {

// The common frame of the program's windows: a fixed-size dialog without minimise and maximise
// buttons, with the program's icon and a white background, centred on the screen when shown, its
// captions made to fit their places with the font the system gives (see fitCaptions). No
// button is the default: Enter presses only the button that has the focus. Escape presses the
// window's escape button, when the window names one and it can be pressed, and otherwise does
// nothing; each window decides what its other keys do.
class FixedDialog : public QDialog {
    Q_OBJECT
public:
    FixedDialog(QWidget* parent, const QString& caption, QSize clientSize);

protected:
    void setEscapeButton(QAbstractButton* button) { escapeButton_ = button; }

    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    QAbstractButton* escapeButton_ = nullptr;
};

// Opens a working window of type `Window` modally over `owner` and returns once it has closed;
// meanwhile the owner shows the hourglass. The window is created afresh and deleted when closed.
// `thenStillBusy`, when given, runs after the window has closed and before the owner's pointer is
// restored. A window that cannot read its data when it is created (it throws refdata::DataError)
// is not opened: the owner tells the user why, and `thenStillBusy` does not run.
template <typename Window>
void showModally(QWidget* owner, const std::function<void()>& thenStillBusy = {})
{
    owner->setCursor(Qt::WaitCursor);
    std::unique_ptr<Window> window;
    const bool created = reportingDataErrors(owner, [&] {
        try {
            window = std::make_unique<Window>(owner);
        } catch (...) {
            owner->unsetCursor(); // no hourglass behind the message
            throw;
        }
    });
    if (created) {
        window->exec();
        window.reset();
        if (thenStillBusy) {
            thenStillBusy();
        }
    }
    owner->unsetCursor();
}

} // namespace ui
