#include <sys/types.h>

#include <log4cpp/Category.hh>
#include <log4cpp/PatternLayout.hh>
#include <log4cpp/RollingFileAppender.hh>

#include "log/log_sink.h"
#include "platform/text.h"

namespace klog_detail {
namespace {

constexpr unsigned kBackupCount = 1;
constexpr mode_t kFileMode = 0644;
constexpr const char kPattern[] = "%d %m%n ";

}  // namespace

const char kLineEnd[] = "\n";

bool IsSinkOpen(const std::string& name) {
  return log4cpp::Category::getRoot().getAppender(name) != nullptr;
}

void OpenSink(const std::string& name, const std::wstring& path) {
  log4cpp::Category& root = log4cpp::Category::getRoot();
  auto* appender = new log4cpp::RollingFileAppender(name, platform::WideToNarrow(path),
                                                    kMaxFileSize, kBackupCount, true, kFileMode);
  auto* layout = new log4cpp::PatternLayout();
  layout->setConversionPattern(kPattern);
  appender->setLayout(layout);
  root.addAppender(appender);  // the category owns the appender from here on
  root.setPriority(log4cpp::Priority::DEBUG);
}

void WriteToSink(int level, const std::string& text) {
  log4cpp::Category& root = log4cpp::Category::getRoot();
  switch (level) {
    case 0:
      root.debug(text);
      break;
    case 1:
      root.info(text);
      break;
    case 2:
      root.warn(text);
      break;
    case 3:
      root.error(text);
      break;
    default:
      break;
  }
}

}  // namespace klog_detail
