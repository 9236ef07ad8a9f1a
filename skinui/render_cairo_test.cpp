// The drawing libraries under the leak checker of sanitizer builds: only fontconfig's caches are
// suppressed (tests/lsan.supp), so a cairo object the toolkit forgets to destroy is reported.
#include <cairo.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <thread>

// The sanitizer runtime's own function, present in sanitizer builds only.
// NOLINTNEXTLINE(bugprone-reserved-identifier)
extern "C" int __lsan_do_recoverable_leak_check() __attribute__((weak));

namespace SkinUI {
namespace {

TEST(CairoLeakCheck, AForgottenCairoSurfaceIsReported) {
  if (!__lsan_do_recoverable_leak_check) GTEST_SKIP() << "no leak checker in this build";
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        const int leaked_before = __lsan_do_recoverable_leak_check();
        // Made and dropped on a thread that has ended, so that no stack still points at it.
        std::thread([] { cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 64, 64); }).join();
        const int leaked_after = __lsan_do_recoverable_leak_check();
        _exit(leaked_before == 0 && leaked_after != 0 ? 3 : 4);  // _exit: no check at exit
      },
      ::testing::ExitedWithCode(3), "libcairo");
}

}  // namespace
}  // namespace SkinUI
