#include "platform/SpeechRecognizer.h"

#include <gtest/gtest.h>

#include <thread>

using namespace brisklet::platform;
using Next = RecognitionRequest::Next;

TEST(RecognitionRequest, handsOutAudioInOrderThenItsEnd) {
    RecognitionRequest request({"left half"});
    request.append(std::vector<float>(512, 0.1f));
    request.append(std::vector<float>{});
    request.append(std::vector<float>(100, 0.2f));
    request.endAudio();
    request.append(std::vector<float>(512, 0.3f)); // after the end: dropped
    EXPECT_EQ(request.backlog(), 2u);

    std::vector<float> chunk;
    ASSERT_EQ(request.next(chunk), Next::audio);
    EXPECT_EQ(chunk.size(), 512u);
    EXPECT_EQ(request.backlog(), 2u); // taken but not yet decoded
    request.chunkDone();
    ASSERT_EQ(request.next(chunk), Next::audio);
    EXPECT_EQ(chunk, std::vector<float>(100, 0.2f));
    request.chunkDone();
    EXPECT_EQ(request.next(chunk), Next::ended);
    EXPECT_EQ(request.backlog(), 0u);
}

TEST(RecognitionRequest, cancelDropsQueuedAudioAndWakesAWaitingReader) {
    RecognitionRequest request;
    request.append(std::vector<float>(512, 0.1f));
    std::vector<float> chunk;
    ASSERT_EQ(request.next(chunk), Next::audio);
    request.chunkDone();

    Next seen = Next::audio;
    std::thread reader([&] {
        std::vector<float> out;
        seen = request.next(out);
    });
    request.append(std::vector<float>(0));
    request.cancel();
    reader.join();
    EXPECT_EQ(seen, Next::cancelled);
    request.append(std::vector<float>(512, 0.1f));
    EXPECT_EQ(request.backlog(), 0u);
    EXPECT_TRUE(request.isCancelled());
}
