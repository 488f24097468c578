#pragma once
// How a tree lets go of an element it owns: the element's clean-up, then the
// block goes back to the heap it came from (malloc, through Storage).
#include "tqusb/runtime/storage.h"

namespace vtree {

template <class E>
void DisposeElem(E* elem) {
  if (elem == nullptr) return;
  elem->Done();
  void* block = elem;
  Storage::Free(&block);
}

}  // namespace vtree
