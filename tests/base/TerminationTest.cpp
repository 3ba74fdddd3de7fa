// A stop signal while the launch still runs: nothing reads the event loop's route
// yet, so the signal has to end the process itself.
#include "base/Termination.h"

#include <QElapsedTimer>
#include <csignal>
#include <ctime>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace brisklet;

TEST(Termination, aStopSignalDuringASlowLaunchEndsTheProcess) {
    for (int signo : {SIGTERM, SIGINT}) {
        SCOPED_TRACE(signo);
        int ready[2];
        ASSERT_EQ(::pipe(ready), 0);
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            Termination::install();
            ::close(ready[0]);
            [[maybe_unused]] auto n = ::write(ready[1], "r", 1);
            // A launch that keeps working for 20 s and never reaches the loop.
            timespec left{20, 0};
            while (::nanosleep(&left, &left) != 0) {
            }
            ::_exit(0);
        }
        ::close(ready[1]);
        char byte;
        ASSERT_EQ(::read(ready[0], &byte, 1), 1);
        ::close(ready[0]);
        ASSERT_EQ(::kill(child, signo), 0);
        // A generous guard against a hang; the child should end at once.
        int status = 0;
        QElapsedTimer waited;
        waited.start();
        pid_t done = 0;
        while ((done = ::waitpid(child, &status, WNOHANG)) == 0 && waited.elapsed() < 10000)
            ::usleep(10000);
        if (done == 0) {
            ::kill(child, SIGKILL);
            ::waitpid(child, &status, 0);
            FAIL() << "the launch ran on";
        }
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signo);
    }
}
