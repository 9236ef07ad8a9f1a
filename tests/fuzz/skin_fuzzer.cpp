// The skin archive and the skin builder: whatever a skin holds, building it ends, and a skin
// that does not build says which file and line is wrong ("page.xml:3: ...").
//
// An input that starts like a ZIP archive is opened as the skin archive. Any other input is a
// skin of up to four files, "window.xml", "a.xml", "b.xml" and "c.xml", separated by NUL bytes,
// so that the fuzzer can reach Include elements as well as the markup of one file.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "skinui/archive.h"
#include "skinui/builder.h"
#include "skinui/paint_manager.h"
#include "skinui/values.h"
#include "tests/fuzz/fuzz_check.h"

namespace {

class CMemorySkin : public SkinUI::ISkinSource {
 public:
  explicit CMemorySkin(const std::string& bytes) {
    static const char* const kNames[] = {"window.xml", "a.xml", "b.xml", "c.xml"};
    std::size_t start = 0;
    for (const char* name : kNames) {
      if (start > bytes.size()) break;
      std::size_t end = bytes.find('\0', start);
      if (end == std::string::npos || name == kNames[3]) end = bytes.size();
      files_[name] = bytes.substr(start, end - start);
      start = end + 1;
    }
  }

  std::optional<std::string> ReadFile(const std::wstring& name) const override {
    const auto found = files_.find(std::string(name.begin(), name.end()));
    if (found == files_.end()) return std::nullopt;
    return found->second;
  }
  std::string Describe() const override { return "the fuzzed skin"; }

 private:
  std::map<std::string, std::string> files_;
};

bool LooksLikeZip(const std::string& bytes) { return bytes.compare(0, 2, "PK") == 0; }

// "name.xml:12: message"
bool NamesFileAndLine(const std::string& error) {
  const std::size_t file_end = error.find(".xml:");
  if (file_end == std::string::npos || file_end == 0) return false;
  std::size_t at = file_end + 5;
  const std::size_t digits_begin = at;
  while (at < error.size() && error[at] >= '0' && error[at] <= '9') ++at;
  return at > digits_begin && error.compare(at, 2, ": ") == 0 && error.size() > at + 2;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  std::unique_ptr<SkinUI::ISkinSource> source;
  if (LooksLikeZip(bytes)) {
    std::string error;
    source = SkinUI::OpenSkinArchive(bytes.data(), bytes.size(), error);
    if (!source) {
      KV_FUZZ_CHECK(!error.empty());
      return 0;
    }
  } else {
    source = std::make_unique<CMemorySkin>(bytes);
  }

  SkinUI::CPaintManager manager;
  std::string error;
  if (SkinUI::CSkinBuilder(*source, nullptr).Build(L"window.xml", manager, error)) {
    KV_FUZZ_CHECK(manager.GetRoot() != nullptr);
    manager.SetClientSize({650, 435});
    manager.EnsureLayout();
    return 0;
  }
  KV_FUZZ_CHECK(manager.GetRoot() == nullptr);
  // A skin without its main file has no line to name; every other failure names one.
  if (!source->ReadFile(L"window.xml")) return 0;
  if (!NamesFileAndLine(error)) std::fprintf(stderr, "error: %s\n", error.c_str());
  KV_FUZZ_CHECK(NamesFileAndLine(error));
  return 0;
}
