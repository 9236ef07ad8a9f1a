// The banner API answer: its envelope, the picture list and the binders that read them.
#pragma once

#include <string>
#include <vector>

#include "common/json_struct.h"

/// The envelope of the banner API answer.
struct ApiResponse {
  int code = -1;
  std::string message;
};

/// One picture of the list.
struct ImageInfo {
  std::string url;
  std::string md5;
};

/// Binds the picture list: FromJson reads "list" of a "data" object.
class ImageConfigInfoJSONStruct : public IJSONStruct {
 public:
  ImageConfigInfoJSONStruct(std::vector<ImageInfo>* images,
                            std::shared_ptr<JsonAllocator> allocator)
      : IJSONStruct(std::move(allocator)), images_(images) {}
  bool FromJson(const rapidjson::Value& value) override;
  bool ToJson(rapidjson::Value& value) override;

 private:
  std::vector<ImageInfo>* images_;
};

/// Binds one picture: string "url" and "md5" members.
class ImageInfoJSONStruct : public IJSONStruct {
 public:
  ImageInfoJSONStruct(ImageInfo* image, std::shared_ptr<JsonAllocator> allocator)
      : IJSONStruct(std::move(allocator)), image_(image) {}
  bool FromJson(const rapidjson::Value& value) override;
  bool ToJson(rapidjson::Value& value) override;

 private:
  ImageInfo* image_;
};

/// False when `text` is not JSON (nothing changed). Otherwise an integer "code" and a string
/// "message" are taken, and the pictures of "data"."list" are appended to `images`.
bool ParseApiResponse(ApiResponse& response, std::vector<ImageInfo>& images,
                      const std::string& text);
