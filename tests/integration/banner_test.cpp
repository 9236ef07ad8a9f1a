// The banner carousel against the vendor server: the API answers of every fixture, the picture
// files in their language's folder, and picture n on screen in the real skin, offscreen.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "common/banner_content.h"
#include "common/language_manager.h"
#include "platform/text.h"
#include "skinui/offscreen.h"
#include "skinui/option.h"
#include "skinui/skin_fixture.h"
#include "skinui/tab_layout.h"
#include "tests/servers/vendor_server.h"
#include "tests/support/pack_fixture.h"
#include "tests/support/temp_folder.h"

namespace {

using kvtest::vendor_server;
namespace fs = std::filesystem;

std::string Md5Of(const fs::path& path) { return FileMD5(path.wstring()); }

// A language pack whose product asks the vendor server for `pid`.
class BannerTest : public ::testing::Test {
 protected:
  void Load(const std::string& pid, const wchar_t* language_id = L"1033") {
    auto& server = vendor_server::Get();
    pack_.Languages("[Language]\r\n1033=English\r\n1028=ChineseTW\r\n");
    pack_.Ini("ChineseTW/text.ini", L"[LANSTR]\r\nSTR_INSTALL=Install\r\n");
    pack_.Ini("productInfo.ini", L"[PRODUCT]\r\nSTR_PID=" + platform::Utf8ToWide(pid) +
                                     L"\r\nSTR_API_HOST=127.0.0.1:" +
                                     std::to_wstring(server.HttpsPort()) + L"\r\n");
    language_.InitForLanguageId(pack_.Folder(), language_id);
    content_ = std::make_unique<CBannerContent>(language_, pack_.Folder());
  }

  std::vector<std::string> Fetch() {
    std::vector<std::string> report;
    content_->images_ready = false;
    content_->FetchBannersFrom(language_.GetCarouselUrl(), content_->PictureFolder(), &report);
    EXPECT_TRUE(content_->images_ready.load());
    return report;
  }

  fs::path Picture(int n) const { return fs::path(content_->PicturePath(n)); }
  static fs::path Served(int n) {
    return vendor_server::Get().Folder() / "www/banners" / ("p" + std::to_string(n) + ".png");
  }

  kvtest::TempFolder folder_;
  kvtest::PackFixture pack_{folder_};
  LanguageManager language_;
  std::unique_ptr<CBannerContent> content_;
};

TEST_F(BannerTest, PicturesAreFetchedOnceAndReplacedWhenChanged) {
  Load("three");
  EXPECT_EQ(Fetch(), (std::vector<std::string>{"1 fetched", "2 fetched", "3 fetched"}));
  EXPECT_EQ(content_->banner_count.load(), 3);
  for (int n = 1; n <= 3; ++n) EXPECT_EQ(Md5Of(Picture(n)), Md5Of(Served(n))) << n;
  EXPECT_EQ(Picture(1).parent_path().filename(), "English");

  // A second run downloads nothing that is current.
  EXPECT_EQ(Fetch(), (std::vector<std::string>{"1 current", "2 current", "3 current"}));

  // A changed picture is replaced, the others stay.
  std::ofstream(Picture(2), std::ios::binary | std::ios::trunc) << "not the picture";
  EXPECT_EQ(Fetch(), (std::vector<std::string>{"1 current", "2 fetched", "3 current"}));
  EXPECT_EQ(Md5Of(Picture(2)), Md5Of(Served(2)));
}

TEST_F(BannerTest, EveryAnswerFixture) {
  struct Case {
    const char* pid;
    int count;
    std::vector<std::string> report;  // prefixes of the report lines
    std::vector<int> present;         // picture files afterwards
  };
  const Case cases[] = {
      {"empty", 0, {}, {}},
      {"code0", -1, {"no list: code 0"}, {}},
      {"bad-digest", 3, {"1 fetched", "2 failed: digest", "3 fetched"}, {1, 3}},
      {"many", 12, {}, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}},
      {"huge", 1, {"1 failed: larger than 4 MiB"}, {}},
      {"long-answer", -1, {"no answer"}, {}},
      {"not-json", -1, {"no list: code -1"}, {}},
      {"no-such-product", -1, {"no answer"}, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.pid);
    Load(c.pid);
    fs::remove_all(fs::path(content_->PictureFolder()));
    const auto report = Fetch();
    EXPECT_EQ(content_->banner_count.load(), c.count);
    if (!c.report.empty()) {
      ASSERT_EQ(report.size(), c.report.size());
      for (std::size_t i = 0; i < report.size(); ++i) {
        EXPECT_EQ(report[i].rfind(c.report[i], 0), 0u) << report[i];
      }
    }
    for (int n = 1; n <= 13; ++n) {
      const bool expected = std::find(c.present.begin(), c.present.end(), n) != c.present.end();
      EXPECT_EQ(fs::exists(Picture(n)), expected) << n;
      EXPECT_FALSE(fs::exists(Picture(n).string() + ".part")) << n;
    }
  }
}

TEST_F(BannerTest, EachLanguageHasItsOwnAnswerAndFolder) {
  Load("216", L"1028");
  EXPECT_EQ(Fetch(), (std::vector<std::string>{"1 fetched", "2 fetched", "3 fetched"}));
  EXPECT_EQ(Picture(1).parent_path().filename(), "ChineseTW");
  EXPECT_EQ(Md5Of(Picture(1)), Md5Of(Served(4)));
}

// The window's side of the carousel over the shipped skin.
class SkinBannerView : public IBannerView, public IBannerPicture {
 public:
  explicit SkinBannerView(SkinUI::SkinFixture& skin) : skin_(skin) {}
  IBannerPicture* FindPicture(const std::wstring& name) override {
    return skin_.manager().FindControl(name) != nullptr ? this : nullptr;
  }
  void ShowPicture(const std::wstring& path) override {
    skin_.manager().FindControl(L"banner")->SetBkImage(path);
  }
  void SelectDot(const std::wstring& name) override {
    auto* option = dynamic_cast<SkinUI::COption*>(skin_.manager().FindControl(name));
    if (option != nullptr && option->IsVisible()) option->Selected(true, false);
  }

 private:
  SkinUI::SkinFixture& skin_;
};

bool Selected(SkinUI::SkinFixture& skin, int dot) {
  return skin.Find<SkinUI::COption>(L"option_" + std::to_wstring(dot))->IsSelected();
}

TEST_F(BannerTest, RotationSkipsAMissingPictureAndShowsItsColours) {
  Load("bad-digest");
  Fetch();
  SkinUI::SkinFixture skin(L"window.xml");
  skin.Find<SkinUI::CTabLayout>(L"switch")->SelectItem(1);
  skin.Find(L"buttonLayout")->SetVisible(true);
  skin.manager().EnsureLayout();
  SkinBannerView view(skin);
  content_->SetView(&view);

  content_->ShowNextBanner();
  EXPECT_EQ(content_->banner_index, 1);
  EXPECT_TRUE(Selected(skin, 0));
  // Picture 2 failed: the rotation falls back to picture 1.
  content_->ShowNextBanner();
  EXPECT_EQ(content_->banner_index, 1);
  // Its dot changes nothing; the third dot shows picture 3.
  EXPECT_FALSE(content_->ShowBanner(2, &view));
  EXPECT_TRUE(content_->ShowBanner(3, &view));
  EXPECT_EQ(content_->banner_index, 3);
  EXPECT_TRUE(Selected(skin, 2));
  EXPECT_FALSE(Selected(skin, 0));
  EXPECT_FALSE(content_->ShowBanner(4, &view));
  EXPECT_FALSE(content_->ShowBanner(1, nullptr));

  // Picture 3 is painted: blue (60, 90, 200) in its first stripe.
  SkinUI::COffscreenCanvas canvas(skin.manager().GetInitialSize());
  canvas.PaintWindow(skin.manager());
  const SkinUI::Color pixel = canvas.Pixel(300, 8);
  EXPECT_NEAR(SkinUI::ColorRed(pixel), 60, 4);
  EXPECT_NEAR(SkinUI::ColorGreen(pixel), 90, 4);
  EXPECT_NEAR(SkinUI::ColorBlue(pixel), 200, 4);
}

TEST_F(BannerTest, KeptPicturesRotateWithoutAListAndAnEmptyListShowsNone) {
  Load("three");
  Fetch();
  SkinUI::SkinFixture skin(L"window.xml");
  SkinBannerView view(skin);

  // A later run without a list (no answer): the kept pictures are shown.
  CBannerContent later(language_, pack_.Folder(), &view);
  EXPECT_EQ(later.banner_count.load(), -1);
  for (int expected : {1, 2, 3, 1}) {
    later.ShowNextBanner();
    EXPECT_EQ(later.banner_index, expected);
  }

  // An empty list refuses every picture.
  CBannerContent empty(language_, pack_.Folder(), &view);
  empty.banner_count = 0;
  EXPECT_FALSE(empty.ShowBanner(1, &view));
  empty.ShowNextBanner();
  EXPECT_EQ(empty.banner_index, 0);
}

TEST_F(BannerTest, MoreThanTenPicturesRotateThroughAll) {
  Load("many");
  Fetch();
  SkinUI::SkinFixture skin(L"window.xml");
  skin.Find(L"buttonLayout")->SetVisible(true);
  SkinBannerView view(skin);
  content_->SetView(&view);
  for (int n = 1; n <= 12; ++n) {
    content_->ShowNextBanner();
    EXPECT_EQ(content_->banner_index, n);
  }
  content_->ShowNextBanner();
  EXPECT_EQ(content_->banner_index, 1);
}

}  // namespace
