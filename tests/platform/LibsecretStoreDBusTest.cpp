// The stored key through libsecret and a Secret Service on the private bus.
#include "platform/linux/LibsecretStore.h"

#include "support/FakeSecretService.h"

#include <gtest/gtest.h>

using namespace brisklet;
using namespace brisklet::test;

namespace {

class LibsecretStoreDBusTest : public ::testing::Test {
protected:
    static inline FakeSecretService* shared = nullptr;
    FakeSecretService& service = *shared;
    platform::LibsecretStore store;

    static void SetUpTestSuite() { shared = new FakeSecretService; }
    static void TearDownTestSuite() {
        delete shared;
        shared = nullptr;
    }
    void SetUp() override {
        ASSERT_TRUE(service.problem().isEmpty()) << qPrintable(service.problem());
        service.reset();
    }
};

} // namespace

TEST_F(LibsecretStoreDBusTest, aKeyIsStoredReadBackReplacedAndRemoved) {
    EXPECT_FALSE(store.get("anthropic-api-key"));
    ASSERT_TRUE(store.set("anthropic-api-key", QString::fromUtf8("sk-first ✓")));
    EXPECT_EQ(store.get("anthropic-api-key"), QString::fromUtf8("sk-first ✓"));
    ASSERT_EQ(service.items().size(), 1);
    const FakeSecretService::Item item = service.items().first();
    EXPECT_EQ(item.attributes.value("service"), "Brisklet");
    EXPECT_EQ(item.attributes.value("account"), "anthropic-api-key");

    ASSERT_TRUE(store.set("anthropic-api-key", "sk-second"));
    EXPECT_EQ(store.get("anthropic-api-key"), "sk-second");
    EXPECT_EQ(service.items().size(), 1) << "replaced, not added";

    ASSERT_TRUE(store.set("install-id", "ABC"));
    EXPECT_EQ(store.get("install-id"), "ABC");
    EXPECT_EQ(store.get("anthropic-api-key"), "sk-second");

    EXPECT_TRUE(store.clear("anthropic-api-key"));
    EXPECT_FALSE(store.get("anthropic-api-key"));
    EXPECT_EQ(store.get("install-id"), "ABC");
    EXPECT_TRUE(store.clear("anthropic-api-key")) << "a missing item counts as removed";
}

TEST_F(LibsecretStoreDBusTest, aFailedWriteKeepsTheOldKey) {
    ASSERT_TRUE(store.set("anthropic-api-key", "sk-old"));
    service.setFailWrites(true);
    EXPECT_FALSE(store.set("anthropic-api-key", "sk-new"));
    service.setFailWrites(false);
    EXPECT_EQ(store.get("anthropic-api-key"), "sk-old");
}

TEST_F(LibsecretStoreDBusTest, aLockedKeyringReadsAsNothingWithoutAPrompt) {
    ASSERT_TRUE(store.set("anthropic-api-key", "sk-locked"));
    service.setLocked(true);
    EXPECT_FALSE(store.get("anthropic-api-key"));
    service.setLocked(false);
    EXPECT_EQ(store.get("anthropic-api-key"), "sk-locked");
}

TEST_F(LibsecretStoreDBusTest, aKeyStoredByAnotherProgramIsFoundAndCleared) {
    const QMap<QString, QString> bare{{"service", "Brisklet"}, {"account", "anthropic-api-key"}};
    QMap<QString, QString> otherSchema = bare;
    otherSchema.insert("xdg:schema", "org.example.Passwords");
    for (const auto& attributes : {bare, otherSchema}) {
        service.reset();
        service.addItem({attributes, "stored elsewhere", "sk-elsewhere"});
        EXPECT_EQ(store.get("anthropic-api-key"), "sk-elsewhere");
        EXPECT_FALSE(store.get("install-id"));
        // Once the user sets a key here, that is the one read back.
        ASSERT_TRUE(store.set("anthropic-api-key", "sk-mine"));
        EXPECT_EQ(store.get("anthropic-api-key"), "sk-mine");
        EXPECT_TRUE(store.clear("anthropic-api-key"));
        EXPECT_FALSE(store.get("anthropic-api-key"));
        EXPECT_TRUE(service.items().isEmpty());
    }
}
