// The AVL tree of two orders: every element is linked in both, through its
// first set of links by Compare1 and its second by Compare2.
#include "containers/vtree_avl.h"
#include "containers/vtree_dispose.h"
#include "tqusb/containers/vtree.h"

namespace vtree {

namespace {

struct Links1 {
  using Elem = CAVLTreeElem2;
  using Tree = CAVLTree2;
  static Elem*& Left(Elem* e) { return e->left1; }
  static Elem*& Right(Elem* e) { return e->right1; }
  static int& Balance(Elem* e) { return e->balance1; }
  static int Compare(Elem* key, Elem* node) { return key->Compare1(node); }
  static void BalanceL(Tree& t, Elem** p) { t.iBalanceL1(p); }
  static void BalanceR(Tree& t, Elem** p) { t.iBalanceR1(p); }
};

struct Links2 {
  using Elem = CAVLTreeElem2;
  using Tree = CAVLTree2;
  static Elem*& Left(Elem* e) { return e->left2; }
  static Elem*& Right(Elem* e) { return e->right2; }
  static int& Balance(Elem* e) { return e->balance2; }
  static int Compare(Elem* key, Elem* node) { return key->Compare2(node); }
  static void BalanceL(Tree& t, Elem** p) { t.iBalanceL2(p); }
  static void BalanceR(Tree& t, Elem** p) { t.iBalanceR2(p); }
};

using Core1 = avl::Core<Links1>;
using Core2 = avl::Core<Links2>;

}  // namespace

unsigned char CAVLTree2::iRemove1(CAVLTreeElem2* key, CAVLTreeElem2** removed) {
  CAVLTreeElem2* found = nullptr;
  bool shrunk = false;
  if (key != nullptr) Core1::Remove(*this, &root1, key, &found, shrunk);
  return avl::Store(removed, found);
}

unsigned char CAVLTree2::iRemove2(CAVLTreeElem2* key, CAVLTreeElem2** removed) {
  CAVLTreeElem2* found = nullptr;
  bool shrunk = false;
  if (key != nullptr) Core2::Remove(*this, &root2, key, &found, shrunk);
  return avl::Store(removed, found);
}

unsigned char CAVLTree2::Delete1(CAVLTreeElem2* key) {
  CAVLTreeElem2* removed = nullptr;
  if (!Remove1(key, &removed) || removed == nullptr) return 0;
  DisposeElem(removed);
  return 1;
}

// Found by order 1, then unlinked from order 2 by searching with itself.
unsigned char CAVLTree2::Remove1(CAVLTreeElem2* key, CAVLTreeElem2** removed) {
  CAVLTreeElem2* found = nullptr;
  if (iRemove1(key, &found) && found != nullptr) {
    iRemove2(found, nullptr);
    --count;
  }
  return avl::Store(removed, found);
}

unsigned char CAVLTree2::Delete2(CAVLTreeElem2* key) {
  CAVLTreeElem2* removed = nullptr;
  if (!Remove2(key, &removed) || removed == nullptr) return 0;
  DisposeElem(removed);
  return 1;
}

unsigned char CAVLTree2::Remove2(CAVLTreeElem2* key, CAVLTreeElem2** removed) {
  CAVLTreeElem2* found = nullptr;
  if (iRemove2(key, &found) && found != nullptr) {
    iRemove1(found, nullptr);
    --count;
  }
  return avl::Store(removed, found);
}

// An element equal to one already linked in order 2 is unlinked from order 1
// again before it is disposed of, so a freed element never stays linked. An
// element inserted a second time stays linked as it is.
unsigned char CAVLTree2::Insert(CAVLTreeElem2* elem) {
  if (elem == nullptr) return 0;
  bool grown = false;
  if (CAVLTreeElem2* equal = Core1::Insert(*this, &root1, elem, grown)) {
    if (equal != elem) DisposeElem(elem);
    return 0;
  }
  if (CAVLTreeElem2* equal = Core2::Insert(*this, &root2, elem, grown)) {
    CAVLTreeElem2* unlinked = nullptr;
    Core1::Remove(*this, &root1, elem, &unlinked, grown);
    if (equal != elem) DisposeElem(elem);
    return 0;
  }
  ++count;
  return 1;
}

unsigned char CAVLTree2::Search1(CAVLTreeElem2* key, CAVLTreeElem2** found) {
  return avl::Store(found, key != nullptr ? Core1::Find(root1, key) : nullptr);
}

unsigned char CAVLTree2::Search2(CAVLTreeElem2* key, CAVLTreeElem2** found) {
  return avl::Store(found, key != nullptr ? Core2::Find(root2, key) : nullptr);
}

unsigned char CAVLTree2::GetElemOfOrder1(unsigned int n, CAVLTreeElem2** elem) {
  return avl::Store(elem, n != 0 ? Core1::Nth(root1, n) : nullptr);
}

unsigned char CAVLTree2::GetElemOfOrder2(unsigned int n, CAVLTreeElem2** elem) {
  return avl::Store(elem, n != 0 ? Core2::Nth(root2, n) : nullptr);
}

unsigned char CAVLTree2::GetPrevElem1(CAVLTreeElem2* elem, CAVLTreeElem2** prev) {
  return avl::Store(prev, Core1::Prev(root1, elem));
}

unsigned char CAVLTree2::GetPrevElem2(CAVLTreeElem2* elem, CAVLTreeElem2** prev) {
  return avl::Store(prev, Core2::Prev(root2, elem));
}

unsigned char CAVLTree2::GetNextElem1(CAVLTreeElem2* elem, CAVLTreeElem2** next) {
  return avl::Store(next, Core1::Next(root1, elem));
}

unsigned char CAVLTree2::GetNextElem2(CAVLTreeElem2* elem, CAVLTreeElem2** next) {
  return avl::Store(next, Core2::Next(root2, elem));
}

unsigned char CAVLTree2::GetFirst1(CAVLTreeElem2** elem) {
  return avl::Store(elem, Core1::Leftmost(root1));
}

unsigned char CAVLTree2::GetFirst2(CAVLTreeElem2** elem) {
  return avl::Store(elem, Core2::Leftmost(root2));
}

unsigned char CAVLTree2::GetLast1(CAVLTreeElem2** elem) {
  return avl::Store(elem, Core1::Rightmost(root1));
}

unsigned char CAVLTree2::GetLast2(CAVLTreeElem2** elem) {
  return avl::Store(elem, Core2::Rightmost(root2));
}

// Every element is linked in order 1, so walking it reaches them all.
void CAVLTree2::DisposeTree() {
  auto dispose = [](CAVLTreeElem2* e) { DisposeElem(e); };
  Core1::PostOrder(root1, dispose);
  root1 = nullptr;
  root2 = nullptr;
  count = 0;
}

void CAVLTree2::iBalanceL1(CAVLTreeElem2** node) {
  Core1::RotateRight(node);
}
void CAVLTree2::iBalanceR1(CAVLTreeElem2** node) {
  Core1::RotateLeft(node);
}
void CAVLTree2::iBalanceL2(CAVLTreeElem2** node) {
  Core2::RotateRight(node);
}
void CAVLTree2::iBalanceR2(CAVLTreeElem2** node) {
  Core2::RotateLeft(node);
}

}  // namespace vtree
