#include "skinui/builder.h"

#include <algorithm>
#include <list>
#include <map>
#include <memory>
#include <pugixml.hpp>
#include <vector>

#include "platform/text.h"
#include "skinui/archive.h"
#include "skinui/container.h"
#include "skinui/control.h"
#include "skinui/control_registry.h"
#include "skinui/notify.h"
#include "skinui/paint_manager.h"
#include "skinui/values.h"

namespace SkinUI {
namespace {

// Controls nest no deeper than this: the tree is walked recursively when it is laid out and
// painted, and a skin that nests deeper is taken for a broken one.
constexpr int kMaxNesting = 200;

// Each Include is read and built anew, so files that include others several times multiply:
// a few lines can ask for millions of controls. A skin including more files than this in all is
// taken for a broken one.
constexpr int kMaxIncludes = 256;

struct Document {
  std::wstring name;
  std::string bytes;
  pugi::xml_document xml;
};

class BuildRun {
 public:
  BuildRun(const ISkinSource& source, ISkinBuilderCallback* callback, CPaintManager& manager)
      : source_(source), callback_(callback), manager_(manager) {}

  bool Run(const std::wstring& file, std::string& error);

  Size size_;
  Rect size_box_;
  Rect caption_;
  std::map<int, FontSpec> fonts_;
  std::unique_ptr<CControl> root_;

 private:
  const Document* Load(const std::wstring& file, const Document* from, const pugi::xml_node& at,
                       std::string& error);
  std::string Where(const Document& doc, const pugi::xml_node& node) const;
  std::string Where(const Document& doc, std::ptrdiff_t offset) const;
  bool ReadWindow(const Document& doc, const pugi::xml_node& window, std::string& error);
  bool ReadFont(const Document& doc, const pugi::xml_node& font, std::string& error);
  std::unique_ptr<CControl> BuildControl(const Document& doc, const pugi::xml_node& node,
                                         std::string& error);
  bool BuildChildren(const Document& doc, const pugi::xml_node& node, CControl& parent,
                     std::string& error);

  const ISkinSource& source_;
  ISkinBuilderCallback* callback_;
  CPaintManager& manager_;
  std::list<Document> documents_;  // stable addresses while the build runs
  std::vector<std::wstring> include_stack_;
  int nesting_ = 0;
  int includes_ = 0;
};

std::wstring Wide(const pugi::char_t* text) { return platform::Utf8ToWide(text); }

std::string BuildRun::Where(const Document& doc, std::ptrdiff_t offset) const {
  const std::size_t end =
      std::min(doc.bytes.size(), static_cast<std::size_t>(offset < 0 ? 0 : offset));
  const long line =
      1 + std::count(doc.bytes.begin(), doc.bytes.begin() + static_cast<long>(end), '\n');
  return platform::WideToUtf8(doc.name) + ":" + std::to_string(line) + ": ";
}

std::string BuildRun::Where(const Document& doc, const pugi::xml_node& node) const {
  return Where(doc, node.offset_debug());
}

const Document* BuildRun::Load(const std::wstring& file, const Document* from,
                               const pugi::xml_node& at, std::string& error) {
  const std::wstring name = NormalizeSkinPath(file);
  std::optional<std::string> bytes = source_.ReadFile(name);
  if (!bytes) {
    error = (from ? Where(*from, at) : std::string()) + platform::WideToUtf8(name) + " is not in " +
            source_.Describe();
    return nullptr;
  }
  documents_.emplace_back();
  Document& doc = documents_.back();
  doc.name = name;
  doc.bytes = std::move(*bytes);
  const pugi::xml_parse_result parsed = doc.xml.load_buffer(
      doc.bytes.data(), doc.bytes.size(), pugi::parse_default, pugi::encoding_auto);
  if (!parsed) {
    error = Where(doc, parsed.offset) + "malformed XML: " + parsed.description();
    return nullptr;
  }
  return &doc;
}

bool BuildRun::Run(const std::wstring& file, std::string& error) {
  const Document* doc = Load(file, nullptr, pugi::xml_node(), error);
  if (!doc) return false;
  const pugi::xml_node window = doc->xml.document_element();
  if (std::string(window.name()) != "Window") {
    error = Where(*doc, window) + "the root element is <" + window.name() + ">, not <Window>";
    return false;
  }
  include_stack_.push_back(doc->name);
  return ReadWindow(*doc, window, error);
}

bool BuildRun::ReadWindow(const Document& doc, const pugi::xml_node& window, std::string& error) {
  for (const pugi::xml_attribute& attribute : window.attributes()) {
    const std::string name = attribute.name();
    const std::wstring value = Wide(attribute.value());
    std::string detail;
    bool ok = true;
    if (name == "size") {
      ok = ParseSize(value, size_, detail);
    } else if (name == "sizebox") {
      ok = ParseRect(value, size_box_, detail);
    } else if (name == "caption") {
      ok = ParseRect(value, caption_, detail);
    } else {
      error = Where(doc, window) + "unknown attribute \"" + name +
              "\" of Window (size, sizebox and caption are known)";
      return false;
    }
    if (!ok) {
      error = Where(doc, window) + "attribute \"" + name + "\": " + detail;
      return false;
    }
  }
  for (const pugi::xml_node& child : window.children()) {
    if (child.type() != pugi::node_element) continue;
    if (std::string(child.name()) == "Font") {
      if (!ReadFont(doc, child, error)) return false;
      continue;
    }
    if (root_) {
      error = Where(doc, child) + "a Window holds one root control; <" + child.name() +
              "> is a second one";
      return false;
    }
    // Fonts must be known before controls name them.
    for (const auto& font : fonts_) manager_.AddFont(font.first, font.second);
    root_ = BuildControl(doc, child, error);
    if (!root_) return false;
  }
  if (!root_) {
    error = Where(doc, window) + "the Window holds no control";
    return false;
  }
  return true;
}

bool BuildRun::ReadFont(const Document& doc, const pugi::xml_node& node, std::string& error) {
  FontSpec font;
  int id = -1;
  bool have_id = false;
  for (const pugi::xml_attribute& attribute : node.attributes()) {
    const std::string name = attribute.name();
    const std::wstring value = Wide(attribute.value());
    std::string detail;
    bool ok = true;
    if (name == "id") {
      ok = ParseInt(value, id, detail);
      have_id = true;
    } else if (name == "name") {
      font.family = value;
    } else if (name == "size") {
      ok = ParseInt(value, font.size, detail);
      if (ok && font.size <= 0) {
        ok = false;
        detail = "a font size is a positive number of pixels";
      }
    } else if (name == "bold") {
      ok = ParseBool(value, font.bold, detail);
    } else if (name == "italic") {
      ok = ParseBool(value, font.italic, detail);
    } else if (name == "underline") {
      ok = ParseBool(value, font.underline, detail);
    } else {
      error = Where(doc, node) + "unknown attribute \"" + name +
              "\" of Font (id, name, size, bold, italic and underline are known)";
      return false;
    }
    if (!ok) {
      error = Where(doc, node) + "attribute \"" + name + "\": " + detail;
      return false;
    }
  }
  if (!have_id || id < 0) {
    error = Where(doc, node) + "a Font needs an id of 0 or more";
    return false;
  }
  fonts_[id] = font;
  return true;
}

std::unique_ptr<CControl> BuildRun::BuildControl(const Document& doc, const pugi::xml_node& node,
                                                 std::string& error) {
  if (nesting_ >= kMaxNesting) {
    error =
        Where(doc, node) + "controls nest deeper than " + std::to_string(kMaxNesting) + " levels";
    return nullptr;
  }
  const std::wstring class_name = Wide(node.name());
  std::unique_ptr<CControl> control;
  if (callback_) control = callback_->CreateControl(class_name);
  if (!control) {
    const ControlClass* control_class = CControlRegistry::BuiltIn().Find(class_name);
    if (!control_class) {
      error = Where(doc, node) + "unknown element <" + node.name() + ">";
      return nullptr;
    }
    control = control_class->Create();
  }
  // The manager first, so that attributes can check names against it (font ids).
  control->SetManager(&manager_);
  for (const pugi::xml_attribute& attribute : node.attributes()) {
    std::string detail;
    if (!control->SetAttribute(Wide(attribute.name()), Wide(attribute.value()), detail)) {
      error = Where(doc, node) + detail;
      return nullptr;
    }
  }
  ++nesting_;
  const bool built = BuildChildren(doc, node, *control, error);
  --nesting_;
  if (!built) return nullptr;
  return control;
}

bool BuildRun::BuildChildren(const Document& doc, const pugi::xml_node& node, CControl& parent,
                             std::string& error) {
  auto* container = dynamic_cast<CContainer*>(&parent);
  for (const pugi::xml_node& child : node.children()) {
    if (child.type() == pugi::node_pcdata && !std::string(child.value()).empty()) {
      const std::string text = child.value();
      if (text.find_first_not_of(" \t\r\n") != std::string::npos) {
        error = Where(doc, child) + "text inside <" + node.name() +
                "> is not allowed; use the text attribute";
        return false;
      }
    }
    if (child.type() != pugi::node_element) continue;
    if (!container) {
      error = Where(doc, child) + "<" + node.name() + "> cannot hold <" + child.name() + ">";
      return false;
    }
    if (std::string(child.name()) == "Include") {
      std::wstring source;
      for (const pugi::xml_attribute& attribute : child.attributes()) {
        if (std::string(attribute.name()) != "source") {
          error = Where(doc, child) + "unknown attribute \"" + attribute.name() +
                  "\" of Include (source is known)";
          return false;
        }
        source = Wide(attribute.value());
      }
      if (source.empty()) {
        error = Where(doc, child) + "Include needs a source file";
        return false;
      }
      const std::wstring name = NormalizeSkinPath(source);
      if (std::find(include_stack_.begin(), include_stack_.end(), name) != include_stack_.end()) {
        error = Where(doc, child) + platform::WideToUtf8(name) + " includes itself";
        return false;
      }
      if (++includes_ > kMaxIncludes) {
        error = Where(doc, child) + "the skin includes more than " + std::to_string(kMaxIncludes) +
                " files";
        return false;
      }
      const Document* included = Load(name, &doc, child, error);
      if (!included) return false;
      include_stack_.push_back(name);
      std::unique_ptr<CControl> control =
          BuildControl(*included, included->xml.document_element(), error);
      include_stack_.pop_back();
      if (!control) return false;
      container->Add(std::move(control));
      continue;
    }
    std::unique_ptr<CControl> control = BuildControl(doc, child, error);
    if (!control) return false;
    container->Add(std::move(control));
  }
  return true;
}

}  // namespace

CSkinBuilder::CSkinBuilder(const ISkinSource& source, ISkinBuilderCallback* callback)
    : source_(source), callback_(callback) {}

bool CSkinBuilder::Build(const std::wstring& file, CPaintManager& manager, std::string& error) {
  // Fonts are offered to the manager while building so that "font" attributes can be checked;
  // on failure the manager gets its old table back.
  CPaintManager scratch;
  BuildRun run(source_, callback_, scratch);
  if (!run.Run(file, error)) return false;
  manager.SetInitialSize(run.size_);
  manager.SetSizeBox(run.size_box_);
  manager.SetCaption(run.caption_);
  for (const auto& font : run.fonts_) manager.AddFont(font.first, font.second);
  manager.AttachRoot(std::move(run.root_));
  if (manager.GetClientSize() == Size{}) manager.SetClientSize(run.size_);
  return true;
}

}  // namespace SkinUI
