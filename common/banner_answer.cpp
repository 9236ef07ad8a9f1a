#include "common/banner_answer.h"

#include <memory>

bool ImageInfoJSONStruct::FromJson(const rapidjson::Value& value) {
  if (image_ == nullptr || !value.IsObject()) return false;
  const auto url = value.FindMember("url");
  if (url != value.MemberEnd() && url->value.IsString()) {
    image_->url.assign(url->value.GetString(), url->value.GetStringLength());
  }
  const auto md5 = value.FindMember("md5");
  if (md5 != value.MemberEnd() && md5->value.IsString()) {
    image_->md5.assign(md5->value.GetString(), md5->value.GetStringLength());
  }
  return true;
}

bool ImageInfoJSONStruct::ToJson(rapidjson::Value& value) {
  value.SetObject();
  return true;
}

bool ImageConfigInfoJSONStruct::FromJson(const rapidjson::Value& value) {
  if (images_ == nullptr || !value.IsObject()) return false;
  const auto list = value.FindMember("list");
  if (list == value.MemberEnd() || !list->value.IsArray()) return true;
  for (const auto& element : list->value.GetArray()) {
    ImageInfo image;
    ImageInfoJSONStruct binder(&image, allocator_);
    binder.FromJson(element);
    images_->push_back(std::move(image));
  }
  return true;
}

bool ImageConfigInfoJSONStruct::ToJson(rapidjson::Value& value) {
  value.SetObject();
  return true;
}

bool ParseApiResponse(ApiResponse& response, std::vector<ImageInfo>& images,
                      const std::string& text) {
  rapidjson::Document document;
  document.Parse(text.c_str(), text.size());
  if (document.HasParseError()) return false;
  if (!document.IsObject()) return true;
  const auto code = document.FindMember("code");
  if (code != document.MemberEnd() && code->value.IsInt()) response.code = code->value.GetInt();
  const auto message = document.FindMember("message");
  if (message != document.MemberEnd() && message->value.IsString()) {
    response.message.assign(message->value.GetString(), message->value.GetStringLength());
  }
  const auto data = document.FindMember("data");
  if (data != document.MemberEnd() && data->value.IsObject()) {
    auto allocator =
        std::shared_ptr<JsonAllocator>(&document.GetAllocator(), [](JsonAllocator*) {});
    ImageConfigInfoJSONStruct binder(&images, allocator);
    binder.FromJson(data->value);
  }
  return true;
}
