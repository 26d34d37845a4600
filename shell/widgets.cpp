#include "widgets.h"

#include <QMouseEvent>
#include <QPainter>

namespace ui {

QCursor HandCursor()
{
    // The fingertip of the pointer picture.
    static const QCursor hand(QPixmap(QStringLiteral(":/pictures/hand.png")), 9, 0);
    return hand;
}

PictureButton::PictureButton(const QString& accessibleName, QWidget* parent)
    : QAbstractButton(parent)
{
    setAccessibleName(accessibleName);
    setCursor(HandCursor());
    setFocusPolicy(Qt::NoFocus);
    setMouseTracking(true);
}

void PictureButton::setPicture(const QPixmap& picture, bool stretched)
{
    picture_ = picture;
    stretched_ = stretched;
    update();
}

void PictureButton::paintEvent(QPaintEvent*)
{
    if (picture_.isNull()) {
        return;
    }
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    if (stretched_) {
        painter.drawPixmap(rect(), picture_);
    } else {
        painter.drawPixmap(0, 0, picture_);
    }
}

void PictureButton::mouseMoveEvent(QMouseEvent* event)
{
    emit mouseMoved();
    QAbstractButton::mouseMoveEvent(event);
    event->accept(); // the move was this control's, not its parent's
}

QSize PictureButton::sizeHint() const
{
    return picture_.isNull() ? QSize(16, 16) : picture_.size();
}

void ClickableLabel::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) {
        emit clicked();
    }
    QLabel::mouseReleaseEvent(event);
}

CaptionPanel::CaptionPanel(const QString& caption, QWidget* parent) : QLabel(caption, parent)
{
    setFrameStyle(QFrame::Panel | QFrame::Raised);
    setLineWidth(1);
    setAlignment(Qt::AlignCenter);
    setAutoFillBackground(true);
    QPalette colours = palette();
    colours.setColor(QPalette::Window, QColor(226, 233, 232));
    setPalette(colours);
}

} // namespace ui
