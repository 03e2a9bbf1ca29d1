// The tests of this binary need a real X server: they start their own Xvfb and end it,
// by its pid, once the application object is gone.

#include <gtest/gtest.h>

#include <QApplication>
#include <memory>

#include "tests/platform_qt/QtTestEnv.h"

namespace qttest {

bool g_haveX = false;

namespace {

class X11Environment : public ::testing::Environment {
public:
    void SetUp() override {
        env_ = std::make_unique<qttest::Environment>("xcb");
        g_haveX = server_.Start();
    }
    void TearDown() override {
        // Qt ends the process when its display goes away under it.
        delete qApp;
        server_.Stop();
        env_.reset();
    }

private:
    std::unique_ptr<qttest::Environment> env_;
    XServer server_;
};

::testing::Environment* const kEnvironment =
    ::testing::AddGlobalTestEnvironment(new X11Environment);

}  // namespace
}  // namespace qttest
