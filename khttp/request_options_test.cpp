#include "khttp/request_options.h"

#include <gtest/gtest.h>

namespace khttp {
namespace {

TEST(RequestOptions, FindIgnoresCaseAndRemoveDoesNot) {
  RequestOptions options;
  options.Insert("Content-Length", "10");
  options.Insert("Range", "bytes=0-");
  std::string value;
  ASSERT_TRUE(options.Find("content-length", value));
  EXPECT_EQ(value, "10");

  options.Remove("content-length");
  ASSERT_TRUE(options.Find("Content-Length", value));
  options.Remove("Content-Length");
  EXPECT_FALSE(options.Find("Content-Length", value));
  EXPECT_EQ(value, "10") << "a failed Find leaves the value alone";
  options.Remove("Not-There");
  EXPECT_EQ(options.Size(), 1u);
}

TEST(RequestOptions, KeepsDuplicatesInInsertionOrder) {
  RequestOptions options;
  options.Insert("Set-Cookie", "a=1");
  options.Insert("Host", "h");
  options.Insert("set-cookie", "b=2");
  const std::vector<RequestOptions::Option> expected = {
      {"Set-Cookie", "a=1"}, {"Host", "h"}, {"set-cookie", "b=2"}};
  EXPECT_EQ(options.Options(), expected);

  std::string value;
  ASSERT_TRUE(options.Find("SET-COOKIE", value));
  EXPECT_EQ(value, "a=1") << "Find answers with the first pair";
  options.Remove("Set-Cookie");
  ASSERT_TRUE(options.Find("set-cookie", value));
  EXPECT_EQ(value, "b=2") << "Remove takes only the first exact match";

  options.Clear();
  EXPECT_TRUE(options.Empty());
}

TEST(RequestOptions, FakeContinueIsCopiedWithTheList) {
  RequestOptions options;
  EXPECT_FALSE(options.FakeContinue());
  options.FakeContinue(true);
  options.Insert(http_options::kRequestMethod, "POST");
  const RequestOptions copy = options;
  EXPECT_TRUE(copy.FakeContinue());
  EXPECT_EQ(copy.Options(), options.Options());
  options.Clear();
  EXPECT_TRUE(options.FakeContinue()) << "Clear empties the list only";
}

}  // namespace
}  // namespace khttp
