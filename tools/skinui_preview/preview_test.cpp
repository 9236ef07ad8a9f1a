// skinui-preview end to end: the PNG it writes and how it fails.
#include <cairo.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "tests/support/temp_folder.h"

namespace {

std::string SkinFolder() { return std::string(KV_SOURCE_DIR) + "/skin"; }

int RunPreview(const std::string& arguments, const std::string& output_file = "/dev/null") {
  const std::string command =
      std::string(PREVIEW_PATH) + " " + arguments + " >" + output_file + " 2>&1";
  const int status = std::system(command.c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::pair<int, int> PngSize(const std::string& path) {
  cairo_surface_t* surface = cairo_image_surface_create_from_png(path.c_str());
  std::pair<int, int> size{-1, -1};
  if (cairo_surface_status(surface) == CAIRO_STATUS_SUCCESS) {
    size = {cairo_image_surface_get_width(surface), cairo_image_surface_get_height(surface)};
  }
  cairo_surface_destroy(surface);
  return size;
}

TEST(SkinPreview, WritesThePictureAtTheWindowSize) {
  kvtest::TempFolder folder;
  const std::string out = (folder.path() / "home.png").string();
  ASSERT_EQ(RunPreview("--skin " + SkinFolder() + " --file window.xml -o " + out), 0);
  EXPECT_EQ(PngSize(out), std::make_pair(650, 360));
  const std::string unfolded = (folder.path() / "unfolded.png").string();
  ASSERT_EQ(RunPreview("--skin " + SkinFolder() +
                       " --file window_rtl.xml --show bottomLayout --show "
                       "label_tip --texts " +
                       std::string(KV_SOURCE_DIR) + "/language --lang 1025 -o " + unfolded),
            0);
  EXPECT_EQ(PngSize(unfolded), std::make_pair(650, 435));
  const std::string banner = (folder.path() / "banner.png").string();
  ASSERT_EQ(RunPreview("--skin " + SkinFolder() +
                       " --file window.xml --page 1 --progress 45 --show "
                       "buttonLayout -o " +
                       banner),
            0);
  EXPECT_EQ(PngSize(banner), std::make_pair(650, 360));
}

TEST(SkinPreview, MalformedSkinExitsOneWithTheBuildersMessage) {
  kvtest::TempFolder folder;
  folder.Write("skin/window.xml",
               "<Window>\n<VerticalLayout>\n<Buton/>\n</VerticalLayout>\n</Window>");
  const std::string log = (folder.path() / "log.txt").string();
  EXPECT_EQ(RunPreview("--skin " + (folder.path() / "skin").string() + " --file window.xml -o " +
                           (folder.path() / "x.png").string(),
                       log),
            1);
  EXPECT_NE(kvtest::ReadFile(log).find("window.xml:3: unknown element <Buton>"), std::string::npos)
      << kvtest::ReadFile(log);
  EXPECT_EQ(RunPreview("--skin " + SkinFolder() + " --file window.xml --page 7 -o /dev/null"), 2);
  EXPECT_EQ(RunPreview("--skin " + SkinFolder() + " --file window.xml --show nothing_here -o x"),
            2);
  EXPECT_EQ(RunPreview("--skin " + SkinFolder() + " --file window.xml --progress 101 -o x"), 2);
  EXPECT_EQ(RunPreview("--skin " + SkinFolder() + " -o x"), 2);
}

}  // namespace
