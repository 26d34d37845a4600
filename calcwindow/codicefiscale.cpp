#include "calcwindow/codicefiscale.h"

#include "batchwindow/codicidafile.h"
#include "calcwindow/sceltacomune.h"
#include "location/datalocation.h"
#include "messages/texts.h"
#include "places/birthplaces.h"
#include "places/calculation.h"
#include "places/verification.h"
#include "storage/birthplacefile.h"
#include "storage/catalogue.h"
#include "storage/database.h"
#include "text/textfold.h"
#include "ui/messages.h"
#include "ui/twips.h"
#include "ui/validators.h"
#include "ui/widgets.h"

#include <QApplication>
#include <QClipboard>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

namespace {

// The window's own texts; the messages of the checks and the look-up are the rules' texts.
namespace texts {
using messages::kGivenNameCaption;
using messages::kSurnameCaption;
constexpr const char* kWindowTitle = "Raccolta dati e calcolo Codice Fiscale";
constexpr const char* kHeading = "Raccolta dati per il calcolo del Codice Fiscale";
constexpr const char* kPlaceCaption = "Nato a";
constexpr const char* kDateCaption = "Nato il";
constexpr const char* kMale = "M";
constexpr const char* kFemale = " F";
constexpr const char* kCreate = "&Crea";
constexpr const char* kExit = "&Uscita";
constexpr const char* kCopy = "..";
constexpr const char* kCopyName = "Copia il codice fiscale";
constexpr const char* kCopyTip =
    "Copia il codice fiscale: lo inserisce in memoria, per incollarlo in altre applicazioni";
constexpr const char* kResultName = "Codice Fiscale";
constexpr const char* kNoticeName = "Avvertenza";
constexpr const char* kVerify = "Verifica";
constexpr const char* kVerifyTip = "Verifica il codice fiscale scritto sulla tessera";
constexpr const char* kFromFile = "&Da file…";
constexpr const char* kFromFileName = "Codici fiscali da file";
constexpr const char* kFromFileTip =
    "Calcola o verifica i codici fiscali di un intero elenco, da un file CSV";

// What a verification says.
constexpr const char* kNotValidCode = "Codice fiscale non valido: %1 !";
constexpr const char* kSexCaption = "Sesso";
constexpr const char* kValidCode = "Codice fiscale valido.";
constexpr const char* kValidOmocodia =
    "Codice fiscale valido, con omocodia: il codice di base è %1.";
constexpr const char* kDecodedSex = "Sesso: %1";
constexpr const char* kDecodedDate = "Nato il: %1";
constexpr const char* kDecodedPlace = "Nato a: %1, codice catastale %2";
constexpr const char* kAgrees = "Le lettere del campo %1 corrispondono al codice.";
constexpr const char* kDisagrees = "Le lettere del campo %1 NON corrispondono al codice.";
constexpr const char* kFieldAgrees = "Il campo %1 corrisponde al codice.";
constexpr const char* kFieldDisagrees = "Il campo %1 NON corrisponde al codice.";
// A valid code that some field contradicts is not the code of the card's data.
constexpr const char* kCodeRemoved =
    "Il codice %1 non è quello dei dati inseriti e non resta sulla tessera.";

// Multi-line notices, one entry per line; each line is shown followed by CR LF.
constexpr const char* kCopyNotice[] = {
    "ATTENZIONE Il numero generato verrà",
    "inserito nella memoria del Sistema Operativo",
    " e può essere riutilizzato senza essere digitato",
    " nuovamente in qualsiasi applicazione che ",
    "supporti il copia e incolla.",
    " ",
};
constexpr const char* kReliabilityNotice[] = {
    "ATTENZIONE Il numero generato corrisponde",
    "alle regole del D.M. del 12.3.1974 Non si può essere",
    "assolutamente certi che il codice fiscale così calcolato",
    "sia veritiero. Esistono infatti dei rari casi in cui il",
    "sistema genera due codici identici (caso di due persone",
    "con nome e cognome molto simili, nati lo stesso giorno, nello",
    "stesso comune)e il Ministero delle Finanze provvede alla",
    "sostituzione di uno dei numeri con una lettera progressiva.",
};
} // namespace texts

// The indexes of the controls that form arrays.
enum Field { Result = 0, Surname = 1, GivenName = 22, Place = 6, Date = 4 }; // Text1
enum Button { Create = 0, Exit = 3 };                                        // bottone

constexpr QSize kClientSize(344, 382);

// Where the card picture shows its lines, in card pixels.
constexpr QPoint kCardOrigin(8, 6);
constexpr QRect kCodeBox(104, 58, 190, 22);
constexpr QRect kCopyButton(296, 59, 18, 20);
// The small "Verifica" button sits in the card's blank bottom-right corner, ending here; the
// small "Da file…" button in its bottom-left corner, from here.
constexpr QPoint kVerifyTopRight(321, 175);
constexpr QPoint kFromFileTopLeft(9, 175);
constexpr int kVerifyHeight = 17;
constexpr QRect kCardLines[] = {
    {107, 90, 197, 16},  // surname
    {107, 112, 197, 16}, // given name
    {107, 134, 197, 16}, // place of birth
    {107, 156, 197, 16}, // date of birth
};

// The input area under the card.
constexpr QRect kInputArea(8, 210, 328, 160);
constexpr int kRowTops[] = {34, 64, 94, 124};
constexpr int kCaptionLeft = 8;
constexpr int kFieldLeft = 68;

// Only "/" and the digits enter the date field.
class DateCharactersValidator : public QValidator {
public:
    using QValidator::QValidator;
    State validate(QString& input, int&) const override
    {
        for (QChar c : input) {
            if (c != u'/' && (c < u'0' || c > u'9')) {
                return Invalid;
            }
        }
        return Acceptable;
    }
};

QString fromUtf8(const std::string& text)
{
    return QString::fromStdString(text);
}

std::string typed(const QLineEdit* field)
{
    return text::capitals(field->text().toStdString());
}

} // namespace

CodiceFiscale::CodiceFiscale(location::DatabaseName database, QWidget* parent)
    : FixedDialog(parent, texts::kWindowTitle, kClientSize), database_(std::move(database))
{
    setObjectName(QStringLiteral("CodiceFiscale"));
    buildCard();
    buildInputArea();
    setTabOrder();
    fields_[Surname]->setFocus();
}

void CodiceFiscale::buildCard()
{
    auto* card = new QLabel(this);
    card->setObjectName(QStringLiteral("Image1"));
    card->setAccessibleName(QStringLiteral("Tessera"));
    card->setPixmap(ui::picture("card"));
    card->move(kCardOrigin);
    card->adjustSize();

    auto* result = new QLineEdit(card);
    result->setObjectName(QStringLiteral("Text1_0"));
    result->setAccessibleName(texts::kResultName);
    result->setGeometry(kCodeBox);
    result->setMaxLength(50);
    result->setAlignment(Qt::AlignCenter);
    QFont bold = result->font();
    bold.setBold(true);
    bold.setPixelSize(15);
    result->setFont(bold);
    // Dark blue on the white of the card's box, in any theme.
    result->setStyleSheet(
        QStringLiteral("QLineEdit { color: rgb(0, 0, 128); background: white; }"));
    fields_[Result] = result;

    // There is something to copy only once a code is computed or verified.
    copyButton_ = new QPushButton(texts::kCopy, card);
    copyButton_->setObjectName(QStringLiteral("Command1"));
    copyButton_->setToolTip(texts::kCopyTip);
    copyButton_->setAccessibleName(texts::kCopyName);
    copyButton_->setAccessibleDescription(texts::kCopyTip);
    copyButton_->setGeometry(kCopyButton);
    copyButton_->setCursor(ui::handCursor());
    copyButton_->setEnabled(false);
    connect(copyButton_, &QPushButton::clicked, this, &CodiceFiscale::copyCode);
    connect(result, &QLineEdit::textEdited, copyButton_,
            [this] { copyButton_->setEnabled(false); });

    // A code typed or pasted onto the card is checked by Enter in its box or by "Verifica".
    verifyButton_ =
        addCornerButton(card, "Command2", texts::kVerify, texts::kVerify, texts::kVerifyTip);
    verifyButton_->move(kVerifyTopRight.x() - verifyButton_->width(), kVerifyTopRight.y());
    connect(verifyButton_, &QPushButton::clicked, this, &CodiceFiscale::verifyCode);

    // A whole list of persons or codes, from a file.
    fromFileButton_ = addCornerButton(card, "Command3", texts::kFromFile, texts::kFromFileName,
                                      texts::kFromFileTip);
    fromFileButton_->move(kFromFileTopLeft);
    connect(fromFileButton_, &QPushButton::clicked, this, &CodiceFiscale::openFromFile);

    const char* lineNames[] = {"Cognome sulla tessera", "Nome sulla tessera",
                               "Luogo di nascita sulla tessera", "Data di nascita sulla tessera"};
    for (int i = 0; i < 4; ++i) {
        auto* line = new QLabel(card);
        line->setObjectName(QStringLiteral("Label3_%1").arg(i));
        line->setAccessibleName(QString::fromUtf8(lineNames[i]));
        line->setGeometry(kCardLines[i]);
        line->setTextFormat(Qt::PlainText);
        cardLines_.append(line);
    }
}

// A small button in a corner of the card, as wide as its caption.
QPushButton* CodiceFiscale::addCornerButton(QWidget* card, const char* name, const char* caption,
                                            const char* accessibleName, const char* tip)
{
    auto* button = new QPushButton(caption, card);
    button->setObjectName(QString::fromUtf8(name));
    button->setAccessibleName(accessibleName);
    button->setToolTip(tip);
    button->setCursor(ui::handCursor());
    QFont small = button->font();
    small.setPixelSize(10);
    button->setFont(small);
    const QString shown = QString::fromUtf8(caption).remove(QLatin1Char('&'));
    button->resize(QFontMetrics(small).horizontalAdvance(shown) + 14, kVerifyHeight);
    return button;
}

QLineEdit* CodiceFiscale::addField(QWidget* area, int index, const char* caption, int captionIndex,
                                   int top, int width)
{
    auto* label = new QLabel(caption, area);
    label->setObjectName(QStringLiteral("Label1_%1").arg(captionIndex));
    label->setGeometry(kCaptionLeft, top + 3, kFieldLeft - kCaptionLeft - 4, 16);

    auto* field = new QLineEdit(area);
    field->setObjectName(QStringLiteral("Text1_%1").arg(index));
    field->setAccessibleName(caption);
    field->setGeometry(kFieldLeft, top, width, 22);
    label->setBuddy(field);
    fields_[index] = field;
    return field;
}

void CodiceFiscale::buildInputArea()
{
    auto* area = new QFrame(this);
    area->setObjectName(QStringLiteral("Frame1"));
    area->setAccessibleName(texts::kHeading);
    area->setFrameStyle(QFrame::Box | QFrame::Sunken);
    area->setGeometry(kInputArea);

    auto* heading = new ui::CaptionPanel(texts::kHeading, area);
    heading->setObjectName(QStringLiteral("SSPanel1"));
    heading->setGeometry(4, 4, kInputArea.width() - 8, 20);

    const int fullWidth = kInputArea.width() - kFieldLeft - 8;
    QLineEdit* fields[] = {
        addField(area, Surname, texts::kSurnameCaption, 1, kRowTops[0], fullWidth),
        addField(area, GivenName, texts::kGivenNameCaption, 2, kRowTops[1], 170),
        addField(area, Place, texts::kPlaceCaption, 3, kRowTops[2], fullWidth),
        addField(area, Date, texts::kDateCaption, 4, kRowTops[3], 84),
    };
    for (int i = 0; i < 4; ++i) {
        fields[i]->setMaxLength(i == 3 ? 10 : 50);
        fields[i]->setValidator(i == 3 ? static_cast<QValidator*>(new DateCharactersValidator(this))
                                       : new ui::CapitalsValidator(this));
        connect(fields[i], &QLineEdit::textChanged, cardLines_[i],
                [line = cardLines_[i]](const QString& text) { ui::showElided(line, text); });
        connect(fields[i], &QLineEdit::textChanged, this, &CodiceFiscale::forgetCode);
    }

    sexOptions_ = new ui::ButtonArray("Option1", this);
    const char* sexes[] = {texts::kMale, texts::kFemale};
    for (int i = 0; i < 2; ++i) {
        sexOptions_->addElement(i, new QRadioButton(sexes[i], area),
                                QRect(246 + 38 * i, kRowTops[1] + 2, 38, 18));
    }
    sexOptions_->button(0)->setChecked(true);
    connect(sexOptions_, &QButtonGroup::idToggled, this, &CodiceFiscale::forgetCode);

    noticeButton_ = new ui::PictureButton(texts::kNoticeName, area);
    noticeButton_->setObjectName(QStringLiteral("Image2"));
    noticeButton_->setPicture(ui::picture("question"));
    noticeButton_->setGeometry(158, kRowTops[3] - 5, 32, 32);
    connect(noticeButton_, &QAbstractButton::clicked, this, &CodiceFiscale::showReliabilityNotice);

    buttons_ = new ui::ButtonArray("bottone", this);
    buttons_->addPushButton(Create, texts::kCreate, area, QRect(196, kRowTops[3] - 1, 60, 24));
    buttons_->addPushButton(Exit, texts::kExit, area, QRect(260, kRowTops[3] - 1, 60, 24));
    connect(buttons_, &QButtonGroup::idClicked, this, &CodiceFiscale::bottoneClicked);
    setDefaultButton(qobject_cast<QPushButton*>(buttons_->button(Create)));
}

void CodiceFiscale::setTabOrder()
{
    QWidget* order[] = {fields_[Surname],
                        fields_[GivenName],
                        sexOptions_->button(0),
                        sexOptions_->button(1),
                        fields_[Place],
                        fields_[Date],
                        buttons_->button(Create),
                        buttons_->button(Exit),
                        fields_[Result],
                        copyButton_,
                        verifyButton_,
                        fromFileButton_};
    for (std::size_t i = 1; i < std::size(order); ++i) {
        QWidget::setTabOrder(order[i - 1], order[i]);
    }
}

void CodiceFiscale::bottoneClicked(int index)
{
    if (index == Create) {
        create();
    } else if (index == Exit) {
        close();
    }
}

places::CalculationInput CodiceFiscale::person() const
{
    return {
        .surname = typed(fields_[Surname]),
        .givenName = typed(fields_[GivenName]),
        .birthDate = fields_[Date]->text().toStdString(),
        .municipality = typed(fields_[Place]),
        .sex =
            sexOptions_->button(1)->isChecked() ? fiscalcode::Sex::Female : fiscalcode::Sex::Male,
    };
}

// The code shown is always the one of the data on the card: a calculation that fails or is
// cancelled leaves none.
void CodiceFiscale::create()
{
    forgetCode();
    const places::CalculationInput input = person();
    // The database is read afresh at each computation, once the input has passed its checks:
    // only what the place needs.
    std::optional<places::BirthplaceIndex> places;
    const auto find = [&](std::string_view place, fiscalcode::Day day, std::string_view province) {
        places = storage::readBirthplacesFor(database_, place);
        return places->resolve(place, day, province);
    };
    // Several places fit: the user says which.
    const auto choose = [&](const std::vector<const places::Place*>& candidates,
                            fiscalcode::Day day) {
        SceltaComune choice(this, fields_[Place]->text(), candidates, day);
        choice.exec();
        return choice.chosen();
    };
    places::CalculationOutcome outcome;
    if (!ui::reportingDataErrors(this, [&] { outcome = places::calculate(input, find, choose); })) {
        return;
    }
    if (outcome.birthDate) {
        fields_[Date]->setText(fromUtf8(fiscalcode::formatBirthDate(*outcome.birthDate)));
    }
    if (outcome.failure) {
        const auto& failure = *outcome.failure;
        const Field focusIndex[] = {Surname, GivenName, Date, Place}; // by InputField
        QString text = fromUtf8(messages::failureText(failure));
        for (const std::string& line : messages::failureLines(failure)) {
            text += QStringLiteral("\r\n") + fromUtf8(line);
        }
        ui::inform(this, failure.field ? ui::Icon::Error : ui::Icon::Information, ui::kAttention,
                   text);
        if (failure.field) {
            fields_[focusIndex[static_cast<int>(*failure.field)]]->setFocus();
        }
        return;
    }
    if (!outcome.code.empty()) {
        showCode(fromUtf8(outcome.code));
    }
    if (outcome.notice) {
        ui::inform(this, ui::Icon::Information, ui::kAttention,
                   fromUtf8(messages::noticeText(*outcome.notice)));
    }
}

void CodiceFiscale::showCode(const QString& code)
{
    fields_[Result]->setText(code);
    copyButton_->setEnabled(true);
}

// Emptied as the user could empty it (Ctrl+Z in the box brings the text back).
void CodiceFiscale::forgetCode()
{
    QLineEdit* code = fields_[Result];
    if (!code->text().isEmpty()) {
        code->selectAll();
        code->del();
    }
    copyButton_->setEnabled(false);
}

// A code typed or pasted into the result field: its reason when it is not valid. A valid code
// fills the fields left empty with the date, the sex and the place it carries, and says for each
// field already filled whether it agrees; the sex counts as filled once anything of the person is.
// The code stays on the card only when every field agrees with it.
void CodiceFiscale::verifyCode()
{
    std::optional<places::BirthplaceIndex> places;
    places::VerifiedCode verified;
    const bool read = ui::reportingDataErrors(this, [&] {
        places = storage::readBirthplaces(database_);
        verified = places::verifyFiscalCode(fields_[Result]->text().toStdString(), *places,
                                            fiscalcode::today());
    });
    if (!read) {
        return;
    }
    if (!verified.valid()) {
        forgetCode();
        ui::inform(this, ui::Icon::Error, ui::kAttention,
                   QString::fromUtf8(texts::kNotValidCode)
                       .arg(fromUtf8(messages::faultText(*verified.fault))));
        fields_[Result]->setFocus();
        return;
    }
    const places::PersonMatch match = places::matchPerson(verified, person(), *places);
    QStringList lines = {
        verified.isOmocodia()
            ? QString::fromUtf8(texts::kValidOmocodia).arg(fromUtf8(verified.baseCode))
            : QString::fromUtf8(texts::kValidCode),
        QString::fromUtf8(texts::kDecodedSex).arg(QChar(fiscalcode::letterOf(*verified.sex))),
        QString::fromUtf8(texts::kDecodedDate).arg(fromUtf8(verified.birthDate())),
        QString::fromUtf8(texts::kDecodedPlace)
            .arg(fromUtf8(messages::birthplaceText(verified)), fromUtf8(verified.cadastralCode)),
    };
    bool agrees = true;
    const auto compare = [&](const char* field, bool fieldAgrees, bool names = false) {
        const char* said = names ? (fieldAgrees ? texts::kAgrees : texts::kDisagrees)
                                 : (fieldAgrees ? texts::kFieldAgrees : texts::kFieldDisagrees);
        lines << QString::fromUtf8(said).arg(field);
        agrees = agrees && fieldAgrees;
    };
    const auto filled = [this](int index) {
        return !fields_[index]->text().isEmpty();
    };
    if (filled(Surname) || filled(GivenName) || filled(Place) || filled(Date)) {
        compare(texts::kSexCaption, match.sex);
    } else {
        sexOptions_->button(verified.sex == fiscalcode::Sex::Female ? 1 : 0)->setChecked(true);
    }
    if (filled(Date)) {
        compare(texts::kDateCaption, match.date);
    } else {
        fields_[Date]->setText(fromUtf8(verified.birthDate()));
    }
    if (filled(Place)) {
        compare(texts::kPlaceCaption, match.place);
    } else if (verified.placeKnown) {
        fields_[Place]->setText(fromUtf8(messages::birthplaceText(verified)));
    }
    if (filled(Surname)) {
        compare(texts::kSurnameCaption, match.surname, true);
    }
    if (filled(GivenName)) {
        compare(texts::kGivenNameCaption, match.givenName, true);
    }
    if (agrees) {
        showCode(fromUtf8(verified.code));
    } else {
        forgetCode();
        lines << QString::fromUtf8(texts::kCodeRemoved).arg(fromUtf8(verified.code));
    }
    ui::inform(this, ui::Icon::Information, ui::kAttention, lines.join(QStringLiteral("\r\n")));
}

// Enter in the code box verifies the code; elsewhere it is the window's (see FixedDialog).
void CodiceFiscale::keyPressEvent(QKeyEvent* event)
{
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
        focusWidget() == fields_[Result]) {
        verifyCode();
        return;
    }
    FixedDialog::keyPressEvent(event);
}

void CodiceFiscale::copyCode()
{
    ui::inform(this, ui::Icon::Information, ui::kInformation, ui::lines(texts::kCopyNotice));
    QApplication::clipboard()->setText(fields_[Result]->text());
}

void CodiceFiscale::openFromFile()
{
    CodiciDaFile window(database_, this);
    window.exec();
}

void CodiceFiscale::showReliabilityNotice()
{
    ui::inform(this, ui::Icon::Information, ui::kAttention, ui::lines(texts::kReliabilityNotice));
}
