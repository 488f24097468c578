// The INI scanner on any file contents: load, look up, walk, edit and save
// without crash, hang or leak; the saved file loads again.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "tqusb/containers/vcom.h"
#include "tqusb/scan/vscan_text.h"

namespace {

std::string TempName(const char* tag) {
  return "/tmp/tqusb-ini-fuzz-" + std::to_string(getpid()) + "-" + tag + ".ini";
}

// The two files of this process, removed when it ends.
struct TempFiles {
  std::string in = TempName("in"), out = TempName("out");
  ~TempFiles() {
    std::remove(in.c_str());
    std::remove(out.c_str());
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const TempFiles files;
  const std::string& in = files.in;
  const std::string& out = files.out;
  FILE* f = std::fopen(in.c_str(), "wb");
  if (f == nullptr) return 0;
  std::fwrite(data, 1, size, f);
  std::fclose(f);

  vscan::CTextScanner s;
  if (!s.Init(static_cast<unsigned>(in.size()), in.c_str())) return 0;
  char key[80], value[256];
  if (s.GetFirstLine(79, key, 255, value) && s.Section != nullptr && s.Section->Section)
    s.SetSection(79, s.Section->Key);
  while (s.GetNextLine(79, key, 255, value)) {
    int i;
    double r;
    vcom::CRect rect;
    s.GetKeyInt(79, key, &i);
    s.GetKeyReal(79, key, &r);
    s.GetKeyRect(79, key, &rect);
  }
  s.SetKeyStr(2, "new", 5, "value");
  s.CreateSection(4, "fuzz!");
  s.AddLine(0, "k", 0, "v");
  if (!s.SaveAs(static_cast<unsigned>(out.size()), out.c_str())) std::abort();
  s.Done();

  vscan::CTextScanner again;
  if (!again.Init(static_cast<unsigned>(out.size()), out.c_str())) std::abort();
  again.Done();
  return 0;
}
