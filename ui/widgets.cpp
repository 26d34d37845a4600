#include "ui/widgets.h"

#include <QApplication>
#include <QClipboard>
#include <QFocusEvent>
#include <QFontInfo>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QStyleOptionButton>

#include <algorithm>
#include <utility>

namespace ui {

QCursor handCursor()
{
    // The fingertip of the pointer picture.
    static const QCursor hand(QPixmap(QStringLiteral(":/pictures/hand.png")), 9, 0);
    return hand;
}

double fontScale(const QFont& font)
{
    constexpr double kLayoutFontPixels = 12; // the windows' layouts are drawn for it
    return std::max(1.0, QFontInfo(font).pixelSize() / kLayoutFontPixels);
}

QPixmap picture(const char* name)
{
    const QString file = QStringLiteral(":/pictures/%1").arg(QString::fromUtf8(name));
    if (qApp->devicePixelRatio() <= 1 && fontScale(QApplication::font()) <= 1) {
        return QPixmap(file + QStringLiteral(".png"));
    }
    QPixmap fine(file + QStringLiteral("@2x.png"));
    fine.setDevicePixelRatio(2);
    return fine;
}

PictureButton::PictureButton(const QString& accessibleName, QWidget* parent)
    : QAbstractButton(parent)
{
    setAccessibleName(accessibleName);
    setCursor(handCursor());
    setFocusPolicy(Qt::NoFocus);
    setMouseTracking(true);
}

void PictureButton::setPicture(const QPixmap& picture)
{
    picture_ = picture;
    update();
}

void PictureButton::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    if (!picture_.isNull()) {
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawPixmap(rect(), picture_);
    }
    if (!hasFocus()) {
        return;
    }
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(Qt::NoBrush);
    if (focusRing_ == FocusRing::Oval) {
        // On the face of the oval (or round picture) under the area, inside its rim, so that it
        // shows on an oval of any colour.
        painter.setPen(QPen(QColor(0, 0, 128), 1.5, Qt::DotLine));
        painter.drawEllipse(QRectF(rect()).adjusted(5.5, 5.5, -5.5, -5.5));
    } else {
        // Around the text, in a colour that stands out on any of the map's.
        painter.setPen(QPen(QColor(192, 0, 0), 2, Qt::DashLine));
        painter.drawRect(QRectF(rect()).adjusted(1, 1, -1, -1));
    }
}

void PictureButton::mouseMoveEvent(QMouseEvent* event)
{
    emit mouseMoved();
    QAbstractButton::mouseMoveEvent(event);
    event->accept(); // the move was this control's, not its parent's
}

void PictureButton::keyPressEvent(QKeyEvent* event)
{
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
        !(event->modifiers() & ~Qt::KeypadModifier)) {
        click();
        return;
    }
    QAbstractButton::keyPressEvent(event);
}

QSize PictureButton::sizeHint() const
{
    return picture_.isNull() ? QSize(16, 16) : picture_.deviceIndependentSize().toSize();
}

void ClickableLabel::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) {
        emit clicked();
    }
    QLabel::mouseReleaseEvent(event);
}

CaptionPanel::CaptionPanel(const QString& caption, QWidget* parent)
    : ClickableLabel(caption, parent)
{
    setFrameStyle(QFrame::Panel | QFrame::Raised);
    setLineWidth(1);
    setAlignment(Qt::AlignCenter);
    setAutoFillBackground(true);
    QPalette colours = palette();
    colours.setColor(QPalette::Window, QColor(226, 233, 232));
    setPalette(colours);
}

int textRoom(const QLabel* label)
{
    const int clear = label->frameWidth() > 0 ? 2 * 3 : 0;
    return label->contentsRect().width() - 2 * label->margin() - std::max(label->indent(), 0) -
           clear;
}

void showElided(QLabel* label, const QString& text)
{
    const QString shown = label->fontMetrics().elidedText(text, Qt::ElideRight, textRoom(label));
    const QString whole = shown == text ? QString() : text;
    label->setText(shown);
    label->setToolTip(whole);
    label->setAccessibleDescription(whole);
}

namespace {

// The caption as shown: an '&' marks the access key ("&&" is one '&').
QString shownCaption(const QString& caption)
{
    QString shown;
    for (qsizetype i = 0; i < caption.size(); ++i) {
        if (caption[i] == u'&' && i + 1 < caption.size()) {
            ++i;
        }
        shown += caption[i];
    }
    return shown;
}

// The caption of `control` and the width it has for it; no caption for other controls.
std::pair<QString, int> captionAndRoom(QWidget* control)
{
    if (auto* label = qobject_cast<QLabel*>(control)) {
        if (label->textFormat() == Qt::RichText || label->wordWrap()) {
            return {};
        }
        return {label->buddy() ? shownCaption(label->text()) : label->text(), textRoom(label)};
    }
    QStyleOptionButton option;
    option.initFrom(control);
    if (auto* button = qobject_cast<QPushButton*>(control)) {
        option.text = button->text();
        const QRect contents =
            button->style()->subElementRect(QStyle::SE_PushButtonContents, &option, button);
        return {shownCaption(button->text()), contents.width() - 2};
    }
    if (auto* radio = qobject_cast<QRadioButton*>(control)) {
        option.text = radio->text();
        const QRect contents =
            radio->style()->subElementRect(QStyle::SE_RadioButtonContents, &option, radio);
        return {shownCaption(radio->text()), contents.width()};
    }
    return {};
}

} // namespace

void fitCaptions(QWidget* window)
{
    for (QHeaderView* header : window->findChildren<QHeaderView*>()) {
        if (header->orientation() == Qt::Horizontal) {
            for (int section = 0; section < header->count(); ++section) {
                header->resizeSection(section, std::max(header->sectionSize(section),
                                                        header->sectionSizeHint(section)));
            }
        }
    }
    constexpr int kSmallestFont = 8;
    for (QWidget* control : window->findChildren<QWidget*>()) {
        const auto [caption, room] = captionAndRoom(control);
        while (!caption.trimmed().isEmpty() &&
               control->fontMetrics().horizontalAdvance(caption) > room) {
            QFont smaller = control->font();
            const int size = QFontInfo(smaller).pixelSize();
            if (size <= kSmallestFont) {
                break;
            }
            smaller.setPixelSize(size - 1);
            control->setFont(smaller);
        }
    }
}

// A control that lost the focus along with its window (another window or program in front, a
// message box open) gets it back with the window; that is not an entry.
bool isFocusEntry(QWidget* control, const QEvent* event)
{
    static const char* const kLeftWithWindow = "mireltaFocusLeftWithWindow";
    const auto type = event->type();
    if (type != QEvent::FocusIn && type != QEvent::FocusOut) {
        return false;
    }
    const auto reason = static_cast<const QFocusEvent*>(event)->reason();
    const bool withWindow = reason == Qt::ActiveWindowFocusReason || reason == Qt::PopupFocusReason;
    if (type == QEvent::FocusOut) {
        control->setProperty(kLeftWithWindow, withWindow);
        return false;
    }
    const bool returning = withWindow && control->property(kLeftWithWindow).toBool();
    control->setProperty(kLeftWithWindow, false);
    return !returning;
}

ButtonArray::ButtonArray(const char* name, QObject* owner)
    : QButtonGroup(owner), name_(QString::fromUtf8(name))
{}

QPushButton* ButtonArray::addPushButton(int index, const QString& caption, QWidget* parent,
                                        QRect area)
{
    auto* button = new QPushButton(caption, parent);
    button->setCursor(handCursor());
    addElement(index, button, area);
    return button;
}

void ButtonArray::addElement(int index, QAbstractButton* element, QRect area)
{
    element->setObjectName(QStringLiteral("%1_%2").arg(name_).arg(index));
    element->setGeometry(area);
    addButton(element, index);
}

namespace {

class ClipboardOnEntry : public QObject {
public:
    ClipboardOnEntry(QLineEdit* box, bool selectText) : QObject(box), selectText_(selectText) {}

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        auto* box = static_cast<QLineEdit*>(watched);
        if (isFocusEntry(box, event)) {
            QApplication::clipboard()->clear();
            if (selectText_) {
                box->selectAll();
            }
        }
        return false;
    }

private:
    bool selectText_;
};

} // namespace

void emptyClipboardOnEntry(QLineEdit* box, bool selectText)
{
    box->installEventFilter(new ClipboardOnEntry(box, selectText));
}

} // namespace ui
