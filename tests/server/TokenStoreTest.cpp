// Per-visit tokens: their form, their expiry and the bound on how many are kept.

#include "server/TokenStore.h"

#include <gtest/gtest.h>

#include <regex>
#include <set>

using quillo::server::TokenStore;

TEST(TokenStoreTest, TokensAreRandomLettersAndDigitsOfTheGivenLength)
{
    TokenStore store(33, std::chrono::minutes(1), 1000);
    std::set<std::string> seen;
    for (int i = 0; i < 200; ++i) {
        const std::string token = store.issue();
        EXPECT_TRUE(std::regex_match(token, std::regex("[A-Za-z0-9]{33}"))) << token;
        EXPECT_TRUE(store.isValid(token));
        seen.insert(token);
    }
    EXPECT_EQ(seen.size(), 200u);
    EXPECT_FALSE(store.isValid("not-a-token"));
}

TEST(TokenStoreTest, TokensExpireAndTheOldestGoWhenFull)
{
    auto now = TokenStore::Clock::time_point{} + std::chrono::hours(1);
    TokenStore store(8, std::chrono::minutes(30), 3, [&now] { return now; });
    const std::string early = store.issue();
    now += std::chrono::minutes(20);
    const std::string later = store.issue();
    now += std::chrono::minutes(15); // early is 35 minutes old, later 15
    EXPECT_FALSE(store.isValid(early));
    EXPECT_TRUE(store.isValid(later));

    const std::string a = store.issue();
    const std::string b = store.issue();
    const std::string c = store.issue(); // a fourth live token pushes out the oldest
    EXPECT_FALSE(store.isValid(later));
    EXPECT_TRUE(store.isValid(a));
    EXPECT_TRUE(store.isValid(b));
    EXPECT_TRUE(store.isValid(c));
}
