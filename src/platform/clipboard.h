#pragma once
// The clipboard. There is no desktop clipboard here: the clipboard is a text
// held by the process, shared by all its threads. Like the desktop one it may
// hold no text at all (before the first copy), which differs from an empty
// text.
#include <optional>
#include <string>

namespace platform {

void SetClipboardText(std::string text);
std::optional<std::string> ClipboardText();

}  // namespace platform
