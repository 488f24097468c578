// CTextScanner: 8-bit lines; reads UTF-16 files too, always writes 8-bit text.
#include "scan/text_file.h"
#include "scan/text_scanner_impl.h"

namespace vscan {

namespace {

using Ops = detail::TextOps<CTextScanner, CDataListElem, char>;
using detail::kLineHigh;

struct FileIO {
  template <class Line>
  static bool Open(CTextScanner& s, Line line) {
    void* h = detail::OpenForReading(TextFileNameHigh, s.FileName);
    if (h == FIO::InvalidHandle()) return false;
    bool within = true;
    char text[kLineHigh + 1];
    if (FIO::IsUnicodeFile(h)) {
      char16_t wide[kLineHigh + 1];
      while (within && FIO::RdStrW(h, kLineHigh, wide)) {
        Str::U2A(kLineHigh, wide, kLineHigh, text);
        line(text);
        within = detail::ReadWithinLimit(h, TextFileNameHigh, s.FileName);
      }
    } else {
      while (within && FIO::RdStrA(h, kLineHigh, text)) {
        line(text);
        within = detail::ReadWithinLimit(h, TextFileNameHigh, s.FileName);
      }
    }
    FIO::Close(h);
    return within;
  }

  static bool Save(CTextScanner& s) {
    return detail::SaveReplacing(TextFileNameHigh, s.FileName, [&](void* h) {
      bool ok = true;
      for (auto* e = static_cast<CDataListElem*>(s.Lines.first); e != nullptr;
           e = static_cast<CDataListElem*>(e->next)) {
        if (e->Section) {
          if (e != s.Lines.first) ok = FIO::WrLnA(h) && ok;
          ok = FIO::WrStrA(h, 0, "[") && FIO::WrStrA(h, TextKeyHigh, e->Key) &&
               FIO::WrStrA(h, 0, "]") && ok;
        } else if (e->Plain) {
          ok = FIO::WrStrA(h, TextKeyHigh, e->Key) && ok;
        } else {
          ok = FIO::WrStrA(h, TextKeyHigh, e->Key) && FIO::WrStrA(h, 2, " = ") &&
               FIO::WrStrA(h, TextValueHigh, e->Value) && ok;
        }
        ok = FIO::WrLnA(h) && ok;
      }
      return ok;
    });
  }
};

}  // namespace

CDataListElem::~CDataListElem() = default;

unsigned char CTextScanner::Init(unsigned int fileHigh, const char* fileName) {
  return Ops::Init<FileIO>(*this, fileHigh, fileName);
}
unsigned char CTextScanner::Create(unsigned int sectionHigh, const char* section,
                                   unsigned int fileHigh, const char* fileName) {
  return Ops::Create(*this, sectionHigh, section, fileHigh, fileName);
}
void CTextScanner::Done() {
  Ops::Done(*this);
}

unsigned char CTextScanner::SetSection(unsigned int nameHigh, const char* name) {
  return Ops::SetSection(*this, nameHigh, name);
}
unsigned char CTextScanner::CreateSection(unsigned int nameHigh, const char* name) {
  return Ops::CreateSection(*this, nameHigh, name);
}
unsigned char CTextScanner::ClearSection(unsigned int nameHigh, const char* name) {
  return Ops::ClearSection(*this, nameHigh, name);
}
unsigned char CTextScanner::DeleteSection(unsigned int nameHigh, const char* name) {
  return Ops::DeleteSection(*this, nameHigh, name);
}

unsigned char CTextScanner::GetKeyStr(unsigned int keyHigh, const char* key, unsigned int valueHigh,
                                      char* value) {
  return Ops::GetStr(*this, keyHigh, key, valueHigh, value);
}
unsigned char CTextScanner::GetKeyBool(unsigned int keyHigh, const char* key,
                                       unsigned char* value) {
  return Ops::GetBool(*this, keyHigh, key, value);
}
unsigned char CTextScanner::GetKeyCard(unsigned int keyHigh, const char* key, unsigned int* value) {
  return Ops::GetNumber(*this, keyHigh, key, value, [](const char* t, unsigned char* ok) {
    return Str::StrToCardA(detail::kNumberText, t, 10, ok);
  });
}
unsigned char CTextScanner::GetKeyInt(unsigned int keyHigh, const char* key, int* value) {
  return Ops::GetNumber(*this, keyHigh, key, value, [](const char* t, unsigned char* ok) {
    return Str::StrToIntA(detail::kNumberText, t, 10, ok);
  });
}
unsigned char CTextScanner::GetKeyCard64(unsigned int keyHigh, const char* key,
                                         unsigned long long* value) {
  return Ops::GetNumber(*this, keyHigh, key, value, [](const char* t, unsigned char* ok) {
    return Str::StrToCard64A(detail::kNumberText, t, 10, ok);
  });
}
unsigned char CTextScanner::GetKeyInt64(unsigned int keyHigh, const char* key, long long* value) {
  return Ops::GetNumber(*this, keyHigh, key, value, [](const char* t, unsigned char* ok) {
    return Str::StrToInt64A(detail::kNumberText, t, 10, ok);
  });
}
unsigned char CTextScanner::GetKeyCardPtr(unsigned int keyHigh, const char* key,
                                          unsigned long long* value) {
  return Ops::GetNumber(*this, keyHigh, key, value, [](const char* t, unsigned char* ok) {
    return Str::StrToCardPtrA(detail::kNumberText, t, 10, ok);
  });
}
unsigned char CTextScanner::GetKeyReal(unsigned int keyHigh, const char* key, double* value) {
  return Ops::GetNumber(*this, keyHigh, key, value, [](const char* t, unsigned char* ok) {
    return Str::StrToRealA(detail::kNumberText, t, ok);
  });
}
unsigned char CTextScanner::GetKeyRect(unsigned int keyHigh, const char* key, vcom::CRect* value) {
  return Ops::GetRect(*this, keyHigh, key, value);
}

unsigned char CTextScanner::SetKeyStr(unsigned int keyHigh, const char* key, unsigned int valueHigh,
                                      const char* value) {
  return Ops::SetStr(*this, keyHigh, key, valueHigh, value);
}
unsigned char CTextScanner::SetKeyBool(unsigned int keyHigh, const char* key, unsigned char value) {
  return Ops::SetBool(*this, keyHigh, key, value);
}
unsigned char CTextScanner::SetKeyCard(unsigned int keyHigh, const char* key, unsigned int value) {
  return Ops::SetNumber(*this, keyHigh, key, [&](char* t, unsigned char* ok) {
    Str::CardToStrA(value, detail::kNumberText, t, 10, ok);
  });
}
unsigned char CTextScanner::SetKeyInt(unsigned int keyHigh, const char* key, int value) {
  return Ops::SetNumber(*this, keyHigh, key, [&](char* t, unsigned char* ok) {
    Str::IntToStrA(value, detail::kNumberText, t, 10, ok);
  });
}
unsigned char CTextScanner::SetKeyCard64(unsigned int keyHigh, const char* key,
                                         unsigned long long value) {
  return Ops::SetNumber(*this, keyHigh, key, [&](char* t, unsigned char* ok) {
    Str::Card64ToStrA(value, detail::kNumberText, t, 10, ok);
  });
}
unsigned char CTextScanner::SetKeyInt64(unsigned int keyHigh, const char* key, long long value) {
  return Ops::SetNumber(*this, keyHigh, key, [&](char* t, unsigned char* ok) {
    Str::Int64ToStrA(value, detail::kNumberText, t, 10, ok);
  });
}
unsigned char CTextScanner::SetKeyCardPtr(unsigned int keyHigh, const char* key,
                                          unsigned long long value) {
  return Ops::SetNumber(*this, keyHigh, key, [&](char* t, unsigned char* ok) {
    Str::CardPtrToStrA(value, detail::kNumberText, t, 10, ok);
  });
}
unsigned char CTextScanner::SetKeyReal(unsigned int keyHigh, const char* key, double value) {
  return Ops::SetNumber(*this, keyHigh, key, [&](char* t, unsigned char* ok) {
    Str::RealToStrA(value, 17, 0, detail::kNumberText, t, ok);
  });
}
unsigned char CTextScanner::SetKeyRect(unsigned int keyHigh, const char* key, vcom::CRect value) {
  return Ops::SetRect(*this, keyHigh, key, value);
}
unsigned char CTextScanner::AddLine(unsigned int keyHigh, const char* key, unsigned int valueHigh,
                                    const char* value) {
  return Ops::AddLine(*this, keyHigh, key, valueHigh, value);
}

unsigned char CTextScanner::GetFirstLine(unsigned int keyHigh, char* key, unsigned int valueHigh,
                                         char* value) {
  return Ops::GetFirstLine(*this, keyHigh, key, valueHigh, value);
}
unsigned char CTextScanner::GetNextLine(unsigned int keyHigh, char* key, unsigned int valueHigh,
                                        char* value) {
  return Ops::GetNextLine(*this, keyHigh, key, valueHigh, value);
}
unsigned char CTextScanner::GetFirstKeyStr(unsigned int keyHigh, const char* key,
                                           unsigned int valueHigh, char* value) {
  return Ops::GetFirstKeyStr(*this, keyHigh, key, valueHigh, value);
}
unsigned char CTextScanner::GetNextKeyStr(unsigned int keyHigh, const char* key,
                                          unsigned int valueHigh, char* value) {
  return Ops::GetNextKeyStr(*this, keyHigh, key, valueHigh, value);
}

unsigned char CTextScanner::SaveModified() {
  return Ops::SaveModified<FileIO>(*this);
}
unsigned char CTextScanner::SaveAs(unsigned int fileHigh, const char* fileName) {
  return Ops::SaveAs<FileIO>(*this, fileHigh, fileName);
}

}  // namespace vscan
