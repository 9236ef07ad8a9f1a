#include "tools/kvdl/meta_command.h"

#include <bitset>
#include <cstdio>
#include <iostream>

#include "khttp/range_set.h"
#include "khttp/resume_file.h"
#include "platform/file_system.h"
#include "platform/text.h"
#include "tools/kvdl/commands.h"

namespace kvdl {

int RunMeta(const std::wstring& path, std::ostream& out, std::ostream& err) {
  const std::string name = platform::WideToUtf8(path);
  const auto bytes = platform::ReadWholeFile(path);
  if (!bytes) {
    err << "kvdl: " << name << ": cannot be read\n";
    return 1;
  }
  if (bytes->empty()) {
    err << "kvdl: " << name << ": empty, no record saved yet\n";
    return 1;
  }
  if (static_cast<std::int64_t>(bytes->size()) > khttp::kMaxResumeFileBytes) {
    err << "kvdl: " << name << ": larger than any resume file\n";
    return 1;
  }
  khttp::resume_meta meta;
  std::string problem;
  if (!khttp::parse_resume_meta(*bytes, meta, problem)) {
    err << "kvdl: " << name << ": damaged resume file: " << problem << "\n";
    return 1;
  }

  std::int64_t pieces_done = 0;
  for (char byte : meta.bitfield)
    pieces_done += std::bitset<8>(static_cast<unsigned char>(byte)).count();
  khttp::range_set claimed, written;
  khttp::restore_ranges(meta, claimed, written);

  out << "final_url=" << meta.final_url << "\n"
      << "file_size=" << meta.file_size << "\n"
      << "piece_size=" << meta.piece_size << "\n"
      << "piece_num=" << meta.piece_num << "\n"
      << "pieces_done=" << pieces_done << "\n";
  for (const auto& gap : written.gaps()) {
    out << "missing=" << gap.left << "-" << gap.right - 1 << "\n";
  }
  return 0;
}

int RunMetaCommand(int argc, char** argv) {
  if (argc != 1) {
    std::fprintf(stderr, "usage: kvdl meta FILE\n");
    return 2;
  }
  return RunMeta(platform::NarrowToWide(argv[0]), std::cout, std::cerr);
}

}  // namespace kvdl
