#pragma once

#include "banner/bannerstate.h"
#include "banner/bannerstore.h"

#include <QAbstractButton>
#include <QColor>
#include <QDate>
#include <QImage>
#include <QTimer>
#include <QUrl>
#include <QVariant>

#include <functional>

// What the control needs from the outside world; tests put a fixed date and a recorder here.
struct BannerServices {
    std::function<QDate()> today;
    std::function<void(const QUrl&)> openLink;

    // The system clock and the desktop's handler for addresses.
    static BannerServices system();
};

// The advertising banner control "CorvanBanner.FBanner". It shows, in turn, the banners of the
// host's product groups described in the current user's settings store, one 60-pixel frame at a
// time, and its built-in banner when none applies; a click (or an accessibility press) opens the
// banner's address.
//
// Hosts drive it through the meta-object system: StartBanners(), the property BackColor (a
// QColor), AddProductGroup(QVariant), ClearProductGroup(), and for their designer
// saveProperties() / loadProperties(QVariantList) and the property designMode. None of these can
// fail.
class FBanner : public QAbstractButton {
    Q_OBJECT
    Q_PROPERTY(QColor BackColor READ BackColor WRITE setBackColor NOTIFY BackColorChanged)
    Q_PROPERTY(bool designMode READ designMode WRITE setDesignMode)

public:
    explicit FBanner(QWidget* parent = nullptr);

    // Starts the rotation: reads the store, shows the first banner and starts the frame timer
    // (Timer1) and the minute timer (Timer2). Called once, after the host's groups are added.
    Q_INVOKABLE void StartBanners();

    // Adds the capital form of a group; a value without a text form is ignored.
    Q_INVOKABLE void AddProductGroup(const QVariant& group);
    Q_INVOKABLE void ClearProductGroup();

    QColor BackColor() const { return backColor_; }
    // Also restarts the banner on show from its first frame.
    void setBackColor(const QColor& colour);

    // The stored properties, in order: two entries named "BackColor", each a two-element list
    // {name, value}: first a text kept for the host as it was read (default "FFFFFF"), then the
    // background colour.
    Q_INVOKABLE QVariantList saveProperties() const;
    // Takes the entries saveProperties() gives; missing or unusable entries leave the defaults.
    Q_INVOKABLE void loadProperties(const QVariantList& entries);

    bool designMode() const { return designMode_; }
    void setDesignMode(bool on) { designMode_ = on; }

    void setServices(BannerServices services) { services_ = std::move(services); }

    // What the two timers run on each of their ticks.
    void frameTick();
    void minuteTick();

    const BannerState& state() const { return state_; }

signals:
    void BackColorChanged();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void chooseNextBanner();
    void showCurrentBanner();
    void paintFrame();
    void openLink();

    BannerServices services_ = BannerServices::system();
    BannerStore store_;
    BannerState state_;
    QImage picture_;         // the current picture; the previous one stays if a load fails
    int paintedBandTop_ = 0; // the band on the surface
    QColor backColor_;
    QString backColorText_; // the first stored entry, kept for the host
    bool designMode_ = false;
    QTimer* frameTimer_;
    QTimer* minuteTimer_;
};
