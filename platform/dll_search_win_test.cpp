// A DLL planted beside the program is not loaded once the search is limited to the system folder.
#include <windows.h>
// windows.h apart: nothing else needs to come before it.
#include <gtest/gtest.h>

#include "platform/dll_search.h"

namespace platform {
namespace {

TEST(DllSearchTest, APlantedDllBesideTheProgramIsNotLoaded) {
  // kvtest_planted.dll is built beside this test program.
  HMODULE before = LoadLibraryExW(L"kvtest_planted.dll", nullptr, 0);
  ASSERT_NE(before, nullptr) << "the planted DLL is not beside the test program";
  FreeLibrary(before);

  ASSERT_TRUE(RestrictDllSearchToSystemFolder());
  EXPECT_EQ(LoadLibraryW(L"kvtest_planted.dll"), nullptr);
  HMODULE system = LoadLibraryW(L"version.dll");
  EXPECT_NE(system, nullptr);  // the system's own DLLs still load
  if (system) FreeLibrary(system);
}

}  // namespace
}  // namespace platform
