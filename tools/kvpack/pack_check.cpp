#include "tools/kvpack/pack_check.h"

#include <algorithm>
#include <map>
#include <optional>
#include <set>

#include "common/language_pack_keys.h"
#include "platform/file_system.h"
#include "platform/profile_parser.h"
#include "platform/text.h"
#include "platform/trim.h"

namespace kvpack {
namespace {

struct Line {
  int number;
  std::wstring key;
  std::wstring value;
};

// One ini file as the checker sees it: its problems so far and the entries of one section.
class IniFile {
 public:
  IniFile(const std::filesystem::path& folder, const std::string& relative,
          std::vector<std::string>& problems)
      : name_(relative), problems_(problems) {
    std::optional<std::string> bytes =
        platform::ReadWholeFile(platform::Utf8ToWide((folder / relative).string()));
    if (!bytes) {
      Report(0, "file is missing");
      return;
    }
    bytes_ = std::move(*bytes);
    present_ = true;
  }

  bool present() const { return present_; }

  void Report(int line, const std::string& message) {
    problems_.push_back(name_ + ":" + std::to_string(line) + ": " + message);
  }

  void ExpectUtf16WithCrLf() {
    if (!present_) return;
    if (bytes_.size() < 2 || bytes_.compare(0, 2, "\xFF\xFE") != 0 || bytes_.size() % 2 != 0) {
      Report(1, "not UTF-16LE with a byte-order mark");
      return;
    }
    const std::wstring text = platform::DecodeProfileText(bytes_);
    int line = 1;
    for (size_t i = 0; i < text.size(); ++i) {
      const bool lone_cr = text[i] == L'\r' && (i + 1 >= text.size() || text[i + 1] != L'\n');
      const bool lone_lf = text[i] == L'\n' && (i == 0 || text[i - 1] != L'\r');
      if (lone_cr || lone_lf) {
        Report(line, "line end is not CR LF");
        return;
      }
      if (text[i] == L'\n') ++line;
    }
  }

  void ExpectAscii() {
    if (!present_) return;
    const auto bad = std::find_if(bytes_.begin(), bytes_.end(),
                                  [](char c) { return static_cast<unsigned char>(c) >= 0x80; });
    if (bad != bytes_.end()) Report(1, "not plain ASCII text");
  }

  /// The entries of `section` with their line numbers; reports duplicated keys.
  std::vector<Line> Section(const std::wstring& section) {
    std::vector<Line> lines;
    if (!present_) return lines;
    const std::wstring text = platform::DecodeProfileText(bytes_);
    bool inside = false;
    bool found = false;
    int number = 0;
    std::set<std::wstring> seen;
    size_t position = 0;
    while (position < text.size()) {
      size_t end = text.find(L'\n', position);
      if (end == std::wstring::npos) end = text.size();
      std::wstring line = text.substr(position, end - position);
      position = end + 1;
      ++number;
      if (!line.empty() && line.back() == L'\r') line.pop_back();
      if (line.empty() || line[0] == L';') continue;
      if (line[0] == L'[') {
        const auto close = line.find(L']');
        inside = platform::EqualsIgnoringAsciiCase(line.substr(1, close - 1), section);
        found = found || inside;
        continue;
      }
      if (!inside) continue;
      const auto equals = line.find(L'=');
      if (equals == std::wstring::npos) {
        Report(number, "entry without \"=\"");
        continue;
      }
      Line entry{number, platform::Trim(line.substr(0, equals)),
                 platform::Trim(line.substr(equals + 1))};
      if (!seen.insert(entry.key).second) {
        Report(number, "key " + platform::WideToUtf8(entry.key) + " is given twice");
      }
      lines.push_back(std::move(entry));
    }
    if (!found) Report(0, "section [" + platform::WideToUtf8(section) + "] is missing");
    return lines;
  }

 private:
  std::string name_;
  std::vector<std::string>& problems_;
  std::string bytes_;
  bool present_ = false;
};

bool Contains(const std::vector<std::wstring>& keys, const std::wstring& key) {
  return std::find(keys.begin(), keys.end(), key) != keys.end();
}

bool IsHexColour(const std::wstring& text) {
  return text.size() == 7 && text[0] == L'#' &&
         std::all_of(text.begin() + 1, text.end(), [](wchar_t c) {
           return (c >= L'0' && c <= L'9') || (c >= L'A' && c <= L'F') || (c >= L'a' && c <= L'f');
         });
}

void ReportUnknownKeys(IniFile& file, const std::vector<Line>& lines,
                       const std::vector<std::wstring>& known) {
  for (const Line& line : lines) {
    if (!Contains(known, line.key)) {
      file.Report(line.number,
                  "key " + platform::WideToUtf8(line.key) + " is unknown to the installer");
    }
  }
}

// The placeholders and colour markup of one text: each must have a value to put in.
void CheckPlaceholders(IniFile& file, const Line& line,
                       const std::map<std::wstring, std::wstring>& products) {
  const auto product_value = [&](const wchar_t* key) {
    const auto found = products.find(key);
    return found == products.end() ? std::wstring() : found->second;
  };
  if (line.value.find(L"PRODUCT") != std::wstring::npos &&
      product_value(L"STR_PRODUCT_NAME").empty()) {
    file.Report(line.number, "placeholder PRODUCT has no STR_PRODUCT_NAME to fill it");
  }
  if (line.value.find(L"COLOR") != std::wstring::npos &&
      product_value(L"STR_LISENCE_COLOR").empty()) {
    file.Report(line.number, "placeholder COLOR has no STR_LISENCE_COLOR to fill it");
  }
  for (size_t open = line.value.find(L"{c "); open != std::wstring::npos;
       open = line.value.find(L"{c ", open + 3)) {
    const auto close = line.value.find(L'}', open);
    const std::wstring colour =
        line.value.substr(open + 3, close == std::wstring::npos ? 0 : close - open - 3);
    if (colour != L"COLOR" && !IsHexColour(colour)) {
      file.Report(line.number,
                  "colour placeholder " + platform::WideToUtf8(colour) + " is filled by no table");
    }
  }
}

std::vector<std::wstring> TextKeys() {
  std::vector<std::wstring> keys;
  for (const auto& [key, text] : DefaultTextTable()) keys.push_back(key);
  return keys;
}

}  // namespace

std::vector<std::string> CheckLanguagePack(const std::filesystem::path& folder) {
  std::vector<std::string> problems;

  IniFile product_file(folder, "productInfo.ini", problems);
  product_file.ExpectUtf16WithCrLf();
  const std::vector<Line> product_lines = product_file.Section(L"PRODUCT");
  ReportUnknownKeys(product_file, product_lines, ProductKeys());
  std::map<std::wstring, std::wstring> products;
  for (const Line& line : product_lines) products[line.key] = line.value;
  if (product_file.present()) {
    for (const std::wstring& key : ProductKeys()) {
      if (!products.count(key))
        product_file.Report(0, "key " + platform::WideToUtf8(key) + " is missing");
    }
  }

  IniFile language_file(folder, "language.ini", problems);
  language_file.ExpectAscii();
  const std::vector<std::wstring> text_keys = TextKeys();
  for (const Line& language : language_file.Section(L"Language")) {
    const std::string name = platform::WideToUtf8(language.value);
    if (name.empty() || !std::filesystem::is_directory(folder / name)) {
      language_file.Report(language.number, "language folder " + name + " is missing");
      continue;
    }
    IniFile texts(folder, name + "/text.ini", problems);
    texts.ExpectUtf16WithCrLf();
    const std::vector<Line> text_lines = texts.Section(L"LANSTR");
    ReportUnknownKeys(texts, text_lines, text_keys);
    for (const Line& line : text_lines) CheckPlaceholders(texts, line, products);
    if (texts.present()) {
      for (const std::wstring& key : text_keys) {
        const bool given = std::any_of(text_lines.begin(), text_lines.end(),
                                       [&](const Line& line) { return line.key == key; });
        if (!given && !Contains(OptionalTextKeys(), key)) {
          texts.Report(0, "key " + platform::WideToUtf8(key) + " is missing");
        }
      }
    }

    IniFile urls(folder, name + "/UrlInfo.ini", problems);
    urls.ExpectUtf16WithCrLf();
    const std::vector<Line> url_lines = urls.Section(L"URL");
    ReportUnknownKeys(urls, url_lines, UrlKeys());
    const bool has_download = std::any_of(url_lines.begin(), url_lines.end(), [](const Line& line) {
      return line.key == L"STR_DOWN_URL" && !line.value.empty();
    });
    if (urls.present() && !has_download) urls.Report(0, "no download URL (STR_DOWN_URL)");
  }
  return problems;
}

}  // namespace kvpack
