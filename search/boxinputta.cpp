#include "search/boxinputta.h"

#include "ui/dialogresults.h"
#include "ui/validators.h"
#include "ui/widgets.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QClipboard>
#include <QCloseEvent>
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
    setWindowIcon(QIcon(QStringLiteral(":/pictures/icon.png")));

    auto* tabs = new QTabWidget(this);
    tabs->setObjectName(QStringLiteral("tabbe1"));
    tabs->setAccessibleName(QStringLiteral("Ricerca"));
    tabs->setGeometry(6, 6, 348, 160);
    auto* page = new QWidget;
    tabs->addTab(page, QStringLiteral("Ricerca"));

    label_ = new QLabel(page);
    label_->setObjectName(QStringLiteral("Label"));
    label_->setGeometry(10, 10, 326, 16);

    testo_ = new QLineEdit(page);
    testo_->setObjectName(QStringLiteral("testo"));
    testo_->setGeometry(10, 30, 326, 22);
    testo_->setValidator(new ui::CapitalsValidator(this));
    testo_->installEventFilter(this);
    label_->setBuddy(testo_);
    connect(testo_, &QLineEdit::returnPressed, this, &boxinputta::okClicked);

    label1_ = new QLabel(kDescriptionCaption, page);
    label1_->setObjectName(QStringLiteral("Label1"));
    label1_->setGeometry(10, 64, 150, 16);

    // Only the tick mark shows; the check box's own caption is cut off by its width.
    check_ = new QCheckBox(QStringLiteral(" Ricerca nella Descrizione"), page);
    check_->setObjectName(QStringLiteral("Check"));
    check_->setGeometry(164, 62, 18, 20);
    check_->setAccessibleName(kDescriptionCaption);
    label1_->setBuddy(check_);

    auto* picture = new QLabel(page);
    picture->setObjectName(QStringLiteral("Image1_1"));
    picture->setAccessibleName(QStringLiteral("Lente"));
    picture->setPixmap(QPixmap(QStringLiteral(":/pictures/search.png")));
    picture->setGeometry(300, 58, 32, 32);

    auto* buttons = new QButtonGroup(this);
    const char* captions[] = {"&Ok", "&Uscita"};
    for (int i = 0; i < 2; ++i) {
        auto* button = new QPushButton(captions[i], page);
        button->setObjectName(QStringLiteral("bottone_%1").arg(i));
        button->setGeometry(206 + 66 * i, 100, 60, 19);
        button->setCursor(ui::handCursor());
        buttons->addButton(button, i);
    }
    connect(buttons, &QButtonGroup::idClicked, this,
            [this](int index) { index == 0 ? okClicked() : exitClicked(); });
    testo_->setFocus();
}

void boxinputta::setPrompt(const QString& prompt)
{
    label_->setText(prompt);
    testo_->setAccessibleName(prompt);
}

void boxinputta::setMaxLength(int length)
{
    testo_->setMaxLength(length);
}

void boxinputta::setDescriptionSearchEnabled(bool enabled)
{
    check_->setEnabled(enabled);
    label1_->setEnabled(enabled);
}

void boxinputta::okClicked()
{
    results::TestoImmesso = testo_->text();
    results::RicercaDescrizione = check_->checkState() != Qt::Unchecked ? 1 : 0;
    accepted_ = true;
    close();
}

void boxinputta::exitClicked()
{
    testo_->clear();
    close();
}

// Closed without "&Ok", by "&Uscita" or by the window's close box, the box gives no text, so the
// caller never acts on the text of an earlier search. The check-box choice is left as it was.
void boxinputta::closeEvent(QCloseEvent* event)
{
    if (!accepted_) {
        results::TestoImmesso.clear();
    }
    FixedDialog::closeEvent(event);
}

// Entering the text box empties the clipboard.
bool boxinputta::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == testo_ && ui::isFocusEntry(testo_, event)) {
        QApplication::clipboard()->clear();
    }
    return FixedDialog::eventFilter(watched, event);
}
