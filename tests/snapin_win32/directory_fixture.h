// Shared set-up of the directory tests: an empty stand-in store with the
// snap-in's classes, an administrator identity, and checks that an operation
// left no context, buffer or heap block behind.
#ifndef RAX_TESTS_DIRECTORY_FIXTURE_H
#define RAX_TESTS_DIRECTORY_FIXTURE_H

#include <gtest/gtest.h>

#include <cstdint>

namespace raxtest {

inline constexpr const char Admin[] = "CN=Admin.O=Acme";
inline constexpr const char UserObject[] = "CN=Jane.OU=Sales.O=Acme";
inline constexpr const char OtherUserObject[] = "CN=Joe.OU=Sales.O=Acme";
inline constexpr const char UnitObject[] = "OU=Sales.O=Acme";
// A distinctive library code for injected failures.
inline constexpr int32_t InjectedCode = -777;

class DirectoryTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Nothing of the directory layer is held any more: no context, no
    // buffer, no heap block beyond those counted before the test.
    void ExpectAllReleased(const char *where);

    long heapBefore_ = 0;
};

} // namespace raxtest

#endif
