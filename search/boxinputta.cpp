#include "search/boxinputta.h"

#include "ui/dialogresults.h"
#include "ui/validators.h"
#include "ui/widgets.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>

namespace {

constexpr const char* kDescriptionCaption = "Ricerca nella descrizione";

} // namespace

boxinputta::boxinputta(QWidget* parent)
    : FixedDialog(parent, QStringLiteral("    "), QSize(360, 172))
{
    setObjectName(QStringLiteral("boxinputta"));

    auto* tabs = new QTabWidget(this);
    tabs->setObjectName(QStringLiteral("tabbe1"));
    tabs->setAccessibleName(QStringLiteral("Ricerca"));
    tabs->setGeometry(6, 6, 348, 160);
    auto* page = new QWidget;
    tabs->addTab(page, QStringLiteral("Ricerca"));

    prompt_ = new QLabel(page);
    prompt_->setObjectName(QStringLiteral("Label"));
    prompt_->setGeometry(10, 10, 326, 16);

    textBox_ = new QLineEdit(page);
    textBox_->setObjectName(QStringLiteral("testo"));
    textBox_->setGeometry(10, 30, 326, 22);
    textBox_->setValidator(new ui::CapitalsValidator(this));
    ui::emptyClipboardOnEntry(textBox_, false);
    prompt_->setBuddy(textBox_);
    connect(textBox_, &QLineEdit::returnPressed, this, &boxinputta::okClicked);

    descriptionCaption_ = new QLabel(kDescriptionCaption, page);
    descriptionCaption_->setObjectName(QStringLiteral("Label1"));
    descriptionCaption_->setGeometry(10, 64, 150, 16);

    // Only the tick mark shows; the check box's own caption is cut off by its width.
    descriptionCheck_ = new QCheckBox(QStringLiteral(" Ricerca nella Descrizione"), page);
    descriptionCheck_->setObjectName(QStringLiteral("Check"));
    descriptionCheck_->setGeometry(164, 62, 18, 20);
    descriptionCheck_->setAccessibleName(kDescriptionCaption);
    descriptionCaption_->setBuddy(descriptionCheck_);

    auto* picture = new QLabel(page);
    picture->setObjectName(QStringLiteral("Image1_1"));
    picture->setAccessibleName(QStringLiteral("Lente"));
    picture->setPixmap(ui::picture("search"));
    picture->setGeometry(300, 58, 32, 32);

    auto* buttons = new ui::ButtonArray("bottone", this);
    buttons->addPushButton(0, QStringLiteral("&Ok"), page, QRect(206, 100, 60, 19));
    buttons->addPushButton(1, QStringLiteral("&Uscita"), page, QRect(272, 100, 60, 19));
    connect(buttons, &QButtonGroup::idClicked, this,
            [this](int index) { index == 0 ? okClicked() : exitClicked(); });
    setEscapeButton(buttons->button(1));
    textBox_->setFocus();
}

void boxinputta::setPrompt(const QString& prompt)
{
    prompt_->setText(prompt);
    textBox_->setAccessibleName(prompt);
}

void boxinputta::setMaxLength(int length)
{
    textBox_->setMaxLength(length);
}

void boxinputta::setDescriptionSearchEnabled(bool enabled)
{
    descriptionCheck_->setEnabled(enabled);
    descriptionCaption_->setEnabled(enabled);
}

void boxinputta::okClicked()
{
    results::TestoImmesso = textBox_->text();
    results::RicercaDescrizione = descriptionCheck_->checkState() != Qt::Unchecked ? 1 : 0;
    accept();
}

void boxinputta::exitClicked()
{
    textBox_->clear();
    reject();
}

// Left without "&Ok", by "&Uscita" or by the window's close box, the box gives no text, so the
// caller never acts on the text of an earlier search. The check-box choice is left as it was.
void boxinputta::reject()
{
    results::TestoImmesso.clear();
    FixedDialog::reject();
}
