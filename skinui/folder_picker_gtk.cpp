#include <gtk/gtk.h>

#include "platform/text.h"
#include "skinui/folder_picker.h"
#include "skinui/native_window.h"

namespace SkinUI {

std::optional<std::wstring> PickFolder(CNativeWindow* owner, const std::wstring& title) {
  if (!gtk_init_check(nullptr, nullptr)) return std::nullopt;
  GtkWindow* parent = owner && owner->GetHWND() ? GTK_WINDOW(owner->GetHWND()) : nullptr;
  GtkWidget* dialog = gtk_file_chooser_dialog_new(
      platform::WideToUtf8(title).c_str(), parent, GTK_FILE_CHOOSER_ACTION_SELECT_FOLDER, "_Cancel",
      GTK_RESPONSE_CANCEL, "_Select", GTK_RESPONSE_ACCEPT, nullptr);
  gtk_window_set_modal(GTK_WINDOW(dialog), TRUE);
  gtk_file_chooser_set_create_folders(GTK_FILE_CHOOSER(dialog), TRUE);
  std::optional<std::wstring> folder;
  if (gtk_dialog_run(GTK_DIALOG(dialog)) == GTK_RESPONSE_ACCEPT) {
    gchar* path = gtk_file_chooser_get_filename(GTK_FILE_CHOOSER(dialog));
    if (path) {
      folder = platform::Utf8ToWide(path);
      g_free(path);
    }
  }
  gtk_widget_destroy(dialog);
  return folder;
}

}  // namespace SkinUI
