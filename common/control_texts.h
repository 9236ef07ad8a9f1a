// Which language text each named control of the skin shows, and how the progress display reads
// a percentage. The installer window and the skin preview both use these, so a preview shows
// exactly what the installer would.
#pragma once

#include <string>
#include <vector>

/// A control of the skin and the key of the text it shows from start-up.
struct ControlTextKey {
  const wchar_t* control;
  const wchar_t* key;
};

/// The controls whose text comes from the language at start-up, in the order they are set.
const std::vector<ControlTextKey>& StartupControlTexts();

/// The value the bar "progress_download" shows for an overall percentage: mirrored for
/// right-to-left skins, whose bar fills from the right.
int ProgressBarValue(int percent, bool right_to_left);

/// The text of "label_progress" for an overall percentage: "45 %".
std::wstring ProgressLabelText(int percent);
