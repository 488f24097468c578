// The tree element bases: neutral comparison and clean-up, and allocation
// from malloc so that the tree's Storage::Free matches `new`.
#include <cstdlib>

#include "tqusb/containers/vtree.h"
#include "tqusb/runtime/storage.h"

namespace vtree {

namespace {

void* AllocateElement(std::size_t size) {
  void* block = std::malloc(size == 0 ? 1 : size);
  if (block == nullptr) Storage::OutOfMemory();
  return block;
}

}  // namespace

int CAVLTreeElem::Compare(CAVLTreeElem*) {
  return 0;
}
void CAVLTreeElem::Done() {}
void* CAVLTreeElem::operator new(std::size_t size) {
  return AllocateElement(size);
}
void CAVLTreeElem::operator delete(void* block) noexcept {
  std::free(block);
}

int CAVLTreeElem2::Compare1(CAVLTreeElem2*) {
  return 0;
}
int CAVLTreeElem2::Compare2(CAVLTreeElem2*) {
  return 0;
}
void CAVLTreeElem2::Done() {}
void* CAVLTreeElem2::operator new(std::size_t size) {
  return AllocateElement(size);
}
void CAVLTreeElem2::operator delete(void* block) noexcept {
  std::free(block);
}

}  // namespace vtree
