// Usage events to Google Analytics 4 (Measurement Protocol): the process-wide sender, its client
// identifier kept for the whole machine, and the JSON body.
#pragma once

#include <string>
#include <vector>

#include "common/json_struct.h"

struct GAEvent {
  std::string name;
  std::string category;
  std::string label;
};

struct GABody {
  std::string client_id;
  std::string user_property_value;
  std::vector<GAEvent> events;
};

/// Binds a GABody: "client_id", "user_properties"."uid"."value", "events" [{"name", "params":
/// {"event_category", "event_label"}}]. FromJson does nothing.
class CDownloaderGAJSONStruct : public IJSONStruct {
 public:
  CDownloaderGAJSONStruct(GABody* body, std::shared_ptr<JsonAllocator> allocator,
                          int filter_mode = 0, std::set<std::string> keys = {})
      : IJSONStruct(std::move(allocator), filter_mode, std::move(keys)), body_(body) {}
  bool FromJson(const rapidjson::Value& value) override;
  bool ToJson(rapidjson::Value& value) override;

 private:
  GABody* body_;
};

/// The registry key and value of the client identifier.
inline constexpr wchar_t kGAParentKey[] = L"SOFTWARE\\WOW6432Node\\Kelvane";
inline constexpr wchar_t kGAKey[] = L"SOFTWARE\\WOW6432Node\\Kelvane\\KelvaneDown";
inline constexpr wchar_t kGAValueName[] = L"GUID";

class CGA {
 public:
  /// The process-wide sender, made on the first call (first on the UI thread).
  static CGA* GetInstance();

  void SetUrl(const std::wstring& url) { url_ = url; }
  void SetTitle(const std::wstring& title) { title_ = title; }
  const std::string& ClientId() const { return client_id_; }

  /// The machine's identifier: the stored one when it is letters, digits and hyphens, else a
  /// new one, stored. Empty when the key cannot be used.
  std::wstring GetClientId();

  bool SendStartInstall() { return SendGACommon("Downloader_Start_Install"); }
  bool SendDownloaderInstalled() { return SendGACommon("Downloader_Installed"); }
  bool SendInstalledSucceed() { return SendGACommon("Installed_Succeed"); }
  /// Posts one event; true when a client was made and the request was made, whatever came back.
  bool SendGACommon(const std::string& event_name) {
    return SendGACommon(event_name, nullptr, nullptr);
  }
  /// The same, handing out the status (0 when no answer came) and the answer's body.
  bool SendGACommon(const std::string& event_name, int* status, std::string* answer);

  static std::string WideToUtf8(const std::wstring& text);
  static std::string AnsiToUtf8(const std::string& text);
  /// The body of one event, as SendGACommon posts it.
  std::string BuildBody(const std::string& event_name) const;
  /// `url` with the value of its api_secret query key written as "***".
  static std::string MaskSecret(const std::string& url);

  /// Tests only: a sender of its own (GetInstance is the one the installer uses).
  CGA();

 private:
  std::wstring url_;
  std::wstring title_;
  std::string client_id_;
};

/// "%08X-%04X-%04x-%02X%02X-%02X%02X%02X%02X%02X%02X" of a new GUID; empty when none is made.
std::wstring NewGuidText();
