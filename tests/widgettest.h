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
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
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
