// Animation time that moves only when stepped: the same frames on every run, and
// looping animations land on the same phase.
#include "snapshots/SteppedAnimationDriver.h"

#include <QTest>
#include <QVariantAnimation>
#include <gtest/gtest.h>

using namespace brisklet;

TEST(SteppedAnimationDriver, animationsMoveOnlyWithTheSteps) {
    SteppedAnimationDriver driver;
    driver.install();
    QVariantAnimation fade;
    fade.setStartValue(0.0);
    fade.setEndValue(1.0);
    fade.setDuration(200);
    fade.start();
    QTest::qWait(60); // the animation joins the timer from the event loop
    EXPECT_DOUBLE_EQ(fade.currentValue().toDouble(), 0.0) << "real time doesn't count";
    driver.step(100);
    EXPECT_NEAR(fade.currentValue().toDouble(), 0.5, 1e-9);
    driver.step(500);
    EXPECT_EQ(fade.state(), QAbstractAnimation::Stopped);
    EXPECT_DOUBLE_EQ(fade.currentValue().toDouble(), 1.0);
    driver.uninstall();
}

TEST(SteppedAnimationDriver, anAnimationAfterAQuietSpellStartsFromItsBeginning) {
    SteppedAnimationDriver driver;
    driver.install();
    QVariantAnimation first;
    first.setStartValue(0.0);
    first.setEndValue(1.0);
    first.setDuration(100);
    first.start();
    QTest::qWait(20); // the animation joins the timer from the event loop
    driver.step(500);
    ASSERT_EQ(first.state(), QAbstractAnimation::Stopped);
    QTest::qWait(20); // nothing animates: Qt stops the driver

    QVariantAnimation second;
    second.setStartValue(0.0);
    second.setEndValue(1.0);
    second.setDuration(200);
    second.start();
    QTest::qWait(20);
    driver.step(100);
    EXPECT_NEAR(second.currentValue().toDouble(), 0.5, 1e-9) << "not leaping by the earlier steps";
    driver.uninstall();
}

TEST(SteppedAnimationDriver, aLoopLandsOnTheSamePhaseForTheSameSteps) {
    const auto phaseAfter = [](int ms) {
        SteppedAnimationDriver driver;
        driver.install();
        QVariantAnimation spin;
        spin.setStartValue(0.0);
        spin.setEndValue(360.0);
        spin.setDuration(900);
        spin.setLoopCount(-1);
        spin.start();
        QTest::qWait(20); // the animation joins the timer from the event loop
        driver.step(ms);
        const double phase = spin.currentValue().toDouble();
        spin.stop();
        driver.uninstall();
        return phase;
    };
    // Qt's timer takes the loop's start from real time before the stepped time
    // begins, so a loaded machine may start it a millisecond (0.4°) apart; the
    // steps themselves add nothing of real time.
    const double oneMillisecond = 360.0 / 900.0;
    EXPECT_NEAR(phaseAfter(3800), phaseAfter(3800), oneMillisecond + 1e-6);
    EXPECT_NEAR(phaseAfter(3800), 360.0 * (3800 % 900) / 900.0, oneMillisecond + 1e-6);
}
