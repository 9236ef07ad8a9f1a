#include "khttp/entry.h"

#include <gtest/gtest.h>

#include <boost/system/system_error.hpp>

#include "khttp/http_error.h"

namespace khttp {
namespace {

TEST(Entry, EncodesByteExactly) {
  entry::dictionary_type dict;
  dict["zeta"] = std::int64_t{-42};
  dict["alpha"] = entry::list_type{entry(std::int64_t{0}), entry("spam"), entry(std::string())};
  dict["b"] = entry(std::string("\0x", 2));
  dict["undefined"] = entry();
  using namespace std::string_literals;
  EXPECT_EQ(encode(entry(dict)), "d5:alphali0e4:spam0:e1:b2:\0x9:undefined4:zetai-42ee"s);
  EXPECT_EQ(encode(entry()), "");
  EXPECT_EQ(encode(entry(std::int64_t{INT64_MIN})), "i-9223372036854775808e");
}

TEST(Entry, DecodesWhatItEncodes) {
  const char* const kTexts[] = {
      "i0e",      "i-1e", "i9223372036854775807e", "i-9223372036854775808e", "0:", "3:a:b", "le",
      "li1ei2ee", "de",   "d1:ad1:bl1:ceee",       "d3:bar4:spam3:fooi42ee",
  };
  for (const char* text : kTexts) {
    EXPECT_EQ(encode(decode(text)), text) << text;
  }
}

TEST(Entry, DecoderRules) {
  // Bytes after the top-level value are ignored.
  EXPECT_EQ(decode("i5etrailing"), entry(std::int64_t{5}));
  EXPECT_EQ(decode("d1:ai1eeXYZ").find("a")->integer(), 1);
  // A key that is no string ends the dictionary.
  const entry cut = decode("d1:ai1ei2e1:bi3ee");
  ASSERT_EQ(cut.type(), entry::kind::dictionary);
  EXPECT_EQ(cut.dict().size(), 1u);
  // Later duplicate keys replace earlier ones; keys need not arrive sorted.
  EXPECT_EQ(decode("d1:bi1e1:ai2e1:bi3ee").find("b")->integer(), 3);

  const std::string kBroken[] = {
      "",
      "x",
      "ie",                         // no digit
      "i-e",                        //
      "i12",                        // no "e"
      "i1x2e",                      // not a number
      "i 1e",                       //
      "i9223372036854775808e",      // beyond int64
      "i-9223372036854775809e",     //
      "i99999999999999999999999e",  //
      "5:abc",                      // longer than the bytes left
      "99999999999999999999999:x",  //
      "-1:x",                       //
      "3abc",                       // no ":"
      "l",                          // truncated
      "li1e",                       //
      "d",                          //
      "d1:a",                       // a key without a value
      "d1:ai1e",                    // no end
      "lxe",                        // an unknown byte inside
  };
  for (const auto& text : kBroken) {
    EXPECT_EQ(decode(text).type(), entry::kind::undefined) << text;
  }
}

TEST(Entry, NestingDeeperThanAHundredIsAnError) {
  const auto nested = [](int depth) { return std::string(depth, 'l') + std::string(depth, 'e'); };
  EXPECT_EQ(decode(nested(100)).type(), entry::kind::list);
  EXPECT_EQ(decode(nested(101)).type(), entry::kind::undefined);
  EXPECT_EQ(decode(std::string(100000, 'l')).type(), entry::kind::undefined);
}

TEST(Entry, AccessRules) {
  entry value;
  EXPECT_EQ(value["missing"].integer(), 0) << "an undefined value becomes a dictionary";
  EXPECT_EQ(value.type(), entry::kind::dictionary);
  EXPECT_EQ(value["text"].string(), "");
  EXPECT_EQ(value.dict().size(), 2u);

  entry number(std::int64_t{7});
  try {
    number["key"];
    FAIL() << "a key of an integer";
  } catch (const boost::system::system_error& error) {
    EXPECT_EQ(error.code(), make_error_code(http_error::invalid_entry_type));
  }
  EXPECT_THROW(number.string(), boost::system::system_error);
  const entry undefined;
  EXPECT_THROW(undefined.integer(), boost::system::system_error);
  EXPECT_EQ(undefined.find("x"), nullptr);
}

}  // namespace
}  // namespace khttp
