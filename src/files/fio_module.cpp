// FIO's module variables and the thread's error code.
#include "files/fio_core.h"
#include "tqusb/files/fio.h"

namespace FIO {
namespace {

// TAB, LF, CR, 26 (end of text) and space, as a bitmap of byte (c >> 3), bit (c & 7).
constexpr unsigned char kDefaultSeparators[16] = {0x00, 0x26, 0x00, 0x04, 0x01};

}  // namespace

unsigned char Eng = 0;
unsigned char ChopOff = 0;
char PrefixCharA = ' ';
char16_t PrefixCharW = u' ';
char SuffixCharA = ' ';
char16_t SuffixCharW = u' ';
char EOLA = '\n';
char16_t EOLW = u'\n';
unsigned char SeparatorsA[32] = {0x00, 0x26, 0x00, 0x04, 0x01};
unsigned char SeparatorsW[16] = {0x00, 0x26, 0x00, 0x04, 0x01};
char Dummy = 0;

void InitModule() {
  Eng = 0;
  ChopOff = 0;
  PrefixCharA = SuffixCharA = ' ';
  PrefixCharW = SuffixCharW = u' ';
  EOLA = '\n';
  EOLW = u'\n';
  for (unsigned int i = 0; i < 32; ++i) SeparatorsA[i] = i < 16 ? kDefaultSeparators[i] : 0;
  for (unsigned int i = 0; i < 16; ++i) SeparatorsW[i] = kDefaultSeparators[i];
}

unsigned int IOresult() {
  return files::LastError();
}

}  // namespace FIO
