// Lib::HSort and Lib::QSort: the sorting algorithms driven by the caller's
// callbacks.
#include "runtime/sort_algorithms.h"
#include "tqusb/runtime/lib.h"

namespace Lib {

void HSort(unsigned int n, TLessFunc less, TSwapFunc swap) {
  if (less == nullptr || swap == nullptr) return;
  runtime::HeapSort(n, less, swap);
}

void QSort(unsigned int n, TLessFunc less, TSwapFunc swap) {
  if (less == nullptr || swap == nullptr) return;
  runtime::QuickSort(n, less, swap, [](unsigned) {});
}

}  // namespace Lib
