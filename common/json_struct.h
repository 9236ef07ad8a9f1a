// Binders between records and JSON values (RapidJSON), shared by the analytics body and the
// banner API answer.
#pragma once

#include <rapidjson/document.h>

#include <memory>
#include <set>
#include <string>

using JsonAllocator = rapidjson::MemoryPoolAllocator<rapidjson::CrtAllocator>;

/// Fills a bound record from a JSON value and builds a JSON value from it. Filter: with mode 0 a
/// member whose name is in the key set is left out of ToJson; with mode 1 only the members whose
/// names are in it are written; any other mode filters nothing.
class IJSONStruct {
 public:
  IJSONStruct(std::shared_ptr<JsonAllocator> allocator, int filter_mode = 0,
              std::set<std::string> keys = {})
      : filter_mode_(filter_mode), keys_(std::move(keys)), allocator_(std::move(allocator)) {}
  virtual ~IJSONStruct() = default;

  virtual bool FromJson(const rapidjson::Value& value) = 0;
  virtual bool ToJson(rapidjson::Value& value) = 0;

  JsonAllocator& Allocator() { return *allocator_; }

 protected:
  /// Whether ToJson writes a member of this name.
  bool Writes(const char* name) const {
    const bool listed = keys_.count(name) != 0;
    if (filter_mode_ == 0) return !listed;
    if (filter_mode_ == 1) return listed;
    return true;
  }
  /// Adds a string member when the filter lets it through.
  void AddString(rapidjson::Value& object, const char* name, const std::string& text);

  int filter_mode_;
  std::set<std::string> keys_;
  std::shared_ptr<JsonAllocator> allocator_;
};

/// The text the pretty writer makes of `binder`'s JSON: four blanks per level, LF line ends, no
/// line end after the last brace.
std::string ToJsonString(IJSONStruct& binder, JsonAllocator& allocator);
