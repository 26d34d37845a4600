#pragma once

#include <QAbstractButton>
#include <QButtonGroup>
#include <QCursor>
#include <QLabel>
#include <QPixmap>

class QLineEdit;
class QPushButton;

// Small controls shared by the program's windows.
namespace ui {

// The program's hand-shaped pointer, shown over buttons and clickable pictures.
QCursor handCursor();

// How much larger than the 12-pixel font the windows are drawn for `font` is; at least 1.
double fontScale(const QFont& font);

// One of the program's pictures by its name ("card"): drawn twice as fine when the screen has
// two pixels to the point or the windows grow with a larger font, so that it stays sharp.
QPixmap picture(const char* name);

// A picture that can be pressed like a button (and is one for screen readers), drawn to the size
// of its area. Without a picture it is an invisible hot area. It takes no keyboard focus unless
// given a focus policy; with the focus it shows a dotted ring inside its area (an oval, or a box
// for an area around a text) and Enter, like Space, presses it.
class PictureButton : public QAbstractButton {
    Q_OBJECT
public:
    enum class FocusRing { Oval, Box };

    PictureButton(const QString& accessibleName, QWidget* parent);

    void setPicture(const QPixmap& picture);
    void setFocusRing(FocusRing ring) { focusRing_ = ring; }

signals:
    void mouseMoved();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    QSize sizeHint() const override;

private:
    QPixmap picture_;
    FocusRing focusRing_ = FocusRing::Oval;
};

// A label that reports clicks.
class ClickableLabel : public QLabel {
    Q_OBJECT
public:
    using QLabel::QLabel;

signals:
    void clicked();

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
};

// Whether `event`, seen by a filter on `control` (which must also see its focus-out events), is
// the focus entering the control: moved there by the user or the program, or given with its
// window when that opens, but not coming back with the window after another program or a message
// box had the front.
bool isFocusEntry(QWidget* control, const QEvent* event);

// A control array of buttons: one group, each element named "<name>_<index>" (bottone_3,
// Option1_0); idClicked gives the index of the element pressed.
class ButtonArray : public QButtonGroup {
    Q_OBJECT
public:
    ButtonArray(const char* name, QObject* owner);

    // A push button with the program's hand pointer.
    QPushButton* addPushButton(int index, const QString& caption, QWidget* parent, QRect area);
    // Any other button: an option button, a picture.
    void addElement(int index, QAbstractButton* element, QRect area);

private:
    QString name_;
};

// Entering `box` (see isFocusEntry) empties the system clipboard and, with `selectText`, selects
// the box's whole text, so that typing replaces it.
void emptyClipboardOnEntry(QLineEdit* box, bool selectText);

// A caption on a raised grey panel; it reports clicks, like a ClickableLabel.
class CaptionPanel : public ClickableLabel {
    Q_OBJECT
public:
    CaptionPanel(const QString& caption, QWidget* parent);
};

// The width `label` gives its text: inside its frame, margins and indent, and on a framed label
// (a panel) with three pixels clear on either side.
int textRoom(const QLabel* label);

// Shows `text` in `label` whole when it fits, else shortened at its end with "…"; the whole text is
// then the label's tooltip (and its accessible description), so that it can still be read.
void showElided(QLabel* label, const QString& text);

// Makes the font of each caption of `window` that is wider than its place smaller, a pixel at a
// time, until it fits: labels and panels (hidden ones too), push buttons and option buttons. The
// captions keep their words; a font never goes below 8 pixels. Grid columns are made at least as
// wide as their titles.
void fitCaptions(QWidget* window);

} // namespace ui
