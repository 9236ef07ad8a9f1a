// The preview's --window mode on the toolkit's native window: the prepared control tree is
// painted and answers the mouse (hover, press) until the window is closed or Escape is pressed.
#include "skinui/native_window.h"
#include "skinui/paint_manager.h"
#include "tools/skinui_preview/preview_window.h"

namespace {

class CPreviewWindow : public SkinUI::CNativeWindow, public SkinUI::IPaintHost {
 public:
  explicit CPreviewWindow(SkinUI::CPaintManager& manager) : manager_(manager) {
    manager_.SetHost(this);
  }
  ~CPreviewWindow() override { manager_.SetHost(nullptr); }

  std::wstring GetWindowClassName() const override { return L"SkinPreview"; }
  void InvalidateRect(const SkinUI::Rect& rect) override { CNativeWindow::InvalidateRect(rect); }

  SkinUI::LResult HandleMessage(SkinUI::MessageId msg, SkinUI::WParam wparam,
                                SkinUI::LParam lparam) override {
    using namespace SkinUI;
    if (msg == kWmNcHitTest) {
      const Point point = ScreenToClient({PointParamX(lparam), PointParamY(lparam)});
      return manager_.HitTest(point, IsMaximized());
    }
    if (msg == kWmDestroy) PostQuitMessage(0);
    if (msg == kWmKeyDown && wparam == kVkEscape) {
      PostMessage(kWmClose);
      return 0;
    }
    LResult result = 0;
    if (manager_.MessageHandler(msg, wparam, lparam, result)) return result;
    return DefWindowProc(msg, wparam, lparam);
  }

 protected:
  void PaintContent(SkinUI::IRenderer& renderer, const SkinUI::Rect& dirty) override {
    manager_.Paint(renderer, dirty);
  }

 private:
  SkinUI::CPaintManager& manager_;
};

}  // namespace

int ShowPreviewWindow(SkinUI::CPaintManager& manager, const SkinUI::Size& size,
                      std::string& error) {
  CPreviewWindow window(manager);
  if (!window.Create(nullptr, L"skinui-preview", 0, 0)) {
    error = "cannot open a window (is there a display?)";
    return 1;
  }
  window.ResizeClient(size);
  window.CenterWindow();
  window.ShowModal();
  return 0;
}
