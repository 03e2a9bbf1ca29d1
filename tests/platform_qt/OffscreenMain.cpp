// The Qt tests of this binary run on the offscreen platform: no display needed.

#include <gtest/gtest.h>

#include <memory>

#include "tests/platform_qt/QtTestEnv.h"

namespace {

class OffscreenEnvironment : public ::testing::Environment {
public:
    void SetUp() override { env_ = std::make_unique<qttest::Environment>("offscreen"); }
    void TearDown() override { env_.reset(); }

private:
    std::unique_ptr<qttest::Environment> env_;
};

::testing::Environment* const kEnvironment =
    ::testing::AddGlobalTestEnvironment(new OffscreenEnvironment);

}  // namespace
