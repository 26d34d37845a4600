#include "ui/messages.h"

#include "storage/database.h"

#include <QMessageBox>

namespace ui {
namespace {

class RealMessageBoxes : public MessagePresenter {
public:
    bool present(QWidget* parent, const Message& message) override
    {
        const QMessageBox::Icon icons[] = {QMessageBox::Information, QMessageBox::Critical,
                                           QMessageBox::Question};
        QString shown = message.text;
        shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        QMessageBox box(icons[static_cast<int>(message.icon)], message.title, shown,
                        message.yesNo ? QMessageBox::Yes | QMessageBox::No : QMessageBox::Ok,
                        parent);
        box.setDefaultButton(message.yesNo ? QMessageBox::No : QMessageBox::Ok);
        box.setTextFormat(Qt::PlainText); // names from the data never read as markup
        return box.exec() != QMessageBox::No;
    }
};

RealMessageBoxes realMessageBoxes;
MessagePresenter* presenter = &realMessageBoxes;

} // namespace

void setMessagePresenter(MessagePresenter* replacement)
{
    presenter = replacement ? replacement : &realMessageBoxes;
}

void inform(QWidget* parent, Icon icon, const QString& title, const QString& text)
{
    presenter->present(parent, {icon, title, text, false});
}

bool ask(QWidget* parent, const QString& title, const QString& text)
{
    return presenter->present(parent, {Icon::Question, title, text, true});
}

bool reportingDataErrors(QWidget* parent, const std::function<void()>& action)
{
    try {
        action();
        return true;
    } catch (const storage::DataError& error) {
        inform(parent, Icon::Error, kAttention, QString::fromUtf8(error.what()));
        return false;
    }
}

QString lines(std::span<const char* const> lines)
{
    QString text;
    for (const char* line : lines) {
        text += QString::fromUtf8(line) + QStringLiteral("\r\n");
    }
    return text;
}

} // namespace ui
