// The phone loop weighs readings for as long as the app runs: a window and its
// readings must leave nothing behind. This program runs under LeakSanitizer (see
// tests/CMakeLists.txt), which is asked after a few hundred weighings what is lost.
#include "platform/linux/speech/PhoneLoop.h"
#include "platform/linux/speech/PocketSphinxRecognizer.h"
#include "support/SpeechSet.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <memory>

// LeakSanitizer's own call, present only where the program was built with it.
extern "C" int __lsan_do_recoverable_leak_check() __attribute__((weak));

using brisklet::platform::PhoneLoop;
using brisklet::platform::PocketSphinxRecognizer;
namespace SpeechSet = brisklet::test::SpeechSet;

TEST(PhoneLoopLeak, weighingReadingsWindowAfterWindowLosesNothing) {
    ASSERT_NE(__lsan_do_recoverable_leak_check, nullptr) << "this test must be built with -fsanitize=leak";
    QTemporaryDir folder;
    QString error;
    const auto clips =
        SpeechSet::generate(folder.path(), {{"quit firefox", "quit firefox"}}, {"slt"}, std::nullopt, &error);
    ASSERT_EQ(clips.size(), 1u) << qPrintable(error);
    const auto samples = SpeechSet::readClip(clips.front().file);
    ASSERT_TRUE(samples && !samples->empty());
    const auto blocks = SpeechSet::pcmBlocks(*samples);

    const PhoneLoop::Word quit{"quit", {"K W IH T"}}, open{"open", {"OW P AH N"}},
        firefox{"firefox", {"F AY ER F AA K S"}}, the{"the", {"DH AH"}, false};
    const std::vector<PhoneLoop::Candidate> readings{{quit, firefox}, {open, firefox}, {quit, the, firefox}};
    constexpr int windows = 100;
    int weighed = 0;
    {
        auto loop = std::make_unique<PhoneLoop>(1e-20);
        ASSERT_TRUE(loop->load((PocketSphinxRecognizer::defaultModelDir() + "/en-us/en-us").toUtf8()))
            << "the pocketsphinx-en-us model did not load";
        for (int w = 0; w < windows; ++w) {
            loop->begin(50);
            for (const auto& block : blocks)
                loop->feed(block);
            for (const auto& support : loop->weigh(readings).get())
                weighed += support.has_value();
        }
    }
    EXPECT_EQ(weighed, windows * int(readings.size())) << "every reading was aligned";
    EXPECT_EQ(__lsan_do_recoverable_leak_check(), 0) << "LeakSanitizer's report above lists what was lost";
}
