// CTextScannerW: UTF-16 lines; 8-bit files are converted when read, and a
// UTF-16 file is written back as UTF-16 with a byte-order mark.
#include "scan/text_file.h"
#include "scan/text_scanner_impl.h"

namespace vscan {

namespace {

using Ops = detail::TextOps<CTextScannerW, CDataListElemW, char16_t>;
using detail::kLineHigh;

// 8-bit output of one field: at most 255 bytes.
constexpr unsigned kNarrowHigh = 254;

bool WriteField(void* h, bool wide, unsigned high, const char16_t* field) {
  if (wide) return FIO::WrStrW(h, high, field);
  char narrow[kNarrowHigh + 1];
  Str::U2A(high, field, kNarrowHigh, narrow);
  return FIO::WrStrA(h, kNarrowHigh, narrow);
}

bool WriteText(void* h, bool wide, const char16_t* text) {
  return WriteField(h, wide, static_cast<unsigned>(std::char_traits<char16_t>::length(text)), text);
}

struct FileIO {
  template <class Line>
  static bool Open(CTextScannerW& s, Line line) {
    void* h = detail::OpenForReading(TextFileNameHigh, s.FileName);
    s.UnicodeFile = 0;
    if (h == FIO::InvalidHandle()) return false;
    bool within = true;
    char16_t text[kLineHigh + 1];
    if (FIO::IsUnicodeFile(h)) {
      s.UnicodeFile = s.SaveUnicode = 1;
      while (within && FIO::RdStrW(h, kLineHigh, text)) {
        line(text);
        within = detail::ReadWithinLimit(h, TextFileNameHigh, s.FileName);
      }
    } else {
      char narrow[kLineHigh + 1];
      while (within && FIO::RdStrA(h, kLineHigh, narrow)) {
        Str::A2U(kLineHigh, narrow, kLineHigh, text);
        line(text);
        within = detail::ReadWithinLimit(h, TextFileNameHigh, s.FileName);
      }
    }
    FIO::Close(h);
    return within;
  }

  static bool Save(CTextScannerW& s) {
    const bool wide = s.SaveUnicode != 0;
    return detail::SaveReplacing(TextFileNameHigh, s.FileName, [&](void* h) {
      bool ok = !wide || FIO::WrCharW(h, u'\uFEFF');
      auto newline = [&] { return wide ? FIO::WrLnW(h) : FIO::WrLnA(h); };
      for (auto* e = static_cast<CDataListElemW*>(s.Lines.first); e != nullptr;
           e = static_cast<CDataListElemW*>(e->next)) {
        if (e->Section) {
          if (e != s.Lines.first) ok = newline() && ok;
          ok = WriteText(h, wide, u"[") && WriteField(h, wide, TextKeyHigh, e->Key) &&
               WriteText(h, wide, u"]") && ok;
        } else if (e->Plain) {
          ok = WriteField(h, wide, TextKeyHigh, e->Key) && ok;
        } else {
          ok = WriteField(h, wide, TextKeyHigh, e->Key) && WriteText(h, wide, u" = ") &&
               WriteField(h, wide, TextValueHigh, e->Value) && ok;
        }
        ok = newline() && ok;
      }
      return ok;
    });
  }
};

}  // namespace

CDataListElemW::~CDataListElemW() = default;

unsigned char CTextScannerW::Init(unsigned int fileHigh, const char16_t* fileName) {
  return Ops::Init<FileIO>(*this, fileHigh, fileName);
}
unsigned char CTextScannerW::Create(unsigned int sectionHigh, const char16_t* section,
                                    unsigned int fileHigh, const char16_t* fileName) {
  return Ops::Create(*this, sectionHigh, section, fileHigh, fileName);
}
void CTextScannerW::Done() {
  Ops::Done(*this);
}

unsigned char CTextScannerW::SetSection(unsigned int nameHigh, const char16_t* name) {
  return Ops::SetSection(*this, nameHigh, name);
}
unsigned char CTextScannerW::CreateSection(unsigned int nameHigh, const char16_t* name) {
  return Ops::CreateSection(*this, nameHigh, name);
}
unsigned char CTextScannerW::ClearSection(unsigned int nameHigh, const char16_t* name) {
  return Ops::ClearSection(*this, nameHigh, name);
}
unsigned char CTextScannerW::DeleteSection(unsigned int nameHigh, const char16_t* name) {
  return Ops::DeleteSection(*this, nameHigh, name);
}

unsigned char CTextScannerW::GetKeyStr(unsigned int keyHigh, const char16_t* key,
                                       unsigned int valueHigh, char16_t* value) {
  return Ops::GetStr(*this, keyHigh, key, valueHigh, value);
}
unsigned char CTextScannerW::GetKeyBool(unsigned int keyHigh, const char16_t* key,
                                        unsigned char* value) {
  return Ops::GetBool(*this, keyHigh, key, value);
}
unsigned char CTextScannerW::GetKeyCard(unsigned int keyHigh, const char16_t* key,
                                        unsigned int* value) {
  return Ops::GetNumber(*this, keyHigh, key, value, [](const char16_t* t, unsigned char* ok) {
    return Str::StrToCardW(detail::kNumberText, t, 10, ok);
  });
}
unsigned char CTextScannerW::GetKeyInt(unsigned int keyHigh, const char16_t* key, int* value) {
  return Ops::GetNumber(*this, keyHigh, key, value, [](const char16_t* t, unsigned char* ok) {
    return Str::StrToIntW(detail::kNumberText, t, 10, ok);
  });
}
unsigned char CTextScannerW::GetKeyCard64(unsigned int keyHigh, const char16_t* key,
                                          unsigned long long* value) {
  return Ops::GetNumber(*this, keyHigh, key, value, [](const char16_t* t, unsigned char* ok) {
    return Str::StrToCard64W(detail::kNumberText, t, 10, ok);
  });
}
unsigned char CTextScannerW::GetKeyInt64(unsigned int keyHigh, const char16_t* key,
                                         long long* value) {
  return Ops::GetNumber(*this, keyHigh, key, value, [](const char16_t* t, unsigned char* ok) {
    return Str::StrToInt64W(detail::kNumberText, t, 10, ok);
  });
}
unsigned char CTextScannerW::GetKeyCardPtr(unsigned int keyHigh, const char16_t* key,
                                           unsigned long long* value) {
  return Ops::GetNumber(*this, keyHigh, key, value, [](const char16_t* t, unsigned char* ok) {
    return Str::StrToCardPtrW(detail::kNumberText, t, 10, ok);
  });
}
unsigned char CTextScannerW::GetKeyReal(unsigned int keyHigh, const char16_t* key, double* value) {
  return Ops::GetNumber(*this, keyHigh, key, value, [](const char16_t* t, unsigned char* ok) {
    return Str::StrToRealW(detail::kNumberText, t, ok);
  });
}
unsigned char CTextScannerW::GetKeyRect(unsigned int keyHigh, const char16_t* key,
                                        vcom::CRect* value) {
  return Ops::GetRect(*this, keyHigh, key, value);
}

unsigned char CTextScannerW::SetKeyStr(unsigned int keyHigh, const char16_t* key,
                                       unsigned int valueHigh, const char16_t* value) {
  return Ops::SetStr(*this, keyHigh, key, valueHigh, value);
}
unsigned char CTextScannerW::SetKeyBool(unsigned int keyHigh, const char16_t* key,
                                        unsigned char value) {
  return Ops::SetBool(*this, keyHigh, key, value);
}
unsigned char CTextScannerW::SetKeyCard(unsigned int keyHigh, const char16_t* key,
                                        unsigned int value) {
  return Ops::SetNumber(*this, keyHigh, key, [&](char16_t* t, unsigned char* ok) {
    Str::CardToStrW(value, detail::kNumberText, t, 10, ok);
  });
}
unsigned char CTextScannerW::SetKeyInt(unsigned int keyHigh, const char16_t* key, int value) {
  return Ops::SetNumber(*this, keyHigh, key, [&](char16_t* t, unsigned char* ok) {
    Str::IntToStrW(value, detail::kNumberText, t, 10, ok);
  });
}
unsigned char CTextScannerW::SetKeyCard64(unsigned int keyHigh, const char16_t* key,
                                          unsigned long long value) {
  return Ops::SetNumber(*this, keyHigh, key, [&](char16_t* t, unsigned char* ok) {
    Str::Card64ToStrW(value, detail::kNumberText, t, 10, ok);
  });
}
unsigned char CTextScannerW::SetKeyInt64(unsigned int keyHigh, const char16_t* key,
                                         long long value) {
  return Ops::SetNumber(*this, keyHigh, key, [&](char16_t* t, unsigned char* ok) {
    Str::Int64ToStrW(value, detail::kNumberText, t, 10, ok);
  });
}
unsigned char CTextScannerW::SetKeyCardPtr(unsigned int keyHigh, const char16_t* key,
                                           unsigned long long value) {
  return Ops::SetNumber(*this, keyHigh, key, [&](char16_t* t, unsigned char* ok) {
    Str::CardPtrToStrW(value, detail::kNumberText, t, 10, ok);
  });
}
unsigned char CTextScannerW::SetKeyReal(unsigned int keyHigh, const char16_t* key, double value) {
  return Ops::SetNumber(*this, keyHigh, key, [&](char16_t* t, unsigned char* ok) {
    Str::RealToStrW(value, 17, 0, detail::kNumberText, t, ok);
  });
}
unsigned char CTextScannerW::SetKeyRect(unsigned int keyHigh, const char16_t* key,
                                        vcom::CRect value) {
  return Ops::SetRect(*this, keyHigh, key, value);
}
unsigned char CTextScannerW::AddLine(unsigned int keyHigh, const char16_t* key,
                                     unsigned int valueHigh, const char16_t* value) {
  return Ops::AddLine(*this, keyHigh, key, valueHigh, value);
}

unsigned char CTextScannerW::GetFirstLine(unsigned int keyHigh, char16_t* key,
                                          unsigned int valueHigh, char16_t* value) {
  return Ops::GetFirstLine(*this, keyHigh, key, valueHigh, value);
}
unsigned char CTextScannerW::GetNextLine(unsigned int keyHigh, char16_t* key,
                                         unsigned int valueHigh, char16_t* value) {
  return Ops::GetNextLine(*this, keyHigh, key, valueHigh, value);
}
unsigned char CTextScannerW::GetFirstKeyStr(unsigned int keyHigh, const char16_t* key,
                                            unsigned int valueHigh, char16_t* value) {
  return Ops::GetFirstKeyStr(*this, keyHigh, key, valueHigh, value);
}
unsigned char CTextScannerW::GetNextKeyStr(unsigned int keyHigh, const char16_t* key,
                                           unsigned int valueHigh, char16_t* value) {
  return Ops::GetNextKeyStr(*this, keyHigh, key, valueHigh, value);
}

unsigned char CTextScannerW::SaveModified() {
  return Ops::SaveModified<FileIO>(*this);
}
unsigned char CTextScannerW::SaveAs(unsigned int fileHigh, const char16_t* fileName) {
  return Ops::SaveAs<FileIO>(*this, fileHigh, fileName);
}
void CTextScannerW::SetSaveUnicode(unsigned char value) {
  SaveUnicode = value;
}
void CTextScannerW::SetUTF8Xlat(unsigned char value) {
  UTF8Xlat = value;
}

}  // namespace vscan
