#include "common/json_struct.h"

#include <rapidjson/prettywriter.h>
#include <rapidjson/stringbuffer.h>

void IJSONStruct::AddString(rapidjson::Value& object, const char* name, const std::string& text) {
  if (!Writes(name)) return;
  rapidjson::Value key(name, *allocator_);
  rapidjson::Value value(text.c_str(), static_cast<rapidjson::SizeType>(text.size()), *allocator_);
  object.AddMember(key, value, *allocator_);
}

std::string ToJsonString(IJSONStruct& binder, JsonAllocator& allocator) {
  rapidjson::Value value;
  binder.ToJson(value);
  (void)allocator;
  rapidjson::StringBuffer buffer;
  rapidjson::PrettyWriter<rapidjson::StringBuffer> writer(buffer);
  value.Accept(writer);
  return std::string(buffer.GetString(), buffer.GetSize());
}
