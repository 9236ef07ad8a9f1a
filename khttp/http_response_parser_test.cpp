#include "khttp/http_response_parser.h"

#include <gtest/gtest.h>

namespace khttp {
namespace {

TEST(StatusLine, Grammar) {
  struct Case {
    const char* text;
    std::size_t size;  // 0: no status line
    int status;
    const char* reason;
  };
  const Case kCases[] = {
      {"HTTP/1.1 200 OK\r\n", 17, 200, "OK"},
      {"HTTP/1.1 200 \r\n", 15, 200, ""},
      {"HTTP/1.0 404 Not Found\r\nrest", 24, 404, "Not Found"},
      {"HTTP/2.0 206 Partial Content\r\n", 30, 206, "Partial Content"},
      {"HTTP/1.1 200 caf\xC3\xA9\r\n", 20, 200, "caf\xC3\xA9"},  // bytes of 0x80 up are text
      {"HTTP/1.1 200\r\n", 0, 0, ""},
      {"HTTP/1.1  200 OK\r\n", 0, 0, ""},
      {"HTTP/1.1 200 OK\n", 0, 0, ""},
      {"HTTP/1.1 200 OK\r", 0, 0, ""},
      {"HTTP/1.1 200 O\tK\r\n", 0, 0, ""},
      {"HTTP/1.1 200 OK\x7F\r\n", 0, 0, ""},
      {"HTTP/1 200 OK\r\n", 0, 0, ""},
      {"HTTP/.1 200 OK\r\n", 0, 0, ""},
      {"http/1.1 200 OK\r\n", 0, 0, ""},
      {"HTTP/1.1 1000 OK\r\n", 0, 0, ""},
      {"HTTP/1.1 OK\r\n", 0, 0, ""},
      {"", 0, 0, ""},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.text);
    status_line line;
    EXPECT_EQ(ParseStatusLine(c.text, line), c.size);
    if (c.size == 0) continue;
    EXPECT_EQ(line.status, c.status);
    EXPECT_EQ(line.reason, c.reason);
  }
}

TEST(HeaderBlock, Grammar) {
  struct Case {
    const char* block;
    bool ok;
    const char* pairs;  // name=value; of the parsed headers
  };
  const Case kCases[] = {
      {"\r\n", true, ""},
      {"A: 1\r\nB:2\r\n\r\n", true, "A=1;B=2;"},
      {"A:  padded \t\r\n\r\n", true, "A=padded;"},
      {"A: x\tz\r\n\r\n", true, "A=x\tz;"},  // a tab inside a value
      {"A: one\r\n two\r\n\t three\r\n\r\n", true, "A=onetwothree;"},
      {"A: 1\r\nA: 2\r\n\r\n", true, "A=1;A=2;"},
      {"Empty:\r\n\r\n", true, "Empty=;"},
      {" lead: 1\r\n\r\n", false, ""},
      {"A 1\r\n\r\n", false, ""},
      {": 1\r\n\r\n", false, ""},
      {"A{b: 1\r\n\r\n", false, ""},
      {"A`b: 1\r\n\r\n", false, ""},
      {"A: \x01\r\n\r\n", false, ""},
      {"A: 1\r\n", false, ""},    // no empty line
      {"A: 1\r\n\r", false, ""},  // its LF missing
      {"A: 1\n\r\n", false, ""},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.block);
    RequestOptions headers;
    header_facts facts;
    EXPECT_EQ(ParseHeaderBlock(c.block, headers, facts), c.ok);
    if (!c.ok) continue;
    std::string pairs;
    for (const auto& header : headers.Options()) pairs += header.first + "=" + header.second + ";";
    EXPECT_EQ(pairs, c.pairs);
  }
}

TEST(HeaderBlock, FactsTheStreamUses) {
  struct Case {
    const char* block;
    std::int64_t length;
    std::int64_t total;
    bool ok;
    bool chunked;
    bool close;
  };
  const Case kCases[] = {
      {"Content-Length: 100\r\nContent-Range: bytes 0-99/5000\r\n\r\n", 100, 5000, true, false,
       false},
      {"content-length: 7\r\ncontent-length: 7\r\n\r\n", 7, -1, true, false, false},
      {"Content-Length: 7\r\nContent-Length: 8\r\n\r\n", -1, -1, false, false, false},
      {"Content-Length: -1\r\n\r\n", -1, -1, false, false, false},
      {"Content-Length: 1234567890123456789\r\n\r\n", -1, -1, false, false, false},
      {"Content-Range: bytes */5000\r\n\r\n", -1, 5000, true, false, false},
      {"Content-Range: bytes 0-9/*\r\n\r\n", -1, -1, true, false, false},
      {"Transfer-Encoding: gzip, Chunked\r\n\r\n", -1, -1, true, true, false},
      {"Transfer-Encoding: chunked, gzip\r\n\r\n", -1, -1, true, false, false},
      {"Connection: Keep-Alive, CLOSE\r\n\r\n", -1, -1, true, false, true},
      {"Connection: keep-alive\r\n\r\n", -1, -1, true, false, false},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.block);
    RequestOptions headers;
    header_facts facts;
    ASSERT_EQ(ParseHeaderBlock(c.block, headers, facts), c.ok);
    if (!c.ok) continue;
    EXPECT_EQ(facts.content_length, c.length);
    EXPECT_EQ(facts.range_total, c.total);
    EXPECT_EQ(facts.chunked, c.chunked);
    EXPECT_EQ(facts.connection_close, c.close);
  }
}

TEST(HeadScanner, FindsTheEndOneByteAtATime) {
  const std::string head = "HTTP/1.1 200 OK\r\nA: 1\r\n\r\n";
  const std::string received_all = head + "body";
  head_scanner scanner;
  std::string received;
  for (std::size_t i = 0; i < received_all.size(); ++i) {
    received += received_all[i];
    std::size_t size = 0;
    const auto result = scanner.Scan(received, size);
    if (received.size() < head.size()) {
      EXPECT_EQ(result, head_scanner::result::need_more) << i;
      continue;
    }
    EXPECT_EQ(result, head_scanner::result::complete);
    EXPECT_EQ(size, head.size());
    break;
  }
  EXPECT_TRUE(scanner.SawStatusLine());

  head_scanner empty_block;
  std::size_t size = 0;
  EXPECT_EQ(empty_block.Scan("HTTP/1.1 204 No\r\n\r\n", size), head_scanner::result::complete);
  EXPECT_EQ(size, 19u);
  head_scanner junk;
  EXPECT_EQ(junk.Scan("SSH", size), head_scanner::result::malformed_status);
  head_scanner endless;
  EXPECT_EQ(endless.Scan("HTTP/1.1 200 OK\r\n" + std::string(kMaxResponseHead, 'x'), size),
            head_scanner::result::too_long);
}

TEST(ChunkSizeLine, Grammar) {
  struct Case {
    const char* line;
    bool ok;
    std::uint64_t size;
  };
  const Case kCases[] = {
      {"0", true, 0},
      {"5", true, 5},
      {"1aF", true, 0x1AF},
      {"10;name=value", true, 16},
      {"10 ; ext", true, 16},
      {"ffffffffffffffff", true, 0xFFFFFFFFFFFFFFFFull},
      {"10000000000000000", false, 0},  // beyond 64 bits
      {"", false, 0},
      {"zz", false, 0},
      {";ext", false, 0},
      {"5 x", false, 0},
      {"-5", false, 0},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.line);
    std::uint64_t size = 99;
    EXPECT_EQ(ParseChunkSizeLine(c.line, size), c.ok);
    if (c.ok) {
      EXPECT_EQ(size, c.size);
    }
  }
}

}  // namespace
}  // namespace khttp
