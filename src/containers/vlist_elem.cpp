// The element bases: the empty virtual operation and the malloc/free-backed
// allocation that lets DisposeList release elements with free().
#include <cstdlib>

#include "tqusb/containers/vlist.h"
#include "tqusb/runtime/storage.h"

namespace vlist {

namespace {

void* AllocateElement(std::size_t size) {
  void* block = std::malloc(size == 0 ? 1 : size);
  if (block == nullptr) Storage::OutOfMemory();
  return block;
}

}  // namespace

void CListElem::__virtual() {}

void* CListElem::operator new(std::size_t size) {
  return AllocateElement(size);
}

void CListElem::operator delete(void* block) noexcept {
  std::free(block);
}

void CBListElem::__virtual() {}

void* CBListElem::operator new(std::size_t size) {
  return AllocateElement(size);
}

void CBListElem::operator delete(void* block) noexcept {
  std::free(block);
}

}  // namespace vlist
