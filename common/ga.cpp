#include "common/ga.h"

#include <cstdio>

#include "log/log.h"
#include "platform/guid.h"
#include "platform/registry.h"
#include "platform/text.h"
#include "tool/http_client.h"

// ---- the body --------------------------------------------------------------------------------

bool CDownloaderGAJSONStruct::FromJson(const rapidjson::Value& /*value*/) { return true; }

bool CDownloaderGAJSONStruct::ToJson(rapidjson::Value& value) {
  auto& allocator = *allocator_;
  value.SetObject();
  if (body_ == nullptr) return false;
  AddString(value, "client_id", body_->client_id);
  if (Writes("user_properties")) {
    rapidjson::Value uid(rapidjson::kObjectType);
    AddString(uid, "value", body_->user_property_value);
    rapidjson::Value properties(rapidjson::kObjectType);
    if (Writes("uid")) properties.AddMember("uid", uid, allocator);
    value.AddMember("user_properties", properties, allocator);
  }
  if (Writes("events")) {
    rapidjson::Value events(rapidjson::kArrayType);
    for (const auto& event : body_->events) {
      rapidjson::Value item(rapidjson::kObjectType);
      AddString(item, "name", event.name);
      if (Writes("params")) {
        rapidjson::Value params(rapidjson::kObjectType);
        AddString(params, "event_category", event.category);
        AddString(params, "event_label", event.label);
        item.AddMember("params", params, allocator);
      }
      events.PushBack(item, allocator);
    }
    value.AddMember("events", events, allocator);
  }
  return true;
}

// ---- the sender ------------------------------------------------------------------------------

namespace {

bool IsAcceptedStoredForm(const std::string& text) {
  if (text.empty()) return false;
  for (char c : text) {
    const bool ok =
        (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-';
    if (!ok) return false;
  }
  return true;
}

}  // namespace

std::wstring NewGuidText() {
  platform::Guid guid;
  if (!platform::NewGuid(guid)) return std::wstring();
  char text[64] = {};
  std::snprintf(text, sizeof(text), "%08X-%04X-%04x-%02X%02X-%02X%02X%02X%02X%02X%02X",
                static_cast<unsigned>(guid.data1), guid.data2, guid.data3, guid.data4[0],
                guid.data4[1], guid.data4[2], guid.data4[3], guid.data4[4], guid.data4[5],
                guid.data4[6], guid.data4[7]);
  return platform::NarrowToWide(text);
}

CGA* CGA::GetInstance() {
  static CGA* const instance = new CGA();
  return instance;
}

CGA::CGA() : client_id_(WideToUtf8(GetClientId())) {}

std::wstring CGA::GetClientId() {
  platform::RegistryDisposition disposition;
  {
    platform::RegistryKey parent;
    // The parent key only has to exist.
    parent.Create(kGAParentKey, disposition);
  }
  platform::RegistryKey key;
  if (!key.Create(kGAKey, disposition)) return std::wstring();
  if (disposition == platform::RegistryDisposition::kOpenedExistingKey) {
    key.Close();
    if (!key.Open(kGAKey)) return std::wstring();
    std::wstring stored;
    if (key.ReadString(kGAValueName, stored, 2048) && IsAcceptedStoredForm(WideToUtf8(stored))) {
      return stored;
    }
  }
  const std::wstring fresh = NewGuidText();
  if (fresh.empty()) return std::wstring();
  key.WriteString(kGAValueName, fresh);
  return fresh;
}

std::string CGA::WideToUtf8(const std::wstring& text) {
  return AnsiToUtf8(platform::WideToNarrow(text));
}

std::string CGA::AnsiToUtf8(const std::string& text) {
  return platform::WideToUtf8(platform::NarrowToWide(text));
}

std::string CGA::BuildBody(const std::string& event_name) const {
  GABody body;
  body.client_id = client_id_;
  body.user_property_value = client_id_;
  body.events.push_back({event_name, WideToUtf8(title_), client_id_});
  rapidjson::Document document;
  // The binder shares the allocator of a fresh document.
  auto allocator = std::shared_ptr<JsonAllocator>(&document.GetAllocator(), [](JsonAllocator*) {});
  CDownloaderGAJSONStruct binder(&body, allocator);
  return ToJsonString(binder, document.GetAllocator());
}

std::string CGA::MaskSecret(const std::string& url) {
  std::string out = url;
  for (std::size_t at = out.find("api_secret="); at != std::string::npos;
       at = out.find("api_secret=", at + 1)) {
    if (at > 0 && out[at - 1] != '?' && out[at - 1] != '&') continue;
    const std::size_t start = at + 11;
    std::size_t end = out.find_first_of("&#", start);
    if (end == std::string::npos) end = out.size();
    out.replace(start, end - start, "***");
  }
  return out;
}

bool CGA::SendGACommon(const std::string& event_name, int* status, std::string* answer) {
  LogA("CGA::SendGACommon", __FILE__, __LINE__, kLogInfo, "tran code guid:%s", client_id_.c_str());
  const std::string json = BuildBody(event_name);
  IHttpBase* base = nullptr;
  if (!CreateHttpClient(&base, 2)) return false;
  auto* client = dynamic_cast<IWinHttp*>(base);
  if (client == nullptr) {
    base->Release();
    return false;
  }
  const std::string url = WideToUtf8(url_);
  std::string response;
  try {
    response = client->HttpRequestA(url, 1, json, "Content-Type: application/json; charset=utf-8");
  } catch (HttpInterfaceError error) {
    LogA("CGA::SendGACommon", __FILE__, __LINE__, kLogInfo, "request error: %d, url: %s",
         static_cast<int>(error), MaskSecret(url).c_str());
    if (status != nullptr) *status = client->GetStatusCode();
    client->Release();
    return true;
  }
  const int code = client->GetStatusCode();
  // The secret stays out of the log.
  LogA("CGA::SendGACommon", __FILE__, __LINE__, kLogInfo, "request url: %s",
       MaskSecret(url).c_str());
  LogA("CGA::SendGACommon", __FILE__, __LINE__, kLogInfo, "request info: %s", json.c_str());
  LogA("CGA::SendGACommon", __FILE__, __LINE__, kLogInfo, "request ret Code: %d", code);
  if (status != nullptr) *status = code;
  if (answer != nullptr) *answer = response;
  client->Release();
  return true;
}
