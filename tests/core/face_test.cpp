#include <gtest/gtest.h>

#include "main_window/main_form.h"
#include "platform/fake/fake_platform.h"
#include "timer_face/face.h"

namespace xr {
namespace {

TEST(Face, Smoke) {
  fake::FakePlatform p;
  MainForm f(p);
  p.ShowWindow(f.window);
  EXPECT_EQ(FaceSeconds(f), 0);
}

}  // namespace
}  // namespace xr
