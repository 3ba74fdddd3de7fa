// The backlight engine against a fake sysfs folder and a fake logind on the bus
// that stands in for the system bus.
#include "platform/linux/BacklightBrightness.h"
#include "support/FakeDBusService.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace brisklet::platform;
using brisklet::test::FakeDBusService;

namespace {
void write(const QString& path, const QByteArray& text) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(text);
}

class Backlight : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* dev : {"intel_backlight", "acpi_video0", "broken"})
            QDir(sysfs.path()).mkdir(dev);
        write(sysfs.path() + "/intel_backlight/type", "raw\n");
        write(sysfs.path() + "/intel_backlight/max_brightness", "96000\n");
        write(sysfs.path() + "/intel_backlight/brightness", "48000\n");
        write(sysfs.path() + "/acpi_video0/type", "firmware\n");
        write(sysfs.path() + "/acpi_video0/max_brightness", "1000\n");
        write(sysfs.path() + "/acpi_video0/brightness", "250\n");
        write(sysfs.path() + "/broken/type", "firmware\n");
        write(sysfs.path() + "/broken/max_brightness", "0\n");
        logind = std::make_unique<FakeDBusService>(FakeDBusService::Bus::system, "org.freedesktop.login1",
                                                   "/org/freedesktop/login1/session/auto");
        ASSERT_TRUE(logind->problem().isEmpty()) << logind->problem().toStdString();
        logind->setProperty("org.freedesktop.login1.Session", "Active", true);
    }
    QTemporaryDir sysfs;
    std::unique_ptr<FakeDBusService> logind;
};
} // namespace

TEST_F(Backlight, readsTheFirmwareDeviceAndSetsItThroughLogind) {
    BacklightBrightness engine(sysfs.path());
    EXPECT_EQ(engine.device(), "acpi_video0");
    EXPECT_TRUE(engine.isAvailable());
    EXPECT_EQ(engine.read(), 0.25);
    EXPECT_TRUE(engine.set(0.6));
    EXPECT_TRUE(engine.set(1.7));
    std::vector<QVariantList> sets;
    for (const auto& call : logind->calls())
        if (call.member == "SetBrightness")
            sets.push_back(call.arguments);
    ASSERT_EQ(sets.size(), 2u);
    EXPECT_EQ(sets[0], (QVariantList{"backlight", "acpi_video0", 600u}));
    EXPECT_EQ(sets[1], (QVariantList{"backlight", "acpi_video0", 1000u}));
}

TEST_F(Backlight, anInactiveSessionOrARefusalMeansNoBacklight) {
    BacklightBrightness engine(sysfs.path());
    logind->setProperty("org.freedesktop.login1.Session", "Active", false);
    EXPECT_FALSE(engine.isAvailable());
    logind->setDenyAll(true);
    EXPECT_FALSE(engine.set(0.5));
}

TEST_F(Backlight, noDeviceMeansNoBacklight) {
    QTemporaryDir empty;
    BacklightBrightness engine(empty.path());
    EXPECT_FALSE(engine.isAvailable());
    EXPECT_EQ(engine.read(), std::nullopt);
    EXPECT_FALSE(engine.set(0.5));
}
