#pragma once

#include <QDialog>

namespace ui {

// The common frame of the program's windows: a fixed-size dialog without minimise and maximise
// buttons, with a white background, centred on the screen when shown. Escape does not close it
// and Enter presses no button on its own: each window decides what its keys do.
class FixedDialog : public QDialog {
    Q_OBJECT
public:
    FixedDialog(QWidget* parent, const QString& caption, QSize clientSize);

protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
};

// Opens a working window of type `Window` modally over `owner` and returns once it has closed;
// meanwhile the owner shows the hourglass. The window is created afresh and deleted when closed.
template <typename Window> void ShowModally(QWidget* owner)
{
    owner->setCursor(Qt::WaitCursor);
    {
        Window window(owner);
        window.exec();
    }
    owner->unsetCursor();
}

} // namespace ui
