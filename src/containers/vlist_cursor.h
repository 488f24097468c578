#pragma once
// Cursor and bookkeeping operations that the singly and doubly linked lists
// share: they touch only `first`, `last`, `active`, `count` and the `next`
// links, which both lists lay out alike.
#include <cstdlib>

namespace vlist::cursor {

template <class List>
void Clear(List& list) {
  list.first = nullptr;
  list.last = nullptr;
  list.active = nullptr;
  list.count = 0;
}

// Elements come from the element bases' malloc-backed operator new, so the C
// runtime's free matches; no destructor runs, as the list contract says.
template <class List>
void Dispose(List& list) {
  auto* e = list.first;
  while (e != nullptr) {
    auto* next = e->next;
    std::free(e);
    e = next;
  }
  Clear(list);
}

template <class List, class Elem>
unsigned char Find(List& list, Elem* elem) {
  for (list.active = list.first; list.active != nullptr; list.active = list.active->next) {
    if (list.active == elem) return 1;
  }
  return 0;
}

template <class List, class Elem>
unsigned char Active(List& list, Elem** elem) {
  if (list.active == nullptr) return 0;
  if (elem != nullptr) *elem = list.active;
  return 1;
}

template <class List, class Elem>
unsigned char Next(List& list, Elem** elem) {
  if (list.active == nullptr) return 0;
  list.active = list.active->next;
  return Active(list, elem);
}

}  // namespace vlist::cursor
