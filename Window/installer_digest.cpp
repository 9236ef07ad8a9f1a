#include "Window/installer_digest.h"

#include <openssl/evp.h>

#include <cctype>
#include <filesystem>
#include <fstream>
#include <memory>

#include "common/language_manager.h"

std::wstring DigestUrlFor(const LanguageManager& language) {
  const std::wstring named = language.GetProductValue(kDigestUrlKey);
  return named.empty() ? language.GetDownloadUrl() + L".sha256" : named;
}

std::optional<std::string> ParseDigestText(const std::string& text) {
  std::size_t start = 0;
  while (start < text.size() && std::isspace(static_cast<unsigned char>(text[start]))) ++start;
  std::size_t end = start;
  while (end < text.size() && !std::isspace(static_cast<unsigned char>(text[end]))) ++end;
  if (end - start != 64) return std::nullopt;
  std::string digest = text.substr(start, 64);
  for (char& c : digest) {
    if (!std::isxdigit(static_cast<unsigned char>(c))) return std::nullopt;
    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  }
  return digest;
}

std::optional<std::string> FileSha256Hex(const std::wstring& path) {
  std::ifstream file(std::filesystem::path(path), std::ios::binary);
  if (!file) return std::nullopt;
  std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> context(EVP_MD_CTX_new(),
                                                                  &EVP_MD_CTX_free);
  if (!context || EVP_DigestInit_ex(context.get(), EVP_sha256(), nullptr) != 1) {
    return std::nullopt;
  }
  char buffer[64 * 1024];
  while (file) {
    file.read(buffer, sizeof(buffer));
    const std::streamsize got = file.gcount();
    if (got > 0 && EVP_DigestUpdate(context.get(), buffer, static_cast<std::size_t>(got)) != 1) {
      return std::nullopt;
    }
  }
  if (file.bad()) return std::nullopt;
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int length = 0;
  if (EVP_DigestFinal_ex(context.get(), digest, &length) != 1) return std::nullopt;
  static const char kHex[] = "0123456789abcdef";
  std::string hex;
  for (unsigned int i = 0; i < length; ++i) {
    hex += kHex[digest[i] >> 4];
    hex += kHex[digest[i] & 0xF];
  }
  return hex;
}
