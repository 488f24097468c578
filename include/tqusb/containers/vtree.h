#pragma once
// vtree: intrusive AVL trees ordered by the elements themselves.
//
// CAVLTree keeps elements derived from CAVLTreeElem in the order of their
// Compare; CAVLTree2 keeps elements derived from CAVLTreeElem2 in two orders
// at once (Compare1 and Compare2), each element carrying a set of links per
// order. Compare returns -1 when this element orders before the other, 1 when
// after and 0 when equal.
//
// The tree owns its elements: a rejected duplicate and, on DisposeTree, every
// element get Done and are released with Storage::Free. Elements therefore
// come from `new` (routed to malloc by the element bases) or from
// Storage::Allocate. Trees have no destructor: the owner calls DisposeTree
// before a tree goes away. Every tree operation is virtual, so a derived tree
// can replace any step. Results are 1/0; an out-pointer is set to null when
// nothing is found.
#include <cstddef>

#include "tqusb/export.h"

namespace vtree {

class TQ_API CAVLTreeElem {
 public:
  CAVLTreeElem* left = nullptr;
  CAVLTreeElem* right = nullptr;
  int balance = 0;  // height of the right subtree minus that of the left: -1, 0, +1

  CAVLTreeElem() = default;

  // The base orders all elements alike (0); users override it.
  virtual int Compare(CAVLTreeElem* other);
  // Clean-up before the tree frees the element; the base does nothing.
  virtual void Done();

  static void* operator new(std::size_t size);
  static void operator delete(void* block) noexcept;
};

class TQ_API CAVLTreeElem2 {
 public:
  CAVLTreeElem2* left1 = nullptr;
  CAVLTreeElem2* right1 = nullptr;
  int balance1 = 0;
  CAVLTreeElem2* left2 = nullptr;
  CAVLTreeElem2* right2 = nullptr;
  int balance2 = 0;

  CAVLTreeElem2() = default;

  virtual int Compare1(CAVLTreeElem2* other);
  virtual int Compare2(CAVLTreeElem2* other);
  virtual void Done();

  static void* operator new(std::size_t size);
  static void operator delete(void* block) noexcept;
};

class TQ_API CAVLTree {
 public:
  CAVLTreeElem* root = nullptr;
  unsigned int count = 0;

  CAVLTree() = default;

  // Remove, then Done and free the removed element.
  virtual unsigned char Delete(CAVLTreeElem* key);
  // Unlinks the element equal to key and hands it out (not freed).
  virtual unsigned char Remove(CAVLTreeElem* key, CAVLTreeElem** removed);
  // Links elem; an element equal to one in the tree is disposed of instead
  // (Done and freed) and the result is 0.
  virtual unsigned char Insert(CAVLTreeElem* elem);
  virtual unsigned char Search(CAVLTreeElem* key, CAVLTreeElem** found);
  // The n-th element in order, counted from 1 (linear walk).
  virtual unsigned char GetElemOfOrder(unsigned int n, CAVLTreeElem** elem);
  virtual unsigned char GetPrevElem(CAVLTreeElem* elem, CAVLTreeElem** prev);
  virtual unsigned char GetNextElem(CAVLTreeElem* elem, CAVLTreeElem** next);
  virtual unsigned char GetFirst(CAVLTreeElem** elem);
  virtual unsigned char GetLast(CAVLTreeElem** elem);
  // Done and free of every element (post-order); the tree is then empty.
  virtual void DisposeTree();
  // Rotations that repair a subtree two levels heavier on the left / right;
  // *node is replaced by the subtree's new top.
  virtual void iBalanceL(CAVLTreeElem** node);
  virtual void iBalanceR(CAVLTreeElem** node);
};

class TQ_API CAVLTree2 {
 public:
  CAVLTreeElem2* root1 = nullptr;
  CAVLTreeElem2* root2 = nullptr;
  unsigned int count = 0;

  CAVLTree2() = default;

  // Unlink the element equal to key in one order only; the count is kept.
  virtual unsigned char iRemove1(CAVLTreeElem2* key, CAVLTreeElem2** removed);
  virtual unsigned char iRemove2(CAVLTreeElem2* key, CAVLTreeElem2** removed);
  // Find by one order, unlink from both, then (Delete) Done and free.
  virtual unsigned char Delete1(CAVLTreeElem2* key);
  virtual unsigned char Remove1(CAVLTreeElem2* key, CAVLTreeElem2** removed);
  virtual unsigned char Delete2(CAVLTreeElem2* key);
  virtual unsigned char Remove2(CAVLTreeElem2* key, CAVLTreeElem2** removed);
  // Links elem in both orders; an element equal to one in the tree in either
  // order is disposed of and never stays linked.
  virtual unsigned char Insert(CAVLTreeElem2* elem);
  virtual unsigned char Search1(CAVLTreeElem2* key, CAVLTreeElem2** found);
  virtual unsigned char Search2(CAVLTreeElem2* key, CAVLTreeElem2** found);
  virtual unsigned char GetElemOfOrder1(unsigned int n, CAVLTreeElem2** elem);
  virtual unsigned char GetElemOfOrder2(unsigned int n, CAVLTreeElem2** elem);
  virtual unsigned char GetPrevElem1(CAVLTreeElem2* elem, CAVLTreeElem2** prev);
  virtual unsigned char GetPrevElem2(CAVLTreeElem2* elem, CAVLTreeElem2** prev);
  virtual unsigned char GetNextElem1(CAVLTreeElem2* elem, CAVLTreeElem2** next);
  virtual unsigned char GetNextElem2(CAVLTreeElem2* elem, CAVLTreeElem2** next);
  virtual unsigned char GetFirst1(CAVLTreeElem2** elem);
  virtual unsigned char GetFirst2(CAVLTreeElem2** elem);
  virtual unsigned char GetLast1(CAVLTreeElem2** elem);
  virtual unsigned char GetLast2(CAVLTreeElem2** elem);
  virtual void DisposeTree();
  virtual void iBalanceL1(CAVLTreeElem2** node);
  virtual void iBalanceR1(CAVLTreeElem2** node);
  virtual void iBalanceL2(CAVLTreeElem2** node);
  virtual void iBalanceR2(CAVLTreeElem2** node);
};

}  // namespace vtree
