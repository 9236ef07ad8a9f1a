#include "tools/kvside/side_commands.h"

#include <rapidjson/document.h>

#include "common/banner_content.h"
#include "common/ga.h"
#include "common/language_manager.h"
#include "platform/side_http.h"
#include "platform/text.h"
#include "tool/base_request.h"

namespace kvside {
namespace {

std::string FailureText(int error) {
  std::string text = platform::SideHttpErrorText(error);
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
  return text.empty() ? "failure " + std::to_string(error)
                      : text + " (" + std::to_string(error) + ")";
}

}  // namespace

result Size(const std::string& url) {
  result out;
  std::string why;
  const int size = GetHttpFileSize(platform::Utf8ToWide(url), &why);
  if (size == 0) {
    out.failure = "no size for " + url + ": " + why;
  } else {
    out.lines.push_back(std::to_string(size));
  }
  return out;
}

result Redirect(const std::string& url) {
  result out;
  const std::wstring wide = platform::Utf8ToWide(url);
  CWinHttpRequest splitter;
  std::wstring host;
  std::wstring path;
  if ((url.rfind("http://", 0) != 0 && url.rfind("https://", 0) != 0) ||
      !splitter.SplitRequestUrl(wide, host, path)) {
    out.failure = "not an http or https address with a path: " + url;
    return out;
  }
  std::wstring target = wide;
  int error = 0;
  GetRedirectUrl(host, L"/" + path, target, &error);
  if (error != 0 && target == wide) {
    out.failure = "no answer from " + url + ": " + FailureText(error);
    return out;
  }
  out.lines.push_back(platform::WideToUtf8(target));
  return out;
}

result Banners(const std::string& api_url, const std::string& folder) {
  result out;
  LanguageManager language;
  std::wstring wide_folder = platform::Utf8ToWide(folder);
  if (!wide_folder.empty() && wide_folder.back() != L'/' && wide_folder.back() != L'\\') {
    wide_folder += L'/';
  }
  CBannerContent content(language, wide_folder);
  std::vector<std::string> report;
  content.FetchBannersFrom(platform::Utf8ToWide(api_url), wide_folder, &report);
  if (content.banner_count.load() < 0) {
    out.failure = "no picture list from " + api_url + ": " +
                  (report.empty() ? std::string("no answer") : report.front());
    return out;
  }
  int failed = 0;
  for (const auto& line : report) {
    out.lines.push_back(line);
    if (line.find(" failed") != std::string::npos) ++failed;
  }
  if (failed > 0) {
    out.failure =
        std::to_string(failed) + " of " + std::to_string(report.size()) + " pictures failed";
  } else if (report.empty()) {
    out.lines.push_back("the list is empty");
  }
  return out;
}

result Event(const std::string& collect_url, const std::string& event_name,
             const std::string& title) {
  result out;
  CGA& ga = *CGA::GetInstance();
  ga.SetUrl(platform::Utf8ToWide(collect_url));
  ga.SetTitle(platform::Utf8ToWide(title));
  int status = 0;
  std::string answer;
  if (!ga.SendGACommon(event_name, &status, &answer)) {
    out.failure = "no HTTP client could be made";
    return out;
  }
  out.lines.push_back("status " + std::to_string(status));
  if (status == 0) {
    out.failure = "no answer from " + CGA::MaskSecret(collect_url);
    return out;
  }
  int messages = 0;
  if (collect_url.find("/debug/") != std::string::npos) {
    rapidjson::Document document;
    document.Parse(answer.c_str(), answer.size());
    if (document.HasParseError() || !document.IsObject() ||
        !document.HasMember("validationMessages") || !document["validationMessages"].IsArray()) {
      out.failure = "the validation server's answer is not understood: " + answer;
      return out;
    }
    for (const auto& message : document["validationMessages"].GetArray()) {
      ++messages;
      auto text = [&](const char* name) {
        return message.IsObject() && message.HasMember(name) && message[name].IsString()
                   ? std::string(message[name].GetString())
                   : std::string();
      };
      out.lines.push_back(text("validationCode") + " " + text("fieldPath") + ": " +
                          text("description"));
    }
  }
  if (status < 200 || status > 299) {
    out.failure = "the collector answered " + std::to_string(status);
  } else if (messages > 0) {
    out.failure = std::to_string(messages) + " validation message(s)";
  }
  return out;
}

}  // namespace kvside
