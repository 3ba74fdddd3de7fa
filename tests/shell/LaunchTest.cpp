#include <QProcess>
#include <QProcessEnvironment>
#include <gtest/gtest.h>

namespace {
struct Run {
    int exitCode;
    QString out;
};

// Start the real executable without any display.
Run runHeadless(const QStringList& args) {
    QProcess p;
    auto env = QProcessEnvironment::systemEnvironment();
    env.remove("DISPLAY");
    env.remove("WAYLAND_DISPLAY");
    env.remove("QT_QPA_PLATFORM");
    p.setProcessEnvironment(env);
    p.start(QStringLiteral(BRISKLET_EXECUTABLE), args);
    if (!p.waitForFinished(10000)) {
        p.kill();
        return {-1, {}};
    }
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
            QString::fromUtf8(p.readAllStandardOutput())};
}
} // namespace

TEST(Launch, versionAndHelpAnswerWithoutADisplay) {
    auto version = runHeadless({"--version"});
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_EQ(version.out.trimmed(), QStringLiteral("Brisklet " BRISKLET_VERSION));
    auto help = runHeadless({"--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_TRUE(help.out.startsWith("Usage: brisklet")) << help.out.toStdString();
}
