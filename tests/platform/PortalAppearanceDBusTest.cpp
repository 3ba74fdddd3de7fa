// The desktop's dark mode and reduced motion, read from a stand-in settings portal
// on the private session bus, answers nested in variants as the real one nests them.
#include "platform/linux/PortalAppearance.h"
#include "platform/linux/QtOwnWindows.h"

#include "support/FakeClock.h"
#include "support/FakeDesktop.h"

#include "support/WaitFor.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusError>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QThread>
#include <future>
#include <gtest/gtest.h>

using namespace brisklet;
using namespace brisklet::test;

namespace {

// The portal's Settings interface over a table of values.
class FakeSettingsPortal : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.Settings")
public:
    QMap<QString, QVariant> values;

public slots:
    QDBusVariant Read(const QString& nameSpace, const QString& key, const QDBusMessage& message) {
        const QString id = nameSpace + '/' + key;
        if (!values.contains(id)) {
            QDBusConnection::sessionBus().send(message.createErrorReply(
                QStringLiteral("org.freedesktop.portal.Error.NotFound"), QStringLiteral("no such setting")));
            return {};
        }
        return QDBusVariant(QVariant::fromValue(QDBusVariant(values.value(id))));
    }
};

class PortalAppearanceDBusTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(bus.isConnected()) << "no session bus: run inside scripts/test-desktop";
        ASSERT_TRUE(bus.registerObject(QStringLiteral("/org/freedesktop/portal/desktop"), &portal,
                                       QDBusConnection::ExportAllSlots));
        ASSERT_TRUE(bus.registerService(QStringLiteral("org.freedesktop.portal.Desktop")));
    }
    void TearDown() override {
        bus.unregisterService(QStringLiteral("org.freedesktop.portal.Desktop"));
        QDBusConnection::disconnectFromBus(QStringLiteral("fake-portal"));
    }
    void change(const QString& nameSpace, const QString& key, const QVariant& value) {
        QDBusMessage signal = QDBusMessage::createSignal(QStringLiteral("/org/freedesktop/portal/desktop"),
                                                         QStringLiteral("org.freedesktop.portal.Settings"),
                                                         QStringLiteral("SettingChanged"));
        signal << nameSpace << key << QVariant::fromValue(QDBusVariant(value));
        ASSERT_TRUE(bus.send(signal));
    }

    QDBusConnection bus =
        QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("fake-portal"));
    FakeSettingsPortal portal;
};

} // namespace

TEST_F(PortalAppearanceDBusTest, ReadsThePreferencesAndFollowsTheirChanges) {
    portal.values["org.freedesktop.appearance/color-scheme"] = 1u;
    portal.values["org.gnome.desktop.interface/enable-animations"] = false;
    platform::PortalAppearance appearance;
    int changes = 0;
    appearance.addChangeHandler([&] { ++changes; });
    EXPECT_TRUE(waitFor([&] { return appearance.prefersDark() && appearance.reducesMotion(); }, 5000));

    change(QStringLiteral("org.freedesktop.appearance"), QStringLiteral("color-scheme"), 2u); // prefer light
    EXPECT_TRUE(waitFor([&] { return !appearance.prefersDark(); }, 5000));
    change(QStringLiteral("org.gnome.desktop.interface"), QStringLiteral("enable-animations"), true);
    EXPECT_TRUE(waitFor([&] { return !appearance.reducesMotion(); }, 5000));
    change(QStringLiteral("org.example.other"), QStringLiteral("color-scheme"), 1u); // not ours
    QThread::msleep(50);
    QCoreApplication::processEvents();
    EXPECT_FALSE(appearance.prefersDark());
    EXPECT_EQ(changes, 4);
}

TEST_F(PortalAppearanceDBusTest, MissingSettingsLeaveALightDesktopThatMoves) {
    platform::PortalAppearance appearance;
    QThread::msleep(100);
    QCoreApplication::processEvents();
    QTest::qWait(200);
    EXPECT_FALSE(appearance.prefersDark());
    EXPECT_FALSE(appearance.reducesMotion());
}

TEST_F(PortalAppearanceDBusTest, GlidesFollowReducedMotionChangedWhileTheAppRuns) {
    portal.values["org.gnome.desktop.interface/enable-animations"] = true;
    platform::PortalAppearance appearance;
    FakeClock clock;
    FakeDesktop desktop{clock};
    platform::QtOwnWindows own(desktop, {});
    own.followAppearance(&appearance);
    // As the executor's queue asks it, with the main thread free to answer.
    auto asked = [&] {
        auto answer = std::async(std::launch::async, [&] { return own.reduceMotion(); });
        while (answer.wait_for(std::chrono::milliseconds(5)) != std::future_status::ready)
            QCoreApplication::processEvents();
        return answer.get();
    };
    QThread::msleep(100);
    QCoreApplication::processEvents();
    EXPECT_FALSE(asked());
    change(QStringLiteral("org.gnome.desktop.interface"), QStringLiteral("enable-animations"), false);
    EXPECT_TRUE(waitFor([&] { return asked(); }, 5000)) << "the change counts for the next glide";
    change(QStringLiteral("org.gnome.desktop.interface"), QStringLiteral("enable-animations"), true);
    EXPECT_TRUE(waitFor([&] { return !asked(); }, 5000));
}

#include "PortalAppearanceDBusTest.moc"
