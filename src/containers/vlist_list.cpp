// vlist::CList: the singly linked list. Operations that need the predecessor of
// an element find it by walking from `first`.
#include <cstdlib>

#include "tqusb/containers/vlist.h"

namespace vlist {

namespace {

// The element linked in front of `elem`, or null when `elem` is `first`.
// `found` is false when `elem` is not linked at all.
CListElem* PredecessorOf(CListElem* first, CListElem* elem, bool* found) {
  CListElem* prev = nullptr;
  for (CListElem* e = first; e != nullptr; prev = e, e = e->next) {
    if (e == elem) {
      *found = true;
      return prev;
    }
  }
  *found = false;
  return nullptr;
}

}  // namespace

void CList::Append(CListElem* elem) {
  if (elem == nullptr) return;
  elem->next = nullptr;
  if (last == nullptr) {
    first = elem;
  } else {
    last->next = elem;
  }
  last = elem;
  active = elem;
  ++count;
}

void CList::InsertBefore(CListElem* elem) {
  if (elem == nullptr) return;
  bool linked = false;
  CListElem* prev = active == nullptr ? nullptr : PredecessorOf(first, active, &linked);
  if (!linked) {
    Append(elem);
    return;
  }
  elem->next = active;
  if (prev == nullptr) {
    first = elem;
  } else {
    prev->next = elem;
  }
  active = elem;
  ++count;
}

void CList::AppendList(CList* other) {
  // Appending a list to itself would close the chain into a ring.
  if (other == nullptr || other == this || other->first == nullptr) return;
  if (last == nullptr) {
    first = other->first;
  } else {
    last->next = other->first;
  }
  last = other->last;
  active = other->last;
  count += other->count;
}

void CList::Remove() {
  if (active == nullptr) return;
  bool linked = false;
  CListElem* prev = PredecessorOf(first, active, &linked);
  if (!linked) return;
  CListElem* removed = active;
  if (prev == nullptr) {
    first = removed->next;
  } else {
    prev->next = removed->next;
  }
  if (last == removed) last = prev;
  active = removed->next;
  --count;
}

void CList::ClearList() {
  first = nullptr;
  last = nullptr;
  active = nullptr;
  count = 0;
}

void CList::DisposeList() {
  CListElem* e = first;
  while (e != nullptr) {
    CListElem* next = e->next;
    std::free(e);
    e = next;
  }
  ClearList();
}

unsigned char CList::Empty() {
  return first == nullptr ? 1 : 0;
}

unsigned char CList::Find(CListElem* elem) {
  for (active = first; active != nullptr; active = active->next) {
    if (active == elem) return 1;
  }
  return 0;
}

unsigned char CList::GetFirst(CListElem** elem) {
  active = first;
  return GetActive(elem);
}

unsigned char CList::GetNext(CListElem** elem) {
  if (active == nullptr) return 0;
  active = active->next;
  return GetActive(elem);
}

unsigned char CList::GetActive(CListElem** elem) {
  if (active == nullptr) return 0;
  if (elem != nullptr) *elem = active;
  return 1;
}

}  // namespace vlist
