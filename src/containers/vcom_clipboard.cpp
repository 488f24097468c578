// Clipboard text. There is no desktop clipboard here: the clipboard is a
// block of text held by the process, guarded for use from any thread. Like the
// desktop one it may hold no text at all (before the first copy), which is
// different from holding an empty text.
#include <cstring>
#include <mutex>
#include <optional>
#include <string>

#include "tqusb/containers/vcom.h"
#include "tqusb/runtime/storage.h"
#include "tqusb/runtime/str.h"

namespace vcom {

namespace {

struct TClipboard {
  std::mutex lock;
  std::optional<std::string> text;  // up to its first zero
};

TClipboard& Clipboard() {
  static TClipboard clipboard;
  return clipboard;
}

std::optional<std::string> ClipText() {
  TClipboard& clip = Clipboard();
  std::lock_guard<std::mutex> guard(clip.lock);
  return clip.text;
}

}  // namespace

// The stored text ends at the first zero, as a reader of the copied block
// would see it.
void TextClipCopyA(const void* data, unsigned long long size) {
  if (data == nullptr && size != 0) return;
  const char* bytes = static_cast<const char*>(data);
  const std::size_t length = size == 0 ? 0 : strnlen(bytes, size);
  std::string text(bytes == nullptr ? "" : std::string(bytes, length));
  TClipboard& clip = Clipboard();
  std::lock_guard<std::mutex> guard(clip.lock);
  clip.text = std::move(text);
}

void StringClipCopyA(unsigned int high, const char* s) {
  if (s == nullptr) return;
  TextClipCopyA(s, Str::LengthA(high, s));
}

void StringClipPasteA(unsigned int high, char* s) {
  if (s == nullptr) return;
  const std::optional<std::string> text = ClipText();
  const std::string& t = text ? *text : std::string();
  Str::CopyA(high, s, static_cast<unsigned int>(t.size()), t.c_str());
}

void TextClipPasteA(void** data, unsigned long long* size) {
  if (data != nullptr) *data = nullptr;
  if (size != nullptr) *size = 0;
  const std::optional<std::string> text = ClipText();
  if (!text || data == nullptr) return;
  Storage::Allocate(data, text->size() + 1);
  std::memcpy(*data, text->c_str(), text->size() + 1);
  if (size != nullptr) *size = text->size();
}

}  // namespace vcom
