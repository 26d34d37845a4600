#include "calcwindow/sceltacomune.h"

#include "ui/widgets.h"

#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>

namespace {

constexpr const char* kTitle = "Scelta del luogo di nascita";
constexpr const char* kPrompt = "«%1» il %2 può essere uno di questi luoghi. Scegliere quello di "
                                "nascita:";
constexpr const char* kListName = "Luoghi possibili";
constexpr const char* kForeignMark = "stato estero";
enum Button { Choose = 0, Cancel = 1 }; // bottone

// "CASTRO (LE) — dal 28/05/1975 — M261"; a foreign state says so.
QString line(const refdata::Place& place, refdata::Day day)
{
    const std::string period = place.periodOnText(day);
    QString text = QString::fromStdString(place.describe(day)) + QStringLiteral(" — ") +
                   QString::fromStdString(period);
    if (place.isForeign() && period.find(kForeignMark) == std::string::npos) {
        text += QStringLiteral(" — ") + QString::fromUtf8(kForeignMark);
    }
    return text + QStringLiteral(" — ") + QString::fromStdString(place.code);
}

} // namespace

SceltaComune::SceltaComune(QWidget* parent, const QString& placeText,
                           const std::vector<const refdata::Place*>& places, refdata::Day birthDay)
    : FixedDialog(parent, QString::fromUtf8(kTitle), QSize(380, 236)), places_(places)
{
    setObjectName(QStringLiteral("SceltaComune"));

    auto* prompt = new QLabel(QString::fromUtf8(kPrompt).arg(
                                  placeText, QString::fromStdString(refdata::formatDay(birthDay))),
                              this);
    prompt->setObjectName(QStringLiteral("Label1"));
    prompt->setWordWrap(true);
    prompt->setGeometry(10, 8, 360, 36);

    list_ = new QListWidget(this);
    list_->setObjectName(QStringLiteral("List1"));
    list_->setAccessibleName(QString::fromUtf8(kListName));
    list_->setGeometry(10, 48, 360, 146);
    for (const refdata::Place* place : places_) {
        list_->addItem(line(*place, birthDay));
    }
    list_->setCurrentRow(0);
    prompt->setBuddy(list_);
    connect(list_, &QListWidget::itemActivated, this, &SceltaComune::choose);

    auto* buttons = new ui::ButtonArray("bottone", this);
    buttons->addPushButton(Choose, QStringLiteral("&Scegli"), this, QRect(214, 202, 76, 24));
    buttons->addPushButton(Cancel, QStringLiteral("&Annulla"), this, QRect(294, 202, 76, 24));
    connect(buttons, &QButtonGroup::idClicked, this,
            [this](int index) { index == Choose ? choose() : reject(); });
    list_->setFocus();
}

void SceltaComune::choose()
{
    const int row = list_->currentRow();
    if (row < 0 || row >= static_cast<int>(places_.size())) {
        return;
    }
    chosen_ = places_[static_cast<std::size_t>(row)];
    accept();
}

// Enter in the list chooses the line; Escape leaves without a choice.
void SceltaComune::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape) {
        reject();
        return;
    }
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
        focusWidget() == list_) {
        choose();
        return;
    }
    FixedDialog::keyPressEvent(event);
}
