// The banner carousel's content: the banner API answer, the pictures in the language's folder,
// and the operations that put picture n on screen.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "common/banner_answer.h"

class LanguageManager;

/// The largest banner API answer read, and the largest picture kept.
inline constexpr std::size_t kBannerAnswerLimit = std::size_t{1024} * 1024;
inline constexpr std::uint64_t kBannerPictureLimit = std::uint64_t{4} * 1024 * 1024;

/// The body of `url`, or empty text when the request fails, the answer is not 2xx or it is
/// larger than kBannerAnswerLimit.
std::string GetApiText(const std::wstring& url);

/// Lower-case hex MD5 of the file's content, or empty text on any failure.
std::string FileMD5(const std::wstring& path);

/// The picture control of the window ("banner").
class IBannerPicture {
 public:
  virtual ~IBannerPicture() = default;
  /// Shows the picture file at `path` as the control's background image.
  virtual void ShowPicture(const std::wstring& path) = 0;
};

/// What the banner operations use of the window: its picture control and its dots.
class IBannerView {
 public:
  virtual ~IBannerView() = default;
  /// The picture control named `name`, or null.
  virtual IBannerPicture* FindPicture(const std::wstring& name) = 0;
  /// Selects the dot `name` without raising its selection event when it is an option control
  /// that is visible (so the other dots of its group are cleared); nothing otherwise.
  virtual void SelectDot(const std::wstring& name) = 0;
};

/// The carousel's fields and operations. FetchBanners runs on a worker; ShowBanner and
/// ShowNextBanner on the UI thread, which uses the count only after it has seen images_ready.
class CBannerContent {
 public:
  /// `language` and `language_folder` (the unpacked pack, ending in a separator) must not change
  /// while a worker runs; `view` may be null until the window exists.
  CBannerContent(const LanguageManager& language, std::wstring language_folder,
                 IBannerView* view = nullptr);

  void SetView(IBannerView* view) { view_ = view; }

  /// Asks the banner API for this product's and language's list and brings the pictures in the
  /// language's folder up to date; then sets images_ready.
  void FetchBanners();
  /// The same against `api_url`, writing into `folder` (ending in a separator), one result line
  /// per picture into `report` when given: "n fetched", "n current" or "n failed: why".
  void FetchBannersFrom(const std::wstring& api_url, const std::wstring& folder,
                        std::vector<std::string>* report);

  /// Shows picture n (from 1) in `banner_control`; false when it is not there.
  bool ShowBanner(int n, IBannerPicture* banner_control);
  /// Shows picture banner index + 1, or picture 1.
  void ShowNextBanner();

  /// "pr_n.png" in the language's folder.
  std::wstring PicturePath(int n) const;
  std::wstring PictureFolder() const;

  std::atomic<int> banner_count{-1};
  int banner_index = 0;
  std::atomic<bool> images_ready{false};

 private:
  const LanguageManager& language_;
  std::wstring language_folder_;
  IBannerView* view_;
};
