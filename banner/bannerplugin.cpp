#include "banner/bannerplugin.h"

#include "banner/fbanner.h"

QWidget* BannerPlugin::create(const QString& identifier, QWidget* parent)
{
    if (identifier != QLatin1String("CorvanBanner.FBanner")) {
        return nullptr;
    }
    return new FBanner(parent);
}
