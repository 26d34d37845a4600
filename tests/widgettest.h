#pragma once

#include "ui/messages.h"

// Mouse events go through the window system, so they reach the topmost control under the
// pointer, and a move without buttons is a real move (not only a cursor position).
#define QTEST_QPA_MOUSE_HANDLING

#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QElapsedTimer>
#include <QGroupBox>
#include <QHash>
#include <QHeaderView>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QStringList>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTest>
#include <QTimer>
#include <QWidget>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <deque>
#include <functional>
#include <vector>

// Stands in for the user at the program's message boxes: records every message, and the window
// it belonged to, and answers questions from a list (No when the list is empty).
class RecordedMessages : public ui::MessagePresenter {
public:
    RecordedMessages() { ui::setMessagePresenter(this); }
    ~RecordedMessages() override { ui::setMessagePresenter(nullptr); }

    bool present(QWidget* parent, const ui::Message& message) override
    {
        shown.push_back(message);
        parents.push_back(parent);
        if (onShow) {
            onShow(message);
        }
        if (!message.yesNo || answers.empty()) {
            return !message.yesNo;
        }
        const bool answer = answers.front();
        answers.pop_front();
        return answer;
    }

    const ui::Message& last() const { return shown.back(); }

    std::vector<ui::Message> shown;
    std::vector<QWidget*> parents; // the window each message belonged to
    std::deque<bool> answers;
    std::function<void(const ui::Message&)> onShow;
};

// How long a test waits for what the program does on its own (a window opening, a file written by
// another process): generous, so that a loaded machine never fails a test that would pass.
inline constexpr int kPatienceMs = 10'000;

// Runs `act` on the next modal window as soon as it is open (the caller then opens it with exec(),
// which returns once `act` has closed it). The test fails, and nothing hangs, when no modal window
// opens within kPatienceMs, or when `act` leaves it open (a failed assertion inside it): the
// window is then closed as by its close box, so that exec() returns.
inline void whenModalOpens(std::function<void(QWidget*)> act)
{
    auto* poll = new QTimer(QCoreApplication::instance());
    QElapsedTimer waited;
    waited.start();
    QObject::connect(poll, &QTimer::timeout, poll, [poll, act, waited] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal) {
            if (waited.hasExpired(kPatienceMs)) {
                poll->deleteLater();
                ADD_FAILURE() << "no modal window opened";
            }
            return;
        }
        poll->stop();
        poll->deleteLater();
        const QPointer<QWidget> opened(modal);
        act(modal);
        if (opened && opened->isVisible()) {
            ADD_FAILURE() << "the modal window " << opened->objectName().toStdString()
                          << " was left open";
            if (auto* dialog = qobject_cast<QDialog*>(opened.data())) {
                dialog->reject();
            } else {
                opened->close();
            }
        }
    });
    poll->start(10);
}

// Types `text` into `widget` one character at a time, as the keyboard sends it; unlike
// QTest::keyClicks it takes any character, accented letters included.
inline void typeText(QWidget* widget, const QString& text)
{
    for (QChar c : text) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
        QApplication::sendEvent(widget, &press);
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, QString(c));
        QApplication::sendEvent(widget, &release);
    }
}

// Shows a window and waits until it has the keyboard focus.
inline bool showActive(QWidget* window)
{
    window->show();
    window->activateWindow();
    return QTest::qWaitForWindowActive(window);
}

// The text a label or button shows: its '&' marks an access key, "&&" stands for '&'.
inline QString shownText(QString text, bool marksAccessKeys)
{
    if (marksAccessKeys) {
        text.replace(QStringLiteral("&&"), QStringLiteral("\x01")).remove('&').replace('\x01', '&');
    }
    return text;
}

// The captions of `window`, of its labels (hidden ones too: hover captions show later), panels,
// buttons, frames and column headers, that are wider than the room their control gives them with
// the font it uses, each as "name: text". A caption keeps clear of the edges of its panel (three
// pixels on either side) or button (one pixel).
inline QStringList clippedTexts(QWidget* window)
{
    QStringList clipped;
    const auto check = [&](const QWidget* control, const QString& text, int room) {
        const int needed = control->fontMetrics().horizontalAdvance(text);
        if (!text.trimmed().isEmpty() && needed > room) {
            clipped << QStringLiteral("%1: %2 (%3 > %4)")
                           .arg(control->objectName(), text)
                           .arg(needed)
                           .arg(room);
        }
    };
    for (QLabel* label : window->findChildren<QLabel*>()) {
        if (label->textFormat() == Qt::RichText || label->wordWrap()) {
            continue;
        }
        const int air = label->frameWidth() > 0 ? 6 : 0;
        check(label, shownText(label->text(), label->buddy() != nullptr),
              label->contentsRect().width() - 2 * label->margin() - std::max(label->indent(), 0) -
                  air);
    }
    for (QAbstractButton* button : window->findChildren<QAbstractButton*>()) {
        QStyleOptionButton option;
        option.initFrom(button);
        option.text = button->text();
        QStyle::SubElement contents = QStyle::SE_PushButtonContents;
        if (qobject_cast<QCheckBox*>(button)) {
            contents = QStyle::SE_CheckBoxContents;
        } else if (qobject_cast<QRadioButton*>(button)) {
            contents = QStyle::SE_RadioButtonContents;
        }
        const int room = button->style()->subElementRect(contents, &option, button).width() -
                         (qobject_cast<QPushButton*>(button) ? 2 : 0);
        check(button, shownText(button->text(), true), room);
    }
    for (QGroupBox* frame : window->findChildren<QGroupBox*>()) {
        check(frame, shownText(frame->title(), true), frame->width());
    }
    for (QHeaderView* header : window->findChildren<QHeaderView*>()) {
        if (header->isHidden()) {
            continue;
        }
        const int margin = header->style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, header);
        for (int section = 0; section < header->count(); ++section) {
            const QString title =
                header->model()->headerData(section, header->orientation()).toString();
            check(header->parentWidget(), title, header->sectionSize(section) - 2 * margin);
        }
    }
    return clipped;
}

// The text a control shows, with the part of the control it takes; empty for a control without
// text (a picture, a hot area). A label's text takes only its width and a line's height.
struct ShownText {
    QString text;
    QRect area; // in the control's parent
};
inline ShownText shownTextOf(QWidget* control)
{
    if (auto* label = qobject_cast<QLabel*>(control)) {
        if (label->text().isEmpty() || !label->pixmap().isNull()) {
            return {};
        }
        const QRect room = label->contentsRect();
        const QSize used(
            std::min(label->fontMetrics().horizontalAdvance(label->text()), room.width()),
            std::min(label->fontMetrics().height(), room.height()));
        const QRect text = label->wordWrap() ? room
                                             : QStyle::alignedRect(label->layoutDirection(),
                                                                   label->alignment(), used, room);
        return {label->text(), text.translated(label->pos())};
    }
    if (auto* button = qobject_cast<QAbstractButton*>(control);
        button && !button->text().isEmpty()) {
        return {button->text(), button->geometry()};
    }
    if (auto* box = qobject_cast<QLineEdit*>(control)) {
        return {box->text(), box->geometry()};
    }
    if (auto* frame = qobject_cast<QGroupBox*>(control)) {
        const int line = frame->fontMetrics().height() + 2;
        return {frame->title(), QRect(frame->pos(), QSize(frame->width(), line))};
    }
    return {};
}

// The texts of `window` that another text of the same frame covers, or that have less height
// than a line of their font, each as "name: text".
inline QStringList overlappingOrLowTexts(QWidget* window)
{
    QStringList faults;
    QList<QWidget*> controls;
    for (QWidget* control : window->findChildren<QWidget*>()) {
        if (control->isVisibleTo(window) && !control->objectName().isEmpty() &&
            !shownTextOf(control).area.isEmpty()) {
            controls << control;
        }
    }
    for (qsizetype i = 0; i < controls.size(); ++i) {
        QWidget* control = controls[i];
        const ShownText shown = shownTextOf(control);
        const int needed = control->fontMetrics().height();
        const int frame = qobject_cast<QLineEdit*>(control) ? 2 : 0;
        if (shown.area.height() - 2 * frame < needed) {
            faults << QStringLiteral("%1: %2 (alta %3 < %4)")
                          .arg(control->objectName(), shown.text)
                          .arg(shown.area.height())
                          .arg(needed);
        }
        for (qsizetype j = 0; j < i; ++j) {
            QWidget* other = controls[j];
            if (other->parentWidget() == control->parentWidget() &&
                shownTextOf(other).area.intersects(shown.area)) {
                faults << QStringLiteral("%1: %2 / %3")
                              .arg(control->objectName(), shown.text, other->objectName());
            }
        }
    }
    return faults;
}

// How far apart two colours are to the eye: 1 (the same) to 21 (black on white).
inline double contrast(const QColor& a, const QColor& b)
{
    const auto luminance = [](const QColor& c) {
        const auto linear = [](double v) {
            return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
        };
        return 0.2126 * linear(c.redF()) + 0.7152 * linear(c.greenF()) + 0.0722 * linear(c.blueF());
    };
    const double la = luminance(a);
    const double lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// The texts of `window`, as it is drawn, whose colour stands out from what is around them less
// than 3 to 1, each as "name: text". What is around a text is the colour most of its control's
// area has on screen. Disabled controls are left out.
inline QStringList unreadableTexts(QWidget* window)
{
    QStringList faults;
    const QImage shot = window->grab().toImage();
    const double ratio = shot.devicePixelRatio();
    for (QWidget* control : window->findChildren<QWidget*>()) {
        const ShownText shown = shownTextOf(control);
        if (!control->isVisibleTo(window) || !control->isEnabled() ||
            shown.text.trimmed().isEmpty()) {
            continue;
        }
        const QRect inWindow(control->parentWidget()->mapTo(window, shown.area.topLeft()),
                             shown.area.size());
        const QImage around = shot.copy(
            QRect((QPointF(inWindow.topLeft()) * ratio).toPoint(), inWindow.size() * ratio));
        QHash<QRgb, int> counts;
        for (int y = 0; y < around.height(); ++y) {
            for (int x = 0; x < around.width(); ++x) {
                ++counts[around.pixel(x, y)];
            }
        }
        QRgb background = 0;
        int most = -1;
        for (auto count = counts.cbegin(); count != counts.cend(); ++count) {
            if (count.value() > most) {
                most = count.value();
                background = count.key();
            }
        }
        const QColor text = control->palette().color(control->foregroundRole());
        const double seen = contrast(text, QColor(background));
        if (seen < 3) {
            faults << QStringLiteral("%1: %2 (%3 su %4, %5)")
                          .arg(control->objectName(), shown.text, text.name(),
                               QColor(background).name())
                          .arg(seen, 0, 'f', 1);
        }
    }
    return faults;
}

// The controls of `window` (those we named, shown with it) that screen readers would find
// without a name.
inline QStringList unnamedControls(QWidget* window)
{
    QStringList unnamed;
    for (QWidget* control : window->findChildren<QWidget*>()) {
        const QString name = control->objectName();
        if (name.isEmpty() || name.startsWith(QStringLiteral("qt_")) ||
            !control->isVisibleTo(window)) {
            continue;
        }
        QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(control);
        if (!accessible || accessible->text(QAccessible::Name).trimmed().isEmpty()) {
            unnamed << name;
        }
    }
    return unnamed;
}
