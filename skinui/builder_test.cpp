#include "skinui/builder.h"

#include <gtest/gtest.h>

#include "platform/text.h"
#include "skinui/archive.h"
#include "skinui/container.h"
#include "skinui/control.h"
#include "skinui/paint_manager.h"
#include "tests/support/temp_folder.h"

namespace SkinUI {
namespace {

constexpr const char* kGoodWindow =
    "<Window size=\"200,100\">\n"
    "  <Font id=\"1\" name=\"Segoe UI\" size=\"14\"/>\n"
    "  <VerticalLayout>\n"
    "    <Include source=\"page.xml\"/>\n"
    "  </VerticalLayout>\n"
    "</Window>\n";
constexpr const char* kGoodPage =
    "<HorizontalLayout>\n  <Label name=\"l\" font=\"1\"/>\n</HorizontalLayout>\n";

struct BadSkin {
  const char* window;
  const char* page;
  const char* message;  // must appear in the builder's error
};

TEST(SkinBuilder, NamesFileAndLineOfEveryMistake) {
  std::string deep = "<Window>\n";
  for (int i = 0; i < 300; ++i) deep += "<VerticalLayout>";
  for (int i = 0; i < 300; ++i) deep += "</VerticalLayout>";
  deep += "\n</Window>";
  std::string many_includes = "<Window><VerticalLayout>\n";
  for (int i = 0; i < 300; ++i) many_includes += "<Include source=\"page.xml\"/>";
  many_includes += "\n</VerticalLayout></Window>";
  const BadSkin cases[] = {
      {deep.c_str(), nullptr, "window.xml:2: controls nest deeper than 200 levels"},
      {"<Window>\n<VerticalLayout>\n  <Lable/>\n</VerticalLayout>\n</Window>", nullptr,
       "window.xml:3: unknown element <Lable>"},
      {"<Window>\n<VerticalLayout colour=\"#FF000000\"/>\n</Window>", nullptr,
       "window.xml:2: unknown attribute \"colour\" of \"VerticalLayout\""},
      {"<Window>\n<Control\n width=\"wide\"/>\n</Window>", nullptr,
       "window.xml:2: attribute \"width\": expected a whole number"},
      {"<Window>\n<Control bkcolor=\"blue\"/>\n</Window>", nullptr,
       "window.xml:2: attribute \"bkcolor\": expected a colour"},
      {"<Window>\n\n<Label font=\"3\"/>\n</Window>", nullptr,
       "window.xml:3: attribute \"font\": the font table has no font 3"},
      {"<Window>\n<Control visible=\"yes\"/>\n</Window>", nullptr,
       "attribute \"visible\": expected \"true\" or \"false\""},
      {"<Window size=\"650\">\n<Control/>\n</Window>", nullptr,
       "window.xml:1: attribute \"size\": expected two numbers"},
      {"<Window roundcorner=\"4,4\">\n<Control/>\n</Window>", nullptr,
       "window.xml:1: unknown attribute \"roundcorner\" of Window"},
      {"<Window>\n<Font id=\"0\" name=\"A\" size=\"0\"/>\n<Control/></Window>", nullptr,
       "window.xml:2: attribute \"size\": a font size"},
      {"<Window>\n<Font name=\"A\" size=\"12\"/>\n<Control/></Window>", nullptr,
       "window.xml:2: a Font needs an id"},
      {"<Window>\n<VerticalLayout>\n<Control>\n<Control/>\n</Control>\n</VerticalLayout>\n</"
       "Window>",
       nullptr, "window.xml:4: <Control> cannot hold <Control>"},
      {"<Window>\n<Label>hello</Label>\n</Window>", nullptr, "window.xml:2: text inside <Label>"},
      {"<Window>\n<Control/>\n<Control/>\n</Window>", nullptr, "window.xml:3: a Window holds one"},
      {"<Window>\n</Window>", nullptr, "window.xml:1: the Window holds no control"},
      {"<Skin>\n<Control/>\n</Skin>", nullptr, "window.xml:1: the root element is <Skin>"},
      {"<Window>\n<Control>\n</Window>", nullptr, "window.xml:3: malformed XML"},
      {"<Window><VerticalLayout>\n<Include source=\"missing.xml\"/>\n</VerticalLayout></Window>",
       nullptr, "window.xml:2: missing.xml is not in"},
      {"<Window><VerticalLayout>\n<Include/>\n</VerticalLayout></Window>", nullptr,
       "window.xml:2: Include needs a source"},
      {"<Window><VerticalLayout>\n<Include source=\"page.xml\" "
       "count=\"2\"/>\n</VerticalLayout></Window>",
       "<Control/>", "window.xml:2: unknown attribute \"count\" of Include"},
      {"<Window><VerticalLayout>\n<Include source=\"page.xml\"/>\n</VerticalLayout></Window>",
       "<VerticalLayout>\n\n<Button normalimage=\"file='a.png' dest='1'\"/>\n</VerticalLayout>",
       "page.xml:3: attribute \"normalimage\": image dest"},
      {"<Window><VerticalLayout>\n<Include source=\"page.xml\"/>\n</VerticalLayout></Window>",
       "<VerticalLayout>\n<Include source=\"page.xml\"/>\n</VerticalLayout>",
       "page.xml:2: page.xml includes itself"},
      {"<Window><VerticalLayout>\n<Include source=\"page.xml\"/>\n</VerticalLayout></Window>",
       "<VerticalLayout>\n<Option group=\"g\" selected=\"maybe\"/>", "page.xml:2: malformed XML"},
      {many_includes.c_str(), "<Control/>", "window.xml:2: the skin includes more than 256 files"},
  };
  for (const BadSkin& c : cases) {
    kvtest::TempFolder folder;
    folder.Write("window.xml", c.window);
    if (c.page) folder.Write("page.xml", c.page);
    std::string error;
    auto source = OpenSkinFolder(folder.Wide(), error);
    ASSERT_TRUE(source) << error;
    CPaintManager manager;
    CSkinBuilder builder(*source, nullptr);
    EXPECT_FALSE(builder.Build(L"window.xml", manager, error)) << c.window;
    EXPECT_NE(error.find(c.message), std::string::npos)
        << "expected \"" << c.message << "\" in \"" << error << "\"";
    EXPECT_EQ(manager.GetRoot(), nullptr) << "a failed build leaves the manager as it was";
  }
}

TEST(SkinBuilder, BuildsIncludesFontsAndWindowAttributes) {
  kvtest::TempFolder folder;
  folder.Write("window.xml", kGoodWindow);
  folder.Write("page.xml", kGoodPage);
  std::string error;
  auto source = OpenSkinFolder(folder.Wide(), error);
  ASSERT_TRUE(source);
  CPaintManager manager;
  ASSERT_TRUE(CSkinBuilder(*source, nullptr).Build(L"window.xml", manager, error)) << error;
  EXPECT_EQ(manager.GetInitialSize(), (Size{200, 100}));
  EXPECT_EQ(manager.GetFont(1).size, 14);
  CControl* label = manager.FindControl(L"l");
  ASSERT_NE(label, nullptr);
  EXPECT_TRUE(label->IsClass(L"Label"));
  EXPECT_TRUE(label->GetParent()->IsClass(L"HorizontalLayout"));
}

// A window's own control class takes precedence over the registry.
class CStar : public CControl {};
class StarCallback : public ISkinBuilderCallback {
 public:
  std::unique_ptr<CControl> CreateControl(const std::wstring& class_name) override {
    return class_name == L"Star" ? std::make_unique<CStar>() : nullptr;
  }
};

TEST(SkinBuilder, AsksTheWindowForClassesFirst) {
  kvtest::TempFolder folder;
  folder.Write("window.xml",
               "<Window><VerticalLayout><Star name=\"s\"/></VerticalLayout></Window>");
  std::string error;
  auto source = OpenSkinFolder(folder.Wide(), error);
  CPaintManager manager;
  StarCallback callback;
  ASSERT_TRUE(CSkinBuilder(*source, &callback).Build(L"window.xml", manager, error)) << error;
  EXPECT_NE(dynamic_cast<CStar*>(manager.FindControl(L"s")), nullptr);
}

TEST(SkinArchive, ReadsFilesFromMemoryAndRefusesNamesOutsideTheSkin) {
  std::string error;
  EXPECT_EQ(OpenSkinArchive("not a zip", 9, error), nullptr);
  EXPECT_NE(error.find("not a ZIP archive"), std::string::npos) << error;

  kvtest::TempFolder folder;
  folder.Write("skin/img/a.png", "A");
  folder.Write("secret.txt", "S");
  auto source = OpenSkinFolder(folder.Wide("skin"), error);
  ASSERT_TRUE(source);
  EXPECT_EQ(source->ReadFile(L"img\\a.png").value_or(""), "A");
  EXPECT_FALSE(source->ReadFile(L"../secret.txt"));
  EXPECT_FALSE(source->ReadFile(L"img/../../secret.txt"));
  EXPECT_FALSE(source->ReadFile(platform::Utf8ToWide((folder.path() / "secret.txt").string())));
}

}  // namespace
}  // namespace SkinUI
