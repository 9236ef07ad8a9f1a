#include "khttp/base64.h"

namespace khttp {

std::string Base64Encode(const std::string& bytes) {
  static constexpr char kAlphabet[] =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  out.reserve((bytes.size() + 2) / 3 * 4);
  std::size_t i = 0;
  for (; i + 2 < bytes.size(); i += 3) {
    const unsigned value = static_cast<unsigned char>(bytes[i]) << 16 |
                           static_cast<unsigned char>(bytes[i + 1]) << 8 |
                           static_cast<unsigned char>(bytes[i + 2]);
    out += kAlphabet[value >> 18 & 63];
    out += kAlphabet[value >> 12 & 63];
    out += kAlphabet[value >> 6 & 63];
    out += kAlphabet[value & 63];
  }
  const std::size_t rest = bytes.size() - i;
  if (rest > 0) {
    unsigned value = static_cast<unsigned char>(bytes[i]) << 16;
    if (rest == 2) value |= static_cast<unsigned char>(bytes[i + 1]) << 8;
    out += kAlphabet[value >> 18 & 63];
    out += kAlphabet[value >> 12 & 63];
    out += rest == 2 ? kAlphabet[value >> 6 & 63] : '=';
    out += '=';
  }
  return out;
}

}  // namespace khttp
