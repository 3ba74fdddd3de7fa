// A spoken question that matches no command, end to end on the test desktop: the
// real wake key, recogniser and matcher, the Ask client over the loopback service,
// and the executor that runs the plan it answers with.
#include "shell/AppDelegate.h"

#include "base/AppState.h"
#include "base/Prefs.h"
#include "support/DesktopEntryFixture.h"
#include "support/FakeHttpServer.h"
#include "support/RoadDesktop.h"
#include "support/ScopedEnv.h"
#include "support/X11Session.h"
#include "ui/hud/HUDController.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <gtest/gtest.h>

using namespace brisklet;
using namespace brisklet::test;

namespace {

class AskRoadX11Test : public RoadDesktop {
protected:
    FakeHttpServer service;
    ScopedEnv url{"BRISKLET_SERVICE_URL", service.base().toUtf8()};
    ScopedEnv noKey{"ANTHROPIC_API_KEY", std::nullopt};

    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(RoadDesktop::SetUp());
        Prefs::setValue(Prefs::Key::clapWake, false);
        Prefs::setValue(Prefs::Key::askEnabled, true);
        Prefs::setValue(Prefs::Key::wakeKeyCode, 54);
        // A desktop entry named Calculator whose program is our test client.
        writeTestClientEntry("org.example.AskCalculator", "Calculator",
                             {"--title", "Calculator", "--class", "askcalculator,AskCalculator"},
                             "AskCalculator");
        appsToQuit = {"org.example.AskCalculator"};
        ASSERT_NO_FATAL_FAILURE(launch());
        ASSERT_NO_FATAL_FAILURE(waitUntilListening());
    }
};

} // namespace

TEST_F(AskRoadX11Test, aFreeQuestionGoesToTheServiceAndItsPlanRuns) {
    service.enqueue(FakeHttpServer::Answer::ok(R"([{"type":"openApp","name":"Calculator"}])"));
    holdAndSay("what is seven times eight");
    ASSERT_TRUE(X11Session::waitUntil([&] { return !service.requests().empty(); }, 15))
        << "no request; the display says " << delegate->hud()->state().text.toStdString();
    const FakeHttpServer::Request& request = service.requests()[0];
    EXPECT_EQ(request.path, "/functions/v1/ask");
    EXPECT_FALSE(QJsonDocument::fromJson(request.body).object().value("phrase").toString().isEmpty());
    EXPECT_TRUE(
        X11Session::waitUntil([&] { return !windowsOfClass("askcalculator,AskCalculator").empty(); }, 10))
        << delegate->hud()->state().text.toStdString();
    EXPECT_TRUE(X11Session::waitUntil([&] { return delegate->appState()->commandsRun() == 1; }, 5));
}
