#include "shell/calcolocodicefiscale.h"

#include "calcwindow/codicefiscale.h"
#include "editors/tacitta.h"
#include "editors/tasettori.h"
#include "search/ricercacap.h"
#include "shell/controlhost.h"
#include "ui/messages.h"
#include "ui/twips.h"
#include "ui/widgets.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QFocusEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QSessionManager>
#include <QTimer>

#include <algorithm>
#include <memory>
#include <utility>

namespace {

constexpr const char* kCaption = "CORVAN  -  Calcolo del Codice Fiscale";
constexpr const char* kTitle = "Calcolo del Codice Fiscale";
constexpr const char* kExitQuestion = "Confermi l'abbandono dell'applicazione ?";

// The menu entries. The first three lie in the main menu frame over one picture of three ovals;
// the reference-table entries lie in a second frame at its right, each over an oval of its own.
// Positions are relative to the entry's frame; each caption is centred on its oval, the longer
// "Abbandona" on the wider one, and the panels start near the frame's edge, so that the longest
// caption has room before its arrow.
// The first letter of an entry's panel is its access key, with Alt.
struct MenuEntry {
    int code;
    const char* panel;
    const char* caption;
    QColor captionColour;
    int frame;
    QRect hotArea;
    QRect captionArea;
    QRect panelArea;
    QPoint arrow;
    QPoint oval; // its own oval picture; none for the entries of the main frame
};

// The order in which Tab and the arrow keys go through the entries: the main menu top to bottom,
// the reference tables, then leaving.
constexpr int kKeyboardOrder[] = {0, 1, 3, 4, 2};

const QColor kDarkBlue(0, 0, 192);
constexpr QPoint kSharedOvals(-1, -1);

const MenuEntry kEntries[] = {
    {0, "Calcola Codice Fiscale", "Calcola", kDarkBlue, 0, ui::twipsRect(2760, 840, 1095, 615),
     ui::twipsRect(2840, 1000, 855, 255), ui::twipsRect(60, 960, 2070, 285),
     ui::twipsPoint(2160, 960), kSharedOvals},
    {1, "Modifica Tabella", "Modifica", kDarkBlue, 0, ui::twipsRect(2160, 1620, 1095, 615),
     ui::twipsRect(2280, 1800, 855, 255), ui::twipsRect(60, 1800, 1515, 285),
     ui::twipsPoint(1680, 1800), kSharedOvals},
    {2, "Uscita", "Abbandona", QColor(Qt::black), 0, ui::twipsRect(1680, 2475, 1215, 615),
     ui::twipsRect(1770, 2640, 1035, 255), ui::twipsRect(60, 2640, 1035, 285),
     ui::twipsPoint(1200, 2640), kSharedOvals},
    {3, "Ricerca CAP", "Cerca", kDarkBlue, 1, QRect(36, 86, 73, 41), QRect(44, 98, 57, 17),
     QRect(26, 60, 96, 19), QPoint(12, 100), QPoint(34, 84)},
    {4, "Tabella CAP", "Modifica", kDarkBlue, 1, QRect(36, 172, 73, 41), QRect(44, 184, 57, 17),
     QRect(26, 146, 96, 19), QPoint(12, 186), QPoint(34, 170)},
};

QLabel* pictureLabel(const QString& name, const char* file, const char* accessibleName,
                     QWidget* parent)
{
    auto* picture = new QLabel(parent);
    picture->setObjectName(name);
    picture->setAccessibleName(QString::fromUtf8(accessibleName));
    picture->setPixmap(ui::picture(file));
    return picture;
}

// Opens a working window of type `Window` on `database`, modally over `owner`.
template <typename Window> void showOn(const location::DatabaseName& database, QWidget* owner)
{
    ui::showModally(owner, [&] { return std::make_unique<Window>(database, owner); });
}

} // namespace

CalcoloCodiceFiscale::CalcoloCodiceFiscale(location::DatabaseName database, QWidget* parent,
                                           const QString& controlFolder)
    : FixedDialog(parent, kCaption, ui::twipsSize(8640, 7020)),
      liveUpdate_(QCoreApplication::applicationDirPath()), database_(std::move(database))
{
    setObjectName(QStringLiteral("CalcoloCodiceFiscale"));
    buildDecoration();
    buildMenu();
    buildBanner(controlFolder);
    HideMenuCaptions();
    startBanners();
    menuEntries_[0]->setFocus();
    connect(qApp, &QGuiApplication::commitDataRequest, this,
            &CalcoloCodiceFiscale::confirmSessionEnd);
}

// The menu frames, their controls created from the bottom of the stacking order to the top:
// the oval pictures, the hot areas, the title, then panels, arrows and captions. A mouse
// movement belongs to the control under the pointer; it reaches a frame only over its background.
void CalcoloCodiceFiscale::buildMenu()
{
    const QRect frames[] = {ui::twipsRect(2310, 165, 4095, 3495), QRect(432, 11, 136, 233)};
    for (int i = 0; i < 2; ++i) {
        auto* frame = new QFrame(this);
        frame->setObjectName(QStringLiteral("Frame1_%1").arg(i));
        frame->setAccessibleName(i == 0 ? QStringLiteral("Menu") : QStringLiteral("Menu CAP"));
        frame->setGeometry(frames[i]);
        frame->setMouseTracking(true);
        frame->installEventFilter(this);
        menuFrames_.append(frame);
    }

    addOvalPicture(QStringLiteral("Image3_0"), "ovals",
                   QRect(ui::twipsPoint(1560, 720), QSize(160, 160)), menuFrames_[0]);
    for (const MenuEntry& entry : kEntries) {
        if (entry.oval != kSharedOvals) {
            addOvalPicture(QStringLiteral("Image3_%1").arg(entry.code), "oval4",
                           QRect(entry.oval, QSize(80, 48)), menuFrames_[entry.frame]);
        }
    }

    const int entries = static_cast<int>(std::size(kEntries));
    for (int i = 0; i < entries; ++i) {
        const MenuEntry& entry = kEntries[i];
        auto* hotArea = new ui::PictureButton(entry.panel, menuFrames_[entry.frame]);
        hotArea->setObjectName(QStringLiteral("Image4_%1").arg(entry.code));
        hotArea->setGeometry(entry.hotArea);
        hotArea->setFocusPolicy(Qt::TabFocus); // a click leaves the focus where it is
        hotArea->installEventFilter(this);
        connect(hotArea, &ui::PictureButton::mouseMoved, this, [this, i] { showCaption(i); });
        connect(hotArea, &QAbstractButton::clicked, this,
                [this, code = entry.code] { RunMenuAction(static_cast<qint16>(code)); });
        menuEntries_.append(hotArea);
    }
    for (std::size_t i = 1; i < std::size(kKeyboardOrder); ++i) {
        setTabOrder(menuEntries_[kKeyboardOrder[i - 1]], menuEntries_[kKeyboardOrder[i]]);
    }

    auto* title = new QLabel(kTitle, menuFrames_[0]);
    title->setObjectName(QStringLiteral("Label2_0"));
    title->setGeometry(ui::twipsRect(240, 240, 3735, 375));
    QFont titleFont = title->font();
    titleFont.setPixelSize(17);
    titleFont.setBold(true);
    title->setFont(titleFont);
    title->setStyleSheet(QStringLiteral("color: rgb(128, 0, 0);"));
    title->setAttribute(Qt::WA_NoMousePropagation);

    hoverCaptions_.resize(entries);
    for (int i = 0; i < entries; ++i) {
        const MenuEntry& entry = kEntries[i];
        QFrame* frame = menuFrames_[entry.frame];
        auto* panel = new ui::CaptionPanel(QStringLiteral("&") + entry.panel, frame);
        panel->setObjectName(QStringLiteral("SSPanel1_%1").arg(entry.code));
        panel->setGeometry(entry.panelArea);
        panel->setAttribute(Qt::WA_NoMousePropagation);
        panel->setBuddy(menuEntries_[i]); // its access key focuses and presses the entry
        // The panel acts as its oval: the pointer over it shows the caption, a click opens it.
        panel->setCursor(ui::handCursor());
        panel->setMouseTracking(true);
        panel->installEventFilter(this);
        connect(panel, &ui::ClickableLabel::clicked, this,
                [this, code = entry.code] { RunMenuAction(static_cast<qint16>(code)); });
        panels_.append(panel);

        QLabel* arrow =
            pictureLabel(QStringLiteral("Image5_%1").arg(entry.code), "arrow", "Freccia", frame);
        arrow->setGeometry(QRect(entry.arrow, QSize(16, 16)));
        arrow->setAttribute(Qt::WA_NoMousePropagation);

        auto* caption = new ui::ClickableLabel(entry.caption, frame);
        caption->setObjectName(QStringLiteral("Label3_%1").arg(entry.code));
        caption->setGeometry(entry.captionArea);
        caption->setAlignment(Qt::AlignCenter);
        caption->setCursor(ui::handCursor());
        caption->setAttribute(Qt::WA_NoMousePropagation);
        caption->setStyleSheet(QStringLiteral("color: %1;").arg(entry.captionColour.name()));
        connect(caption, &ui::ClickableLabel::clicked, this,
                [this, code = entry.code] { RunMenuAction(static_cast<qint16>(code)); });
        hoverCaptions_[i] = caption;
    }
}

void CalcoloCodiceFiscale::addOvalPicture(const QString& name, const char* file, QRect area,
                                          QWidget* frame)
{
    QLabel* ovals = pictureLabel(name, file, "Ovale del menu", frame);
    ovals->setGeometry(area);
    ovals->setMouseTracking(true);
    ovals->installEventFilter(this);
}

void CalcoloCodiceFiscale::buildDecoration()
{
    QLabel* hands = pictureLabel(QStringLiteral("Image2"), "hands", "Mani sulla tastiera", this);
    hands->setScaledContents(true);
    hands->setGeometry(ui::twipsRect(-30, 3240, 3210, 2265));

    QLabel* logo = pictureLabel(QStringLiteral("Image3_2"), "logo", "Logo Corvan", this);
    logo->setGeometry(ui::twipsRect(5625, 4005, 1845, 435));
    logo->setMouseTracking(true);
    logo->installEventFilter(this);

    // "Live Update" reads as a label but can be pressed, by screen readers too.
    auto* liveUpdate = new QPushButton(QStringLiteral("Live Update"), this);
    liveUpdate->setObjectName(QStringLiteral("Label4"));
    liveUpdate->setGeometry(ui::twipsRect(6435, 4455, 1095, 255));
    liveUpdate->setFlat(true);
    liveUpdate->setFocusPolicy(Qt::NoFocus);
    liveUpdate->setCursor(ui::handCursor());
    liveUpdate->setStyleSheet(QStringLiteral(
        "QPushButton { border: none; background: white; color: rgb(0, 0, 192); padding: 0; }"));
    connect(liveUpdate, &QPushButton::clicked, this, &CalcoloCodiceFiscale::startLiveUpdate);
}

// The advertising banner along the bottom, with the properties saved with the window. Without
// its plugin the window simply has no banner.
void CalcoloCodiceFiscale::buildBanner(const QString& controlFolder)
{
    banner_ = createControl(QStringLiteral("CorvanBanner.FBanner"), this, controlFolder);
    if (!banner_) {
        return;
    }
    banner_->setObjectName(QStringLiteral("FBanner1"));
    const QVariantList stored = {
        QVariantList{QStringLiteral("BackColor"), QStringLiteral("16777215")},
        QVariantList{QStringLiteral("BackColor"), QColor(Qt::white)}};
    QMetaObject::invokeMethod(banner_, "loadProperties", Q_ARG(QVariantList, stored));
    banner_->setGeometry(ui::twipsRect(0, 5250, 8640, 1800));
}

// The banners of the product group "Gestionale", from the first valid one.
void CalcoloCodiceFiscale::startBanners()
{
    if (!banner_) {
        return;
    }
    QMetaObject::invokeMethod(banner_, "AddProductGroup",
                              Q_ARG(QVariant, QVariant(QStringLiteral("Gestionale"))));
    QMetaObject::invokeMethod(banner_, "StartBanners");
}

bool CalcoloCodiceFiscale::eventFilter(QObject* watched, QEvent* event)
{
    if (const qsizetype panel = panels_.indexOf(watched); panel >= 0) {
        if (event->type() == QEvent::MouseMove) {
            showCaption(static_cast<int>(panel));
        }
        return FixedDialog::eventFilter(watched, event);
    }
    const auto entry = std::find(menuEntries_.cbegin(), menuEntries_.cend(), watched);
    if (entry == menuEntries_.cend()) {
        if (event->type() == QEvent::MouseMove) {
            HideMenuCaptions(); // the frame background or a picture
        }
    } else if (event->type() == QEvent::FocusIn) {
        // Reached from the keyboard, an entry shows its caption as the mouse over it does; the
        // focus the window gives its first entry when it opens shows none.
        const auto reason = static_cast<QFocusEvent*>(event)->reason();
        if (testAttribute(Qt::WA_KeyboardFocusChange) &&
            (reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason ||
             reason == Qt::ShortcutFocusReason)) {
            showCaption(static_cast<int>(entry - menuEntries_.cbegin()));
        }
    }
    return FixedDialog::eventFilter(watched, event);
}

void CalcoloCodiceFiscale::HideMenuCaptions()
{
    for (QLabel* caption : std::as_const(hoverCaptions_)) {
        caption->setVisible(false);
    }
}

void CalcoloCodiceFiscale::showCaption(int index)
{
    HideMenuCaptions();
    hoverCaptions_[index]->setVisible(true);
}

void CalcoloCodiceFiscale::RunMenuAction(qint16 code)
{
    HideMenuCaptions();
    switch (code) {
    case Calculate:
        showOn<CodiceFiscale>(database_, this);
        break;
    case EditMunicipalities:
        showOn<TaSettori>(database_, this);
        break;
    case SearchPostalCodes:
        showOn<RicercaCAP>(database_, this);
        break;
    case EditLocalities:
        showOn<TaCitta>(database_, this);
        break;
    case Exit:
        close();
        return;
    default:
        return;
    }
    menuEntries_[0]->setFocus(); // back from a working window: the first entry, as at the start
}

void CalcoloCodiceFiscale::startLiveUpdate()
{
    const QString failure = liveUpdate_.start(kApplicationTitle);
    if (!failure.isEmpty()) {
        ui::inform(this, ui::Icon::Information, ui::kAttention, failure);
    }
}

// A Yes given for the ending session stands for the close that follows it only.
bool CalcoloCodiceFiscale::confirmExit()
{
    return std::exchange(exitConfirmed_, false) || ui::ask(this, ui::kAttention, kExitQuestion);
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
    // Should the session go on after all (another program cancelled it), the question is asked
    // again at the next close.
    QTimer::singleShot(0, this, [this] { exitConfirmed_ = false; });
}
