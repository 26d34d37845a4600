#include "calcolocodicefiscale.h"

#include "codicefiscale.h"
#include "messages.h"
#include "twips.h"
#include "widgets.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QSessionManager>

namespace {

constexpr const char* kCaption = "CORVAN  -  Calcolo del Codice Fiscale";
constexpr const char* kTitle = "Calcolo del Codice Fiscale";
constexpr const char* kExitQuestion = "Confermi l'abbandono dell'applicazione ?";

// The entries of the menu frame; positions in twips, relative to the frame.
struct MenuEntry {
    const char* panel;
    const char* caption;
    QColor captionColour;
    QRect hotArea;
    QRect captionArea;
    QRect panelArea;
    QPoint arrow;
};

const MenuEntry kEntries[] = {
    {"Calcola Codice Fiscale", "Calcola", QColor(0, 0, 192), ui::TwipsRect(2760, 840, 1095, 615),
     ui::TwipsRect(2840, 1000, 855, 255), ui::TwipsRect(120, 960, 1935, 285),
     ui::TwipsPoint(2160, 960)},
    {"Modifica Tabella", "Modifica", QColor(0, 0, 192), ui::TwipsRect(2160, 1620, 1095, 615),
     ui::TwipsRect(2280, 1800, 855, 255), ui::TwipsRect(120, 1800, 1455, 285),
     ui::TwipsPoint(1680, 1800)},
    {"Uscita", "Abbandona", QColor(Qt::black), ui::TwipsRect(1680, 2475, 1215, 615),
     ui::TwipsRect(1800, 2640, 855, 255), ui::TwipsRect(120, 2640, 975, 285),
     ui::TwipsPoint(1200, 2640)},
};

QLabel* PictureLabel(const QString& name, const char* file, QWidget* parent)
{
    auto* picture = new QLabel(parent);
    picture->setObjectName(name);
    picture->setPixmap(QPixmap(QString(":/pictures/") + file));
    return picture;
}

} // namespace

CalcoloCodiceFiscale::CalcoloCodiceFiscale(QWidget* parent)
    : FixedDialog(parent, kCaption, ui::TwipsSize(8640, 7020))
{
    setObjectName(QStringLiteral("CalcoloCodiceFiscale"));
    setWindowIcon(QIcon(QStringLiteral(":/pictures/icon.png")));
    buildDecoration();
    buildMenu();
    HideMenuCaptions();
    connect(qApp, &QGuiApplication::commitDataRequest, this,
            &CalcoloCodiceFiscale::confirmSessionEnd);
}

// The menu frame, its controls created from the bottom of the stacking order to the top: the
// ovals picture, the hot areas, the title, then panels, arrows and captions. A mouse movement
// belongs to the control under the pointer; it reaches the frame only over its background.
void CalcoloCodiceFiscale::buildMenu()
{
    frame1_ = new QFrame(this);
    frame1_->setObjectName(QStringLiteral("Frame1_0"));
    frame1_->setGeometry(ui::TwipsRect(2310, 165, 4095, 3495));
    frame1_->setMouseTracking(true);
    frame1_->installEventFilter(this);

    QLabel* ovals = PictureLabel(QStringLiteral("Image3_0"), "ovals.png", frame1_);
    ovals->setGeometry(QRect(ui::TwipsPoint(1560, 720), QSize(160, 160)));
    ovals->setMouseTracking(true);
    ovals->installEventFilter(this);
    image3_.append(ovals);

    for (int i = 0; i < 3; ++i) {
        auto* hotArea = new ui::PictureButton(kEntries[i].panel, frame1_);
        hotArea->setObjectName(QStringLiteral("Image4_%1").arg(i));
        hotArea->setGeometry(kEntries[i].hotArea);
        connect(hotArea, &ui::PictureButton::mouseMoved, this, [this, i] { showCaption(i); });
        connect(hotArea, &QAbstractButton::clicked, this, [this, i] { RunMenuAction(i); });
        image4_.append(hotArea);
    }

    auto* title = new QLabel(kTitle, frame1_);
    title->setObjectName(QStringLiteral("Label2_0"));
    title->setGeometry(ui::TwipsRect(240, 240, 3735, 375));
    QFont titleFont = title->font();
    titleFont.setPixelSize(17);
    titleFont.setBold(true);
    title->setFont(titleFont);
    title->setStyleSheet(QStringLiteral("color: rgb(128, 0, 0);"));
    title->setAttribute(Qt::WA_NoMousePropagation);

    for (int i = 0; i < 3; ++i) {
        auto* panel = new ui::CaptionPanel(kEntries[i].panel, frame1_);
        panel->setObjectName(QStringLiteral("SSPanel1_%1").arg(i));
        panel->setGeometry(kEntries[i].panelArea);
        panel->setAttribute(Qt::WA_NoMousePropagation);

        QLabel* arrow = PictureLabel(QStringLiteral("Image5_%1").arg(i), "arrow.png", frame1_);
        arrow->setGeometry(QRect(kEntries[i].arrow, QSize(16, 16)));
        arrow->setAttribute(Qt::WA_NoMousePropagation);

        auto* caption = new ui::ClickableLabel(kEntries[i].caption, frame1_);
        caption->setObjectName(QStringLiteral("Label3_%1").arg(i));
        caption->setGeometry(kEntries[i].captionArea);
        caption->setAlignment(Qt::AlignCenter);
        caption->setCursor(ui::HandCursor());
        caption->setAttribute(Qt::WA_NoMousePropagation);
        caption->setStyleSheet(QStringLiteral("color: %1;").arg(kEntries[i].captionColour.name()));
        connect(caption, &ui::ClickableLabel::clicked, this, [this, i] { RunMenuAction(i); });
        label3_.append(caption);
    }
}

void CalcoloCodiceFiscale::buildDecoration()
{
    QLabel* hands = PictureLabel(QStringLiteral("Image2"), "hands.png", this);
    hands->setScaledContents(true);
    hands->setGeometry(ui::TwipsRect(-30, 3240, 3210, 2265));

    QLabel* logo = PictureLabel(QStringLiteral("Image3_2"), "logo.png", this);
    logo->setGeometry(ui::TwipsRect(5625, 4005, 1845, 435));
    logo->setMouseTracking(true);
    logo->installEventFilter(this);
    image3_.append(logo);
}

bool CalcoloCodiceFiscale::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::MouseMove) {
        HideMenuCaptions(); // the frame background or a picture
    }
    return FixedDialog::eventFilter(watched, event);
}

void CalcoloCodiceFiscale::HideMenuCaptions()
{
    for (int i = 0; i <= 2; ++i) {
        label3_[i]->setVisible(false);
    }
}

void CalcoloCodiceFiscale::showCaption(int index)
{
    HideMenuCaptions();
    label3_[index]->setVisible(true);
}

template <typename Window> void CalcoloCodiceFiscale::openModally()
{
    setCursor(Qt::WaitCursor);
    {
        Window window(this);
        window.exec();
    }
    unsetCursor();
}

void CalcoloCodiceFiscale::RunMenuAction(qint16 code)
{
    HideMenuCaptions();
    switch (code) {
    case Calculate:
        openModally<CodiceFiscale>();
        break;
    case Exit:
        close();
        break;
    default:
        break;
    }
}

bool CalcoloCodiceFiscale::confirmExit()
{
    return exitConfirmed_ || ui::Ask(this, ui::kAttention, kExitQuestion);
}

void CalcoloCodiceFiscale::closeEvent(QCloseEvent* event)
{
    if (confirmExit()) {
        event->accept();
    } else {
        event->ignore();
    }
}

// A session that ends asks the same question; No keeps the session, and the program, alive.
void CalcoloCodiceFiscale::confirmSessionEnd(QSessionManager& manager)
{
    if (!manager.allowsInteraction()) {
        return;
    }
    exitConfirmed_ = confirmExit();
    manager.release();
    if (!exitConfirmed_) {
        manager.cancel();
    }
}
