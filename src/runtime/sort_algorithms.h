#pragma once
// The sorting algorithms behind Lib::HSort and Lib::QSort, as templates over
// the two callbacks (items numbered 1..n). QuickSort also reports the depth of
// each range it starts, so its recursion can be observed.
#include <cstdint>

namespace runtime {

// Sift `node` down within a heap of `size` items while a child orders after it.
template <class Less, class Swap>
void SiftDown(std::uint32_t node, std::uint32_t size, Less& less, Swap& swap) {
  for (;;) {
    std::uint64_t child = 2ull * node;
    if (child > size) return;
    auto c = static_cast<std::uint32_t>(child);
    if (c < size && less(c, c + 1)) ++c;
    if (!less(node, c)) return;
    swap(node, c);
    node = c;
  }
}

// Bottom-up heapsort: after taking the maximum off, the hole left at the root
// runs down to a leaf along the larger children, and the item put there rises
// back while it orders after its parent. That saves most comparisons of a
// plain sift-down, since the moved item usually belongs near the bottom.
template <class Less, class Swap>
void HeapSort(std::uint32_t n, Less less, Swap swap) {
  if (n < 2) return;
  for (std::uint32_t parent = n / 2; parent >= 1; --parent) SiftDown(parent, n, less, swap);
  for (std::uint32_t size = n; size >= 1; --size) {
    swap(1u, size);
    const std::uint32_t heap = size - 1;
    std::uint32_t node = 1;
    for (;;) {
      std::uint64_t child = 2ull * node;
      if (child > heap) break;
      auto c = static_cast<std::uint32_t>(child);
      if (c < heap && less(c, c + 1)) ++c;
      swap(node, c);
      node = c;
    }
    while (node > 1 && less(node / 2, node)) {
      swap(node / 2, node);
      node /= 2;
    }
  }
}

// Partitions lo..hi around the item at lo and returns the pivot's final place:
// items before it do not order after the pivot, items behind it do.
template <class Less, class Swap>
std::uint32_t Partition(std::uint32_t lo, std::uint32_t hi, Less& less, Swap& swap) {
  // Signed positions: j may step to just below i, which can be below 1.
  std::int64_t i = static_cast<std::int64_t>(lo) + 1;
  std::int64_t j = hi;
  const auto item = [](std::int64_t k) { return static_cast<std::uint32_t>(k); };
  while (i <= j) {
    if (less(lo, item(i))) {
      while (j >= i && less(lo, item(j))) --j;
      if (j < i) break;
      swap(item(i), item(j));
      ++i;
      --j;
    } else {
      ++i;
    }
  }
  if (item(j) != lo) swap(lo, item(j));
  return item(j);
}

// Quicksort: the smaller side of each partition by recursion, the larger by
// iteration, so the depth stays below log2(n) + 1 even on sorted input.
// onRange(depth) is called for every range of two or more items.
template <class Less, class Swap, class OnRange>
void QuickSortRange(std::uint32_t lo, std::uint32_t hi, unsigned depth, Less& less, Swap& swap,
                    OnRange& onRange) {
  while (lo < hi) {
    onRange(depth);
    const std::uint32_t p = Partition(lo, hi, less, swap);
    const std::uint32_t leftSize = p - lo;
    const std::uint32_t rightSize = hi - p;
    if (leftSize < rightSize) {
      if (leftSize > 1) QuickSortRange(lo, p - 1, depth + 1, less, swap, onRange);
      lo = p + 1;
    } else {
      if (rightSize > 1) QuickSortRange(p + 1, hi, depth + 1, less, swap, onRange);
      if (p == lo) return;  // left side empty too
      hi = p - 1;
    }
  }
}

template <class Less, class Swap, class OnRange>
void QuickSort(std::uint32_t n, Less less, Swap swap, OnRange onRange) {
  if (n < 2) return;
  QuickSortRange(1u, n, 0, less, swap, onRange);
}

}  // namespace runtime
