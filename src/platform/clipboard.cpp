#include "platform/clipboard.h"

#include <mutex>

namespace platform {

namespace {

struct TClipboard {
  std::mutex lock;
  std::optional<std::string> text;
};

TClipboard& Clipboard() {
  static TClipboard clipboard;
  return clipboard;
}

}  // namespace

void SetClipboardText(std::string text) {
  TClipboard& clip = Clipboard();
  std::lock_guard<std::mutex> guard(clip.lock);
  clip.text = std::move(text);
}

std::optional<std::string> ClipboardText() {
  TClipboard& clip = Clipboard();
  std::lock_guard<std::mutex> guard(clip.lock);
  return clip.text;
}

}  // namespace platform
