#pragma once
// vlist: intrusive lists with a built-in cursor (the active element).
//
// CList links elements derived from CListElem in one direction, CBList links
// elements derived from CBListElem in both. Elements are allocated with `new`;
// the list never copies or allocates, it only links. The lists have no
// destructor: an owner that owns the elements calls DisposeList, which releases
// every element with the C runtime's free() and runs no destructor. The element
// bases therefore route `new`/`delete` of every derived class through
// malloc/free, so that free() always matches the allocation.
//
// Walking: GetFirst, then GetNext until it returns 0. To remove while walking,
// keep the element, Remove (the cursor moves to its successor), free the kept
// element and continue with GetActive.
#include <cstddef>
#include <type_traits>

#include "tqusb/export.h"

namespace vlist {

class TQ_API CListElem {
 public:
  CListElem* next = nullptr;

  CListElem() = default;

  // The one virtual operation of the interface: it makes elements polymorphic
  // (type information, dynamic_cast) and does nothing. The name is fixed by the
  // exported interface.
  virtual void __virtual();

  // Elements are released with free() by DisposeList, so they come from malloc.
  static void* operator new(std::size_t size);
  static void operator delete(void* block) noexcept;
};

class TQ_API CBListElem {
 public:
  CBListElem* next = nullptr;
  CBListElem* prev = nullptr;

  CBListElem() = default;

  virtual void __virtual();

  static void* operator new(std::size_t size);
  static void operator delete(void* block) noexcept;
};

// Stores a found element under the caller's derived type (typed cursor forms).
// `found` is taken by reference: the call that fills it is another argument of
// the same call, and arguments are evaluated in no fixed order.
template <class T, class Base>
unsigned char StoreTyped(T** out, Base* const& found, unsigned char ok) {
  if (ok && out != nullptr) *out = static_cast<T*>(found);
  return ok;
}

template <class T, class Base>
concept DerivedElem = std::is_base_of_v<Base, T> && !std::is_same_v<T, Base>;

class TQ_API CList {
 public:
  CListElem* first = nullptr;
  CListElem* last = nullptr;
  CListElem* active = nullptr;
  unsigned int count = 0;

  void Append(CListElem* elem);
  void InsertBefore(CListElem* elem);
  void AppendList(CList* other);
  void Remove();
  void ClearList();
  void DisposeList();
  unsigned char Empty();
  unsigned char Find(CListElem* elem);
  unsigned char GetFirst(CListElem** elem);
  unsigned char GetNext(CListElem** elem);
  unsigned char GetActive(CListElem** elem);

  // Typed cursor forms for lists of one derived element class:
  // `CFilter* f; if (list.GetFirst(&f)) ...`.
  template <DerivedElem<CListElem> T>
  unsigned char GetFirst(T** elem) {
    CListElem* e = nullptr;
    return StoreTyped(elem, e, GetFirst(&e));
  }
  template <DerivedElem<CListElem> T>
  unsigned char GetNext(T** elem) {
    CListElem* e = nullptr;
    return StoreTyped(elem, e, GetNext(&e));
  }
  template <DerivedElem<CListElem> T>
  unsigned char GetActive(T** elem) {
    CListElem* e = nullptr;
    return StoreTyped(elem, e, GetActive(&e));
  }
};

class TQ_API CBList {
 public:
  CBListElem* first = nullptr;
  CBListElem* last = nullptr;
  CBListElem* active = nullptr;
  unsigned int count = 0;

  void Append(CBListElem* elem);
  void InsertBefore(CBListElem* elem);
  void InsertFirst(CBListElem* elem);
  void AppendList(CBList* other);
  void Remove();
  void ClearList();
  void DisposeList();
  unsigned char Empty();
  unsigned char Find(CBListElem* elem);
  unsigned char GetFirst(CBListElem** elem);
  unsigned char GetLast(CBListElem** elem);
  unsigned char GetNext(CBListElem** elem);
  unsigned char GetPrev(CBListElem** elem);
  unsigned char GetActive(CBListElem** elem);

  template <DerivedElem<CBListElem> T>
  unsigned char GetFirst(T** elem) {
    CBListElem* e = nullptr;
    return StoreTyped(elem, e, GetFirst(&e));
  }
  template <DerivedElem<CBListElem> T>
  unsigned char GetLast(T** elem) {
    CBListElem* e = nullptr;
    return StoreTyped(elem, e, GetLast(&e));
  }
  template <DerivedElem<CBListElem> T>
  unsigned char GetNext(T** elem) {
    CBListElem* e = nullptr;
    return StoreTyped(elem, e, GetNext(&e));
  }
  template <DerivedElem<CBListElem> T>
  unsigned char GetPrev(T** elem) {
    CBListElem* e = nullptr;
    return StoreTyped(elem, e, GetPrev(&e));
  }
  template <DerivedElem<CBListElem> T>
  unsigned char GetActive(T** elem) {
    CBListElem* e = nullptr;
    return StoreTyped(elem, e, GetActive(&e));
  }
};

}  // namespace vlist
