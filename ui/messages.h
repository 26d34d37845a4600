#pragma once

#include <QString>

#include <functional>
#include <span>

class QWidget;

// Every message box of the program goes through here, so that title, text, icon, buttons and
// default button are always set the same way, and tests can answer in place of the user. The text
// is shown as plain text, whatever the data in it looks like.
namespace ui {

enum class Icon { Information, Error, Question };

struct Message {
    Icon icon = Icon::Information;
    QString title;
    QString text;
    bool yesNo = false; // Yes and No with No as the default, else a single OK
};

class MessagePresenter {
public:
    virtual ~MessagePresenter() = default;
    // Shows the message modally; true when the user answered Yes (or OK).
    virtual bool present(QWidget* parent, const Message& message) = 0;
};

// Replaces the real message boxes, for tests; nullptr restores them.
void setMessagePresenter(MessagePresenter* presenter);

inline constexpr const char* kAttention = "Attenzione";
inline constexpr const char* kInformation = "Informazione";

// A message with an OK button.
void inform(QWidget* parent, Icon icon, const QString& title, const QString& text);
// A question with Yes and No, No being the default; true for Yes.
bool ask(QWidget* parent, const QString& title, const QString& text);

// Runs `action`. A failure of the database or of a file that the action meets
// (storage::DataError: a file missing, damaged, locked or unwritable) ends it and is told to the
// user in its own words, with the error icon. Returns whether the action ran to its end.
bool reportingDataErrors(QWidget* parent, const std::function<void()>& action);

// A multi-line text: each line followed by carriage return and line feed.
QString lines(std::span<const char* const> lines);

} // namespace ui
