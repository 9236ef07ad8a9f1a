#include <gtk/gtk.h>

#include <cstdio>
#include <vector>

#include "platform/text.h"
#include "skinui/message_box.h"
#include "skinui/native_window.h"

namespace SkinUI {
namespace {

struct Choice {
  const char* label;
  int answer;
};

std::vector<Choice> ChoicesOf(unsigned type) {
  switch (type & 0xF) {
    case kMbOkCancel:
      return {{"_OK", kIdOk}, {"_Cancel", kIdCancel}};
    case kMbAbortRetryIgnore:
      return {{"_Abort", kIdAbort}, {"_Retry", kIdRetry}, {"_Ignore", kIdIgnore}};
    case kMbYesNoCancel:
      return {{"_Yes", kIdYes}, {"_No", kIdNo}, {"_Cancel", kIdCancel}};
    case kMbYesNo:
      return {{"_Yes", kIdYes}, {"_No", kIdNo}};
    case kMbRetryCancel:
      return {{"_Retry", kIdRetry}, {"_Cancel", kIdCancel}};
    default:
      return {{"_OK", kIdOk}};
  }
}

// What closing the box answers; 0 when it cannot be closed without a button.
int CloseAnswerOf(const std::vector<Choice>& choices) {
  for (const Choice& choice : choices) {
    if (choice.answer == kIdCancel) return kIdCancel;
  }
  return choices.size() == 1 ? choices.front().answer : 0;
}

GtkMessageType IconOf(unsigned type) {
  switch (type & 0xF0) {
    case kMbIconError:
      return GTK_MESSAGE_ERROR;
    case kMbIconQuestion:
      return GTK_MESSAGE_QUESTION;
    case kMbIconWarning:
      return GTK_MESSAGE_WARNING;
    case kMbIconInformation:
      return GTK_MESSAGE_INFO;
    default:
      return GTK_MESSAGE_OTHER;
  }
}

void SetDirection(GtkWidget* widget, gpointer direction) {
  gtk_widget_set_direction(widget, static_cast<GtkTextDirection>(GPOINTER_TO_INT(direction)));
  if (GTK_IS_CONTAINER(widget)) {
    gtk_container_forall(GTK_CONTAINER(widget), SetDirection, direction);
  }
}

}  // namespace

int MessageBox(CNativeWindow* owner, const std::wstring& text, const std::wstring& title,
               unsigned type) {
  const std::vector<Choice> choices = ChoicesOf(type);
  if (!gtk_init_check(nullptr, nullptr)) {
    std::fprintf(stderr, "%s: %s\n", platform::WideToUtf8(title).c_str(),
                 platform::WideToUtf8(text).c_str());
    return choices.front().answer;
  }
  GtkWindow* parent = owner && owner->GetHWND() ? GTK_WINDOW(owner->GetHWND()) : nullptr;
  GtkWidget* dialog = gtk_message_dialog_new(
      parent, GtkDialogFlags(GTK_DIALOG_MODAL | GTK_DIALOG_DESTROY_WITH_PARENT), IconOf(type),
      GTK_BUTTONS_NONE, "%s", platform::WideToUtf8(text).c_str());
  gtk_window_set_title(GTK_WINDOW(dialog), platform::WideToUtf8(title).c_str());
  gtk_window_set_resizable(GTK_WINDOW(dialog), FALSE);
  // GTK's own translations of OK, Cancel, Yes and No, in the desktop's language like the
  // buttons of a Windows message box; Abort, Retry and Ignore have none and stay English.
  for (const Choice& choice : choices) {
    gtk_dialog_add_button(GTK_DIALOG(dialog), g_dgettext("gtk30", choice.label), choice.answer);
  }
  gtk_dialog_set_default_response(GTK_DIALOG(dialog), choices.front().answer);
  if (GtkWidget* first =
          gtk_dialog_get_widget_for_response(GTK_DIALOG(dialog), choices.front().answer)) {
    gtk_widget_grab_focus(first);
  }
  if (type & kMbRtlReading) SetDirection(dialog, GINT_TO_POINTER(GTK_TEXT_DIR_RTL));
  if (!parent) gtk_window_set_position(GTK_WINDOW(dialog), GTK_WIN_POS_CENTER);

  const int close_answer = CloseAnswerOf(choices);
  int answer = 0;
  while (answer == 0) {
    const gint response = gtk_dialog_run(GTK_DIALOG(dialog));
    if (response > 0) {
      answer = response;
    } else if (response == GTK_RESPONSE_NONE) {
      answer = close_answer ? close_answer : choices.front().answer;  // the box was destroyed
      break;
    } else {
      answer = close_answer;  // closed: Cancel, OK, or ask again
    }
  }
  gtk_widget_destroy(dialog);
  return answer;
}

}  // namespace SkinUI
