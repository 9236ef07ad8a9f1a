#include "khttp/multi_download.h"

#include <gtest/gtest.h>

#include "platform/text.h"

namespace khttp {
namespace {

TEST(MultiDownload, PieceSizeGrowsWithTheFileUpTo16MiB) {
  const std::pair<std::int64_t, std::int32_t> cases[] = {
      {0, 16384},
      {1000, 16384},
      {16384LL * 2048, 16384},
      {16384LL * 2048 + 2048, 32768},
      {100'000'000, 65536},
      {std::int64_t{32} << 30, 16777216},
      {std::int64_t{1} << 40, 16777216},
  };
  for (const auto& [total, piece] : cases) EXPECT_EQ(auto_piece_size(total), piece) << total;
}

TEST(MultiDownload, UrlPreparationEscapesWhatARequestLineCannotCarry) {
  // The URL comes in the system's narrow encoding (the ANSI code page on Windows) and goes out
  // as escaped UTF-8.
  const std::string cafe = platform::WideToNarrow(L"http://dl.example/caf\u00e9");
  const std::pair<std::string, const char*> cases[] = {
      {"http://dl.example/a b.exe", "http://dl.example/a%20b.exe"},
      {"http://dl.example/{x}|^`", "http://dl.example/%7bx%7d%7c%5e%60"},
      {cafe, "http://dl.example/caf%c3%a9"},
      {"http://dl.example/already%20escaped?q=1#f", "http://dl.example/already%20escaped?q=1#f"},
  };
  for (const auto& [url, prepared] : cases) EXPECT_EQ(prepare_download_url(url), prepared);
}

TEST(MultiDownload, ABadUrlFailsTheStartWithoutThrowing) {
  boost::asio::io_context io;
  multi_download download(io);
  boost::system::error_code ec;
  download.start("not a url", download_settings(), ec);
  EXPECT_TRUE(ec);
  EXPECT_THROW(download.start("::", download_settings()), boost::system::system_error);
  EXPECT_EQ(download.total_size(), -1);
}

}  // namespace
}  // namespace khttp
