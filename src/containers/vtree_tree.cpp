// The AVL tree of one order.
#include "containers/vtree_avl.h"
#include "containers/vtree_dispose.h"
#include "tqusb/containers/vtree.h"

namespace vtree {

namespace {

struct Links {
  using Elem = CAVLTreeElem;
  using Tree = CAVLTree;
  static Elem*& Left(Elem* e) { return e->left; }
  static Elem*& Right(Elem* e) { return e->right; }
  static int& Balance(Elem* e) { return e->balance; }
  static int Compare(Elem* key, Elem* node) { return key->Compare(node); }
  static void BalanceL(Tree& t, Elem** p) { t.iBalanceL(p); }
  static void BalanceR(Tree& t, Elem** p) { t.iBalanceR(p); }
};

using Core = avl::Core<Links>;

}  // namespace

unsigned char CAVLTree::Delete(CAVLTreeElem* key) {
  CAVLTreeElem* removed = nullptr;
  if (!Remove(key, &removed) || removed == nullptr) return 0;
  DisposeElem(removed);
  return 1;
}

unsigned char CAVLTree::Remove(CAVLTreeElem* key, CAVLTreeElem** removed) {
  CAVLTreeElem* found = nullptr;
  bool shrunk = false;
  if (key != nullptr && Core::Remove(*this, &root, key, &found, shrunk)) --count;
  return avl::Store(removed, found);
}

unsigned char CAVLTree::Insert(CAVLTreeElem* elem) {
  if (elem == nullptr) return 0;
  bool grown = false;
  if (CAVLTreeElem* equal = Core::Insert(*this, &root, elem, grown)) {
    if (equal != elem) DisposeElem(elem);  // an element inserted twice stays
    return 0;
  }
  ++count;
  return 1;
}

unsigned char CAVLTree::Search(CAVLTreeElem* key, CAVLTreeElem** found) {
  return avl::Store(found, key != nullptr ? Core::Find(root, key) : nullptr);
}

unsigned char CAVLTree::GetElemOfOrder(unsigned int n, CAVLTreeElem** elem) {
  return avl::Store(elem, n != 0 ? Core::Nth(root, n) : nullptr);
}

unsigned char CAVLTree::GetPrevElem(CAVLTreeElem* elem, CAVLTreeElem** prev) {
  return avl::Store(prev, Core::Prev(root, elem));
}

unsigned char CAVLTree::GetNextElem(CAVLTreeElem* elem, CAVLTreeElem** next) {
  return avl::Store(next, Core::Next(root, elem));
}

unsigned char CAVLTree::GetFirst(CAVLTreeElem** elem) {
  return avl::Store(elem, Core::Leftmost(root));
}

unsigned char CAVLTree::GetLast(CAVLTreeElem** elem) {
  return avl::Store(elem, Core::Rightmost(root));
}

void CAVLTree::DisposeTree() {
  auto dispose = [](CAVLTreeElem* e) { DisposeElem(e); };
  Core::PostOrder(root, dispose);
  root = nullptr;
  count = 0;
}

void CAVLTree::iBalanceL(CAVLTreeElem** node) {
  Core::RotateRight(node);
}

void CAVLTree::iBalanceR(CAVLTreeElem** node) {
  Core::RotateLeft(node);
}

}  // namespace vtree
