#include "ui/fixeddialog.h"

#include "ui/widgets.h"

#include <QAbstractScrollArea>
#include <QGroupBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLayout>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QTabWidget>
#include <QTableView>

#include <algorithm>
#include <cmath>
#include <utility>

namespace ui {

FixedDialog::FixedDialog(QWidget* parent, const QString& caption, QSize clientSize)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint |
                          Qt::WindowTitleHint | Qt::WindowCloseButtonHint)
{
    setWindowTitle(caption);
    setWindowIcon(QIcon(QStringLiteral(":/pictures/icon.png")));
    setFixedSize(clientSize);
    setAutoFillBackground(true);
    // The window is white, whatever the desktop's theme: all its colours are the style's light
    // ones, so that captions, boxes, buttons and grids write dark on light also when the theme
    // writes light on dark.
    QPalette colours = style()->standardPalette();
    colours.setColor(QPalette::Window, Qt::white);
    setPalette(colours);
}

void FixedDialog::setDefaultButton(QPushButton* button)
{
    defaultButton_ = button;
    button->setDefault(true);
}

void FixedDialog::showEvent(QShowEvent* event)
{
    if (!std::exchange(arranged_, true)) {
        scaleLayout(this, layoutScale(this));
        arrangeForFont();
    }
    // Only the window's own default button is one: a dialog would otherwise make its first button
    // one, and a button with the focus another.
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

namespace {

bool canPress(const QAbstractButton* button)
{
    return button && button->isEnabled() && button->isVisible();
}

} // namespace

void FixedDialog::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Enter:
    case Qt::Key_Return:
        // Enter presses the button that has the focus, as on any dialog, else the default one.
        if (auto* button = qobject_cast<QPushButton*>(focusWidget())) {
            if (button->isEnabled()) {
                button->click();
                return;
            }
        } else if (canPress(defaultButton_)) {
            defaultButton_->click();
            return;
        }
        event->ignore();
        return;
    case Qt::Key_Escape:
        if (canPress(escapeButton_)) {
            escapeButton_->click();
            return;
        }
        event->ignore();
        return;
    default:
        QDialog::keyPressEvent(event);
    }
}

double layoutScale(const QWidget* window)
{
    double scale = fontScale(window->font());
    if (const QScreen* screen = window->screen(); screen && scale > 1) {
        // Room for the window's frame, and for the desktop's panels.
        const QSize room = screen->availableGeometry().size() - QSize(16, 48);
        scale = std::min({scale, double(room.width()) / window->width(),
                          double(room.height()) / window->height()});
    }
    return std::max(scale, 1.0);
}

namespace {

int scaled(int length, double scale)
{
    return static_cast<int>(std::lround(length * scale));
}

// Edges are scaled, not sizes, so that controls that touched still touch.
QRect scaled(const QRect& area, double scale)
{
    const QPoint topLeft(scaled(area.x(), scale), scaled(area.y(), scale));
    const QPoint end(scaled(area.x() + area.width(), scale),
                     scaled(area.y() + area.height(), scale));
    return {topLeft, QSize(end.x() - topLeft.x(), end.y() - topLeft.y())};
}

// A font given its own size grows; one that takes its size from its window already has.
void scaleFont(QWidget* control, double scale)
{
    QFont font = control->font();
    if (!control->testAttribute(Qt::WA_SetFont) || !(font.resolveMask() & QFont::SizeResolved)) {
        return;
    }
    if (font.pixelSize() > 0) {
        font.setPixelSize(scaled(font.pixelSize(), scale));
    } else {
        font.setPointSizeF(font.pointSizeF() * scale);
    }
    control->setFont(font);
}

void scaleGrid(QTableView* grid, double scale)
{
    QHeaderView* columns = grid->horizontalHeader();
    for (int column = 0; column < columns->count(); ++column) {
        columns->resizeSection(column, scaled(columns->sectionSize(column), scale));
    }
    QHeaderView* rows = grid->verticalHeader();
    rows->setDefaultSectionSize(scaled(rows->defaultSectionSize(), scale));
}

// Whether the controls inside `control` are placed by the program (and so grow here), rather
// than by the control itself.
bool holdsPlacedControls(const QWidget* control)
{
    return !qobject_cast<const QAbstractScrollArea*>(control) &&
           (qobject_cast<const QFrame*>(control) || qobject_cast<const QGroupBox*>(control) ||
            control->metaObject() == &QWidget::staticMetaObject);
}

void scaleControls(QWidget* parent, double scale)
{
    for (QWidget* control : parent->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (control->isWindow()) {
            continue;
        }
        if (!parent->layout() || parent->layout()->indexOf(control) < 0) {
            control->setGeometry(scaled(control->geometry(), scale));
        }
        scaleFont(control, scale);
        if (auto* label = qobject_cast<QLabel*>(control); label && !label->pixmap().isNull()) {
            label->setScaledContents(true);
        }
        if (auto* grid = qobject_cast<QTableView*>(control)) {
            scaleGrid(grid, scale);
        } else if (auto* tabs = qobject_cast<QTabWidget*>(control)) {
            for (int page = 0; page < tabs->count(); ++page) {
                scaleControls(tabs->widget(page), scale);
            }
        } else if (holdsPlacedControls(control)) {
            scaleControls(control, scale);
        }
    }
}

} // namespace

void scaleLayout(QWidget* window, double scale)
{
    if (scale == 1.0) {
        return;
    }
    window->setFixedSize(scaled(QRect(QPoint(), window->size()), scale).size());
    scaleControls(window, scale);
}

void showModally(QWidget* owner, const std::function<std::unique_ptr<QDialog>()>& make,
                 const std::function<void()>& thenStillBusy)
{
    owner->setCursor(Qt::WaitCursor);
    std::unique_ptr<QDialog> window;
    const bool created = reportingDataErrors(owner, [&] {
        try {
            window = make();
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
