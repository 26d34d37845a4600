#include "ui/fixeddialog.h"

#include "ui/widgets.h"

#include <QKeyEvent>
#include <QPushButton>
#include <QScreen>

namespace ui {

FixedDialog::FixedDialog(QWidget* parent, const QString& caption, QSize clientSize)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint |
                          Qt::WindowTitleHint | Qt::WindowCloseButtonHint)
{
    setWindowTitle(caption);
    setWindowIcon(QIcon(QStringLiteral(":/pictures/icon.png")));
    setFixedSize(clientSize);
    setAutoFillBackground(true);
    QPalette colours = palette();
    colours.setColor(QPalette::Window, Qt::white);
    setPalette(colours);
}

void FixedDialog::showEvent(QShowEvent* event)
{
    // No button is the window's default: a dialog would otherwise make its first button one.
    for (auto* button : findChildren<QPushButton*>()) {
        button->setAutoDefault(false);
    }
    fitCaptions(this); // whatever font the system gives

    if (const QScreen* screen = this->screen()) {
        QRect frame = frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
    QDialog::showEvent(event);
}

void FixedDialog::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Enter:
    case Qt::Key_Return:
        // Enter presses the button that has the focus, as on any dialog, and nothing else.
        if (auto* button = qobject_cast<QPushButton*>(focusWidget());
            button && button->isEnabled()) {
            button->click();
            return;
        }
        event->ignore();
        return;
    case Qt::Key_Escape:
        if (escapeButton_ && escapeButton_->isEnabled() && escapeButton_->isVisible()) {
            escapeButton_->click();
            return;
        }
        event->ignore();
        return;
    default:
        QDialog::keyPressEvent(event);
    }
}

} // namespace ui
