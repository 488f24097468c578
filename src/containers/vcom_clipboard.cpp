// Clipboard text over the process's clipboard (platform/clipboard.h). A text
// ends at its first zero, as a reader of the copied block would see it.
#include <cstring>
#include <string>

#include "platform/clipboard.h"
#include "tqusb/containers/vcom.h"
#include "tqusb/runtime/storage.h"
#include "tqusb/runtime/str.h"

namespace vcom {

void TextClipCopyA(const void* data, unsigned long long size) {
  if (data == nullptr && size != 0) return;
  const char* bytes = static_cast<const char*>(data);
  platform::SetClipboardText(size == 0 ? std::string() : std::string(bytes, strnlen(bytes, size)));
}

void StringClipCopyA(unsigned int high, const char* s) {
  if (s == nullptr) return;
  TextClipCopyA(s, Str::LengthA(high, s));
}

void StringClipPasteA(unsigned int high, char* s) {
  if (s == nullptr) return;
  const std::string text = platform::ClipboardText().value_or(std::string());
  Str::CopyA(high, s, static_cast<unsigned int>(text.size()), text.c_str());
}

// The copy is terminated, so a caller may read it as a C string as well.
void TextClipPasteA(void** data, unsigned long long* size) {
  if (data != nullptr) *data = nullptr;
  if (size != nullptr) *size = 0;
  const std::optional<std::string> text = platform::ClipboardText();
  if (!text || data == nullptr) return;
  Storage::Allocate(data, text->size() + 1);
  std::memcpy(*data, text->c_str(), text->size() + 1);
  if (size != nullptr) *size = text->size();
}

}  // namespace vcom
