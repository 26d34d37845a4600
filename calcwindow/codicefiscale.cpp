#include "calcwindow/codicefiscale.h"

#include "data/birthplaces.h"
#include "data/catalogue.h"
#include "data/database.h"
#include "fiscalcode/calculation.h"
#include "ui/messages.h"
#include "ui/twips.h"
#include "ui/validators.h"
#include "ui/widgets.h"

#include <QApplication>
#include <QButtonGroup>
#include <QClipboard>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

namespace texts = fiscalcode::texts;

namespace {

constexpr QSize kClientSize(344, 382);

// Where the card picture shows its lines, in card pixels.
constexpr QPoint kCardOrigin(8, 6);
constexpr QRect kCodeBox(104, 58, 190, 22);
constexpr QRect kCopyButton(296, 59, 18, 20);
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
    return fiscalcode::asTyped(field->text().toStdString());
}

} // namespace

CodiceFiscale::CodiceFiscale(QWidget* parent)
    : FixedDialog(parent, texts::kWindowTitle, kClientSize)
{
    setObjectName(QStringLiteral("CodiceFiscale"));
    setWindowIcon(QIcon(QStringLiteral(":/pictures/icon.png")));
    buildCard();
    buildInputArea();
    setTabOrder();
    text1_[1]->setFocus();
}

void CodiceFiscale::buildCard()
{
    auto* card = new QLabel(this);
    card->setObjectName(QStringLiteral("Image1"));
    card->setAccessibleName(QStringLiteral("Tessera"));
    card->setPixmap(QPixmap(QStringLiteral(":/pictures/card.png")));
    card->move(kCardOrigin);
    card->adjustSize();

    auto* result = new QLineEdit(card);
    result->setObjectName(QStringLiteral("Text1_0"));
    result->setAccessibleName(texts::kResultName);
    result->setGeometry(kCodeBox);
    result->setMaxLength(50);
    result->setFocusPolicy(Qt::ClickFocus);
    result->setAlignment(Qt::AlignCenter);
    QFont bold = result->font();
    bold.setBold(true);
    bold.setPixelSize(15);
    result->setFont(bold);
    result->setStyleSheet(QStringLiteral("QLineEdit { color: rgb(0, 0, 128); }"));
    text1_[0] = result;

    command1_ = new QPushButton(texts::kCopy, card);
    command1_->setObjectName(QStringLiteral("Command1"));
    command1_->setToolTip(texts::kCopyTip);
    command1_->setAccessibleName(texts::kCopyTip);
    command1_->setGeometry(kCopyButton);
    command1_->setCursor(ui::handCursor());
    connect(command1_, &QPushButton::clicked, this, &CodiceFiscale::copyCode);

    const char* lineNames[] = {"Cognome sulla tessera", "Nome sulla tessera",
                               "Luogo di nascita sulla tessera", "Data di nascita sulla tessera"};
    for (int i = 0; i < 4; ++i) {
        auto* line = new QLabel(card);
        line->setObjectName(QStringLiteral("Label3_%1").arg(i));
        line->setAccessibleName(QString::fromUtf8(lineNames[i]));
        line->setGeometry(kCardLines[i]);
        line->setTextFormat(Qt::PlainText);
        label3_.append(line);
    }
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
    text1_[index] = field;
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
        addField(area, 1, texts::kSurnameCaption, 1, kRowTops[0], fullWidth),
        addField(area, 22, texts::kGivenNameCaption, 2, kRowTops[1], 170),
        addField(area, 6, texts::kPlaceCaption, 3, kRowTops[2], fullWidth),
        addField(area, 4, texts::kDateCaption, 4, kRowTops[3], 84),
    };
    for (int i = 0; i < 4; ++i) {
        fields[i]->setMaxLength(i == 3 ? 10 : 50);
        fields[i]->setValidator(i == 3 ? static_cast<QValidator*>(new DateCharactersValidator(this))
                                       : new ui::CapitalsValidator(this));
        connect(fields[i], &QLineEdit::textChanged, label3_[i], &QLabel::setText);
    }

    auto* sex = new QButtonGroup(this);
    const char* sexes[] = {texts::kMale, texts::kFemale};
    for (int i = 0; i < 2; ++i) {
        auto* option = new QRadioButton(sexes[i], area);
        option->setObjectName(QStringLiteral("Option1_%1").arg(i));
        option->setGeometry(246 + 38 * i, kRowTops[1] + 2, 38, 18);
        sex->addButton(option, i);
        option1_.append(option);
    }
    option1_[0]->setChecked(true);

    image2_ = new ui::PictureButton(texts::kNoticeName, area);
    image2_->setObjectName(QStringLiteral("Image2"));
    image2_->setPicture(QPixmap(QStringLiteral(":/pictures/question.png")));
    image2_->setGeometry(158, kRowTops[3] - 5, 32, 32);
    connect(image2_, &QAbstractButton::clicked, this, &CodiceFiscale::showReliabilityNotice);

    bottone_ = new QButtonGroup(this);
    const struct {
        int index;
        const char* caption;
        int left;
    } buttons[] = {{0, texts::kCreate, 196}, {3, texts::kExit, 260}};
    for (const auto& b : buttons) {
        auto* button = new QPushButton(b.caption, area);
        button->setObjectName(QStringLiteral("bottone_%1").arg(b.index));
        button->setGeometry(b.left, kRowTops[3] - 1, 60, 24);
        button->setCursor(ui::handCursor());
        bottone_->addButton(button, b.index);
    }
    connect(bottone_, &QButtonGroup::idClicked, this, &CodiceFiscale::bottoneClicked);
}

void CodiceFiscale::setTabOrder()
{
    QWidget* order[] = {text1_[1], text1_[22],          option1_[0],         option1_[1], text1_[6],
                        text1_[4], bottone_->button(0), bottone_->button(3), command1_};
    for (std::size_t i = 1; i < std::size(order); ++i) {
        QWidget::setTabOrder(order[i - 1], order[i]);
    }
}

void CodiceFiscale::bottoneClicked(int index)
{
    if (index == 0) {
        create();
    } else if (index == 3) {
        close();
    }
}

void CodiceFiscale::create()
{
    const fiscalcode::CalculationInput input{
        .surname = typed(text1_[1]),
        .givenName = typed(text1_[22]),
        .birthDate = text1_[4]->text().toStdString(),
        .municipality = typed(text1_[6]),
        .sex = option1_[1]->isChecked() ? "F" : "M",
    };
    // The database is read afresh at each computation, once the input has passed its checks.
    std::optional<refdata::BirthplaceIndex> places;
    const auto find = [&](std::string_view place, refdata::Day day, std::string_view province) {
        places = refdata::BirthplaceIndex::read(refdata::catalogue::kDatabaseFileUpper);
        return places->resolve(place, day, province);
    };
    fiscalcode::CalculationOutcome outcome;
    try {
        outcome = fiscalcode::calculate(input, find);
    } catch (const refdata::DataError& error) {
        ui::inform(this, ui::Icon::Error, ui::kAttention, QString::fromUtf8(error.what()));
        return;
    }
    if (!outcome.birthDate.empty()) {
        text1_[4]->setText(fromUtf8(outcome.birthDate));
    }
    if (outcome.failure) {
        const auto& failure = *outcome.failure;
        const int focusIndex[] = {1, 22, 4, 6}; // by InputField
        QString text = fromUtf8(failure.message);
        for (const std::string& line : failure.details) {
            text += QStringLiteral("\r\n") + fromUtf8(line);
        }
        ui::inform(this, failure.field ? ui::Icon::Error : ui::Icon::Information, ui::kAttention,
                   text);
        if (failure.field) {
            text1_[focusIndex[static_cast<int>(*failure.field)]]->setFocus();
        }
        return;
    }
    if (!outcome.code.empty()) {
        text1_[0]->setText(fromUtf8(outcome.code));
    }
}

void CodiceFiscale::copyCode()
{
    ui::inform(this, ui::Icon::Information, ui::kInformation, ui::lines(texts::kCopyNotice));
    QApplication::clipboard()->setText(text1_[0]->text());
}

void CodiceFiscale::showReliabilityNotice()
{
    ui::inform(this, ui::Icon::Information, ui::kAttention, ui::lines(texts::kReliabilityNotice));
}
