#include "calcwindow/sceltacomune.h"

#include "messages/texts.h"
#include "ui/widgets.h"

#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <QStyle>

#include <algorithm>

namespace {

constexpr const char* kTitle = "Scelta del luogo di nascita";
constexpr const char* kPrompt = "«%1» il %2 può essere uno di questi luoghi. Scegliere quello di "
                                "nascita:";
constexpr const char* kListName = "Luoghi possibili";
enum Button { Choose = 0, Cancel = 1 }; // bottone

// "CASTRO (LE) — dal 28/05/1975 — M261"; a foreign state says so.
QString line(const places::Place& place, fiscalcode::Day day)
{
    const std::string period = messages::periodOnText(place, day);
    QString text = QString::fromStdString(place.describe(day)) + QStringLiteral(" — ") +
                   QString::fromStdString(period);
    if (place.isForeign() && period.find(messages::kForeignState) == std::string::npos) {
        text += QStringLiteral(" — ") + QString::fromUtf8(messages::kForeignState);
    }
    return text + QStringLiteral(" — ") + QString::fromStdString(place.code);
}

} // namespace

SceltaComune::SceltaComune(QWidget* parent, const QString& placeText,
                           const std::vector<const places::Place*>& places,
                           fiscalcode::Day birthDay)
    : FixedDialog(parent, QString::fromUtf8(kTitle), QSize(380, 236)), places_(places)
{
    setObjectName(QStringLiteral("SceltaComune"));

    auto* prompt =
        new QLabel(QString::fromUtf8(kPrompt).arg(
                       placeText, QString::fromStdString(fiscalcode::formatDay(birthDay))),
                   this);
    prompt->setObjectName(QStringLiteral("Label1"));
    prompt->setWordWrap(true);
    prompt->setGeometry(10, 8, 360, 36);

    list_ = new QListWidget(this);
    list_->setObjectName(QStringLiteral("List1"));
    list_->setAccessibleName(QString::fromUtf8(kListName));
    list_->setGeometry(10, 48, 360, 146);
    for (const places::Place* place : places_) {
        list_->addItem(line(*place, birthDay));
    }
    list_->setCurrentRow(0);
    prompt->setBuddy(list_);
    connect(list_, &QListWidget::itemActivated, this, &SceltaComune::choose);

    buttons_ = new ui::ButtonArray("bottone", this);
    buttons_->addPushButton(Choose, QStringLiteral("&Scegli"), this, QRect(214, 202, 76, 24));
    buttons_->addPushButton(Cancel, QStringLiteral("&Annulla"), this, QRect(294, 202, 76, 24));
    connect(buttons_, &QButtonGroup::idClicked, this,
            [this](int index) { index == Choose ? choose() : reject(); });
    list_->setFocus();
}

// As wide as its longest line, so that no line is cut before its code, within the screen.
void SceltaComune::arrangeForFont()
{
    int longest = 0;
    for (int row = 0; row < list_->count(); ++row) {
        longest =
            std::max(longest, list_->fontMetrics().horizontalAdvance(list_->item(row)->text()));
    }
    const int scrollBar = list_->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, list_);
    const int itemMargins = 12;
    const int needed = longest + 2 * list_->frameWidth() + scrollBar + itemMargins;
    int grow = needed - list_->width();
    if (const QScreen* screen = this->screen()) {
        grow = std::min(grow, screen->availableGeometry().width() - 16 - width());
    }
    if (grow <= 0) {
        return;
    }
    setFixedSize(width() + grow, height());
    for (QWidget* wider : {static_cast<QWidget*>(list_), findChild<QWidget*>("Label1")}) {
        wider->resize(wider->width() + grow, wider->height());
    }
    for (QAbstractButton* button : buttons_->buttons()) {
        button->move(button->x() + grow, button->y());
    }
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
