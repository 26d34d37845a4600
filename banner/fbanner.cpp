#include "banner/fbanner.h"

#include "banner/bannerrotation.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QPainter>

#include <optional>

namespace {

constexpr int kMinute = 60000;
const QString kBackColor = QStringLiteral("BackColor");
const QString kDefaultBackColorText = QStringLiteral("FFFFFF");

QVariantList storedEntry(const QVariant& value)
{
    return {kBackColor, value};
}

// The values of the stored entries named "BackColor", in order.
QVariantList backColorValues(const QVariantList& entries)
{
    QVariantList values;
    for (const QVariant& entry : entries) {
        const QVariantList pair = entry.toList();
        if (pair.size() == 2 && pair[0].toString() == kBackColor) {
            values << pair[1];
        }
    }
    return values;
}

// A colour kept as a colour, or as the number Windows gives it (0x00BBGGRR, 16777215 for white).
std::optional<QColor> storedColour(const QVariant& value)
{
    bool isNumber = false;
    const qlonglong number =
        value.metaType().id() == QMetaType::QColor ? -1 : value.toLongLong(&isNumber);
    if (isNumber && number >= 0 && number <= 0xFFFFFF) {
        return QColor(int(number & 0xFF), int((number >> 8) & 0xFF), int((number >> 16) & 0xFF));
    }
    const QColor colour = value.canConvert<QColor>() ? value.value<QColor>() : QColor();
    return colour.isValid() ? std::optional(colour) : std::nullopt;
}

void openWithDesktop(const QUrl& address)
{
    QDesktopServices::openUrl(address);
}

} // namespace

BannerServices BannerServices::system()
{
    return {&QDate::currentDate, &openWithDesktop};
}

FBanner::FBanner(QWidget* parent)
    : QAbstractButton(parent), backColor_(palette().color(QPalette::Button)),
      backColorText_(kDefaultBackColorText), frameTimer_(new QTimer(this)),
      minuteTimer_(new QTimer(this))
{
    setAccessibleName(QStringLiteral("Banner"));
    setFocusPolicy(Qt::NoFocus);
    frameTimer_->setObjectName(QStringLiteral("Timer1"));
    minuteTimer_->setObjectName(QStringLiteral("Timer2"));
    minuteTimer_->setInterval(kMinute);
    connect(frameTimer_, &QTimer::timeout, this, &FBanner::frameTick);
    connect(minuteTimer_, &QTimer::timeout, this, &FBanner::minuteTick);
    connect(this, &QAbstractButton::clicked, this, &FBanner::openLink);
}

void FBanner::StartBanners()
{
    store_.open();
    chooseNextBanner();
    showCurrentBanner();
    frameTimer_->start();
    minuteTimer_->start();
}

void FBanner::AddProductGroup(const QVariant& group)
{
    if (const auto text = storedText(group)) {
        state_.productGroups << text->toUpper();
    }
}

void FBanner::ClearProductGroup()
{
    state_.productGroups.clear();
}

void FBanner::setBackColor(const QColor& colour)
{
    backColor_ = colour;
    emit BackColorChanged();
    state_.bandOffset = 0;
    paintFrame();
}

QVariantList FBanner::saveProperties() const
{
    return {storedEntry(backColorText_), storedEntry(backColor_)};
}

void FBanner::loadProperties(const QVariantList& entries)
{
    const QVariantList values = backColorValues(entries);
    backColorText_ = values.size() > 0 ? storedText(values[0]).value_or(kDefaultBackColorText)
                                       : kDefaultBackColorText;
    if (values.size() > 1) {
        if (const auto colour = storedColour(values[1])) {
            backColor_ = *colour;
        }
    }
    update();
}

void FBanner::frameTick()
{
    paintFrame();
}

void FBanner::minuteTick()
{
    if (state_.displayMinutes >= 1) {
        ++state_.minuteCounter;
    } else {
        minuteTimer_->stop();
    }
}

void FBanner::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), backColor_);
    if (picture_.isNull()) {
        return;
    }
    const QPointF topLeft((width() - picture_.width()) / 2.0, (height() - kFrameHeight) / 2.0);
    painter.drawImage(topLeft, picture_,
                      QRectF(0, paintedBandTop_, picture_.width(), kFrameHeight));
}

void FBanner::resizeEvent(QResizeEvent* event)
{
    QAbstractButton::resizeEvent(event);
    state_.bandOffset = 0;
    if (!frameTimer_->isActive()) {
        LoadDefaultBanner(state_, services_.today());
    }
    showCurrentBanner();
}

void FBanner::chooseNextBanner()
{
    const QDate today = services_.today();
    if (designMode_) {
        minuteTimer_->stop();
        LoadDefaultBanner(state_, today);
        showCurrentBanner();
    }
    store_.refresh();
    ChooseNextBanner(state_, store_, today);
}

void FBanner::showCurrentBanner()
{
    QImage loaded;
    if (loaded.load(state_.picturePath)) {
        picture_ = loaded;
    }
    frameTimer_->setInterval(state_.framePeriod);
    state_.bandOffset = 0;
    paintFrame();
}

// Puts the band at the band offset on the surface and moves on to the next band. Once the current
// banner has had its minutes, the next banner is chosen and shown from its first band.
void FBanner::paintFrame()
{
    paintedBandTop_ = state_.bandOffset;
    update();
    state_.bandOffset += kFrameHeight;
    if (state_.bandOffset >= picture_.height()) {
        state_.bandOffset = 0;
    }
    if (state_.minuteCounter >= state_.displayMinutes) {
        state_.minuteCounter = 0;
        chooseNextBanner();
        showCurrentBanner();
    }
}

void FBanner::openLink()
{
    // A bare file name is taken from the control's folder, which is the program's.
    const QUrl address =
        QUrl::fromUserInput(state_.linkAddress, QCoreApplication::applicationDirPath());
    if (address.isValid()) {
        services_.openLink(address);
    }
}
