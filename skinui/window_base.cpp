#include "skinui/window_base.h"

#include <cstdlib>
#include <map>

#include "log/log.h"
#include "platform/resources.h"
#include "platform/text.h"
#include "skinui/archive.h"
#include "skinui/builder.h"
#include "skinui/control.h"
#include "skinui/message_box.h"

namespace SkinUI {
namespace {

std::wstring JoinPath(const std::wstring& folder, const std::wstring& name) {
  if (folder.empty()) return name;
  const wchar_t last = folder.back();
  return last == L'/' || last == L'\\' ? folder + name : folder + L"/" + name;
}

// The skin resources copied out of the program, one per id, kept for the life of the process.
const std::string* CopyOfResource(int id) {
  static std::map<int, std::string> copies;
  const auto found = copies.find(id);
  if (found != copies.end()) return &found->second;
  const auto view = platform::FindResource({0, L"ZIPRES"}, id);
  if (!view) return nullptr;
  return &copies.emplace(id, std::string(reinterpret_cast<const char*>(view->data), view->size))
              .first->second;
}

}  // namespace

SkinWindowBase::SkinWindowBase() : host_(*this) {}

SkinWindowBase::~SkinWindowBase() {
  // Destroyed here, while the controls can still paint and hear the last events.
  DestroyWindow();
  paint_manager_.RemoveNotifier(this);
  paint_manager_.RemoveMessageFilter(this);
  paint_manager_.SetHost(nullptr);
}

void SkinWindowBase::DeclareMessageMap() {
  OnNotify(kNotifyClick, [this](TNotify& msg) { OnClick(msg); });
}

void SkinWindowBase::Notify(TNotify& msg) {
  DispatchNotify(msg);
  if (msg.type != kNotifyClick || !msg.sender) return;
  const std::wstring& name = msg.sender->GetName();
  if (name == L"closebtn") {
    PostMessage(kWmClose, 1, 0);
  } else if (name == L"minbtn") {
    SendMessage(kWmSysCommand, kScMinimize, 0);
  } else if (name == L"maxbtn") {
    SendMessage(kWmSysCommand, kScMaximize, 0);
  } else if (name == L"restorebtn") {
    SendMessage(kWmSysCommand, kScRestore, 0);
  }
}

LResult SkinWindowBase::MessageFilter(MessageId msg, WParam wparam, LParam lparam, bool& handled) {
  if (msg == kWmKeyDown && wparam == kVkEscape) {
    PostMessage(kWmClose, 1, 0);
    handled = true;
  }
  return 0;
}

bool SkinWindowBase::PreTranslateMessage(MessageId msg, WParam wparam, LParam lparam) {
  LResult ignored = 0;
  return paint_manager_.PreMessageHandler(msg, wparam, lparam, ignored);
}

std::shared_ptr<ISkinSource> SkinWindowBase::OpenSkin(std::string& error) {
  const std::wstring place = JoinPath(CPaintManager::GetResourcePath(), GetSkinFolder());
  switch (GetResourceType()) {
    case SkinResourceKind::kZipResource: {
      const std::string* bytes = CopyOfResource(GetResourceID());
      if (!bytes) {
        error = "the program has no skin resource ZIPRES " + std::to_string(GetResourceID());
        return nullptr;
      }
      return OpenSkinArchive(bytes->data(), bytes->size(), error);
    }
    case SkinResourceKind::kZipFile:
      return OpenSkinArchiveFile(place, error);
    case SkinResourceKind::kFolder:
    default:
      return OpenSkinFolder(place.empty() ? L"." : place, error);
  }
}

LResult SkinWindowBase::OnCreate() {
  std::string error;
  std::shared_ptr<ISkinSource> source = OpenSkin(error);
  if (!source) {
    OnSkinError(error);
    return -1;
  }
  paint_manager_.SetSource(source);
  paint_manager_.SetHost(&host_);
  if (!CSkinBuilder(*source, this).Build(GetSkinFile(), paint_manager_, error)) {
    OnSkinError(error);
    return -1;
  }
  const Size size = paint_manager_.GetInitialSize();
  if (size.cx > 0 && size.cy > 0) ResizeClient(size);
  paint_manager_.AddNotifier(this);
  paint_manager_.AddMessageFilter(this);
  InitWindow();
  return 0;
}

void SkinWindowBase::OnSkinError(const std::string& message) {
  KLOGA(kLogError, "skin error: %s", message.c_str());
  MessageBox(nullptr, kSkinErrorText, kSkinErrorTitle, kMbIconError);
  std::exit(1);
}

void SkinWindowBase::PaintContent(IRenderer& renderer, const Rect& dirty) {
  paint_manager_.Paint(renderer, dirty);
}

LResult SkinWindowBase::HandleMessage(MessageId msg, WParam wparam, LParam lparam) {
  bool handled = false;
  LResult result = 0;
  switch (msg) {
    case kWmCreate:
      return OnCreate();
    case kWmClose:
      result = OnClose(msg, wparam, lparam, handled);
      if (handled) return result;
      return DefWindowProc(msg, wparam, lparam);
    case kWmDestroy:
      result = OnDestroy(msg, wparam, lparam, handled);
      if (handled) return result;
      return DefWindowProc(msg, wparam, lparam);
    case kWmNcHitTest: {
      const Point point = ScreenToClient({PointParamX(lparam), PointParamY(lparam)});
      return paint_manager_.HitTest(point, IsMaximized());
    }
    case kWmSysCommand:
      if ((wparam & 0xFFF0) == kScClose) {
        SendMessage(kWmClose, 0, 0);
        return 0;
      }
      break;
    default:
      break;
  }
  if (paint_manager_.MessageHandler(msg, wparam, lparam, result)) return result;
  handled = false;
  result = HandleCustomMessage(msg, wparam, lparam, handled);
  if (handled) return result;
  return DefWindowProc(msg, wparam, lparam);
}

}  // namespace SkinUI
