#pragma once

#include "platform/AppIconSource.h"

#include <QColor>
#include <QHash>
#include <QStringList>

namespace brisklet::test {

// Icons of solid colour for the apps a test names; every other app has none.
// Counts the lookups, so tests see what the cache saves.
class FakeAppIconSource final : public platform::AppIconSource {
public:
    void set(const QString& appID, const QColor& colour) { colours_.insert(appID, colour); }

    QImage icon(const QString& appID, int pixels) override {
        asked << appID;
        if (!colours_.contains(appID))
            return {};
        QImage image(pixels, pixels, QImage::Format_ARGB32_Premultiplied);
        image.fill(colours_.value(appID));
        return image;
    }

    QStringList asked;

private:
    QHash<QString, QColor> colours_;
};

} // namespace brisklet::test
