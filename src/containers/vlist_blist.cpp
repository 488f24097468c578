// vlist::CBList: the doubly linked list; every element knows its predecessor.
#include <cstdlib>

#include "tqusb/containers/vlist.h"

namespace vlist {

void CBList::Append(CBListElem* elem) {
  if (elem == nullptr) return;
  elem->next = nullptr;
  elem->prev = last;
  if (last == nullptr) {
    first = elem;
  } else {
    last->next = elem;
  }
  last = elem;
  active = elem;
  ++count;
}

void CBList::InsertBefore(CBListElem* elem) {
  if (elem == nullptr) return;
  if (active == nullptr) {
    Append(elem);
    return;
  }
  elem->next = active;
  elem->prev = active->prev;
  if (active->prev == nullptr) {
    first = elem;
  } else {
    active->prev->next = elem;
  }
  active->prev = elem;
  active = elem;
  ++count;
}

void CBList::InsertFirst(CBListElem* elem) {
  active = first;
  InsertBefore(elem);
}

void CBList::AppendList(CBList* other) {
  // Appending a list to itself would close the chain into a ring.
  if (other == nullptr || other == this || other->first == nullptr) return;
  if (last == nullptr) {
    first = other->first;
  } else {
    last->next = other->first;
  }
  other->first->prev = last;
  last = other->last;
  active = other->last;
  count += other->count;
}

void CBList::Remove() {
  if (active == nullptr) return;
  CBListElem* removed = active;
  if (removed->prev == nullptr) {
    first = removed->next;
  } else {
    removed->prev->next = removed->next;
  }
  if (removed->next == nullptr) {
    last = removed->prev;
  } else {
    removed->next->prev = removed->prev;
  }
  active = removed->next;
  --count;
}

void CBList::ClearList() {
  first = nullptr;
  last = nullptr;
  active = nullptr;
  count = 0;
}

void CBList::DisposeList() {
  CBListElem* e = first;
  while (e != nullptr) {
    CBListElem* next = e->next;
    std::free(e);
    e = next;
  }
  ClearList();
}

unsigned char CBList::Empty() {
  return first == nullptr ? 1 : 0;
}

unsigned char CBList::Find(CBListElem* elem) {
  for (active = first; active != nullptr; active = active->next) {
    if (active == elem) return 1;
  }
  return 0;
}

unsigned char CBList::GetFirst(CBListElem** elem) {
  active = first;
  return GetActive(elem);
}

unsigned char CBList::GetLast(CBListElem** elem) {
  active = last;
  return GetActive(elem);
}

unsigned char CBList::GetNext(CBListElem** elem) {
  if (active == nullptr) return 0;
  active = active->next;
  return GetActive(elem);
}

unsigned char CBList::GetPrev(CBListElem** elem) {
  if (active == nullptr) return 0;
  active = active->prev;
  return GetActive(elem);
}

unsigned char CBList::GetActive(CBListElem** elem) {
  if (active == nullptr) return 0;
  if (elem != nullptr) *elem = active;
  return 1;
}

}  // namespace vlist
