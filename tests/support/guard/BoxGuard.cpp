// Compiled into every program that links the test kit: each test runs with a
// message-box catcher underneath any of its own, so a box the test did not
// prepare for fails that test and is pressed away instead of blocking the
// program until CTest kills it with all its results.
#include "testkit/MessageBoxCatcher.h"
#include <gtest/gtest.h>
#include <optional>

namespace {

class BoxGuard : public testing::EmptyTestEventListener {
    void OnTestStart(const testing::TestInfo&) override { catcher_.emplace(); }
    void OnTestEnd(const testing::TestInfo&) override { catcher_.reset(); }

    std::optional<testkit::MessageBoxCatcher> catcher_;
};

const bool installed = [] {
    testing::UnitTest::GetInstance()->listeners().Append(new BoxGuard);
    return true;
}();

}  // namespace
