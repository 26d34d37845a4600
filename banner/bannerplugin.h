#pragma once

#include "shell/controlfactory.h"

#include <QObject>

// The plugin's entry: creates the banner control for the identifier "CorvanBanner.FBanner".
class BannerPlugin : public QObject, public ControlFactory {
    Q_OBJECT
    Q_PLUGIN_METADATA(IID ControlFactory_iid FILE "banner.json")
    Q_INTERFACES(ControlFactory)

public:
    QWidget* create(const QString& identifier, QWidget* parent) override;
};
