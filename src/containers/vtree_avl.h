#pragma once
// The AVL algorithms, written once for any set of links: CAVLTree runs them on
// an element's only links, CAVLTree2 on either of its two sets. A Links
// policy names the element type, gives access to one set of links and its
// comparison, and routes the rebalancing steps through the tree's virtual
// iBalanceL/iBalanceR so that a derived tree can replace them.
//
// Policy:
//   using Elem = ...; using Tree = ...;
//   static Elem*& Left(Elem*); static Elem*& Right(Elem*); static int& Balance(Elem*);
//   static int Compare(Elem* key, Elem* node);   // key->CompareN(node)
//   static void BalanceL(Tree&, Elem**); static void BalanceR(Tree&, Elem**);
//
// Recursion depth is the tree height, at most about 1.44 log2 of the count.
namespace vtree::avl {

template <class P>
struct Core {
  using E = typename P::Elem;
  using T = typename P::Tree;

  // A node two levels heavier on the left: single or double right rotation.
  // A left child in balance (0) happens only during removal.
  static void RotateRight(E** p) {
    E* n = p != nullptr ? *p : nullptr;
    E* l = n != nullptr ? P::Left(n) : nullptr;
    if (l == nullptr) return;
    if (P::Balance(l) <= 0) {
      const bool even = P::Balance(l) == 0;
      P::Left(n) = P::Right(l);
      P::Right(l) = n;
      P::Balance(l) = even ? 1 : 0;
      P::Balance(n) = even ? -1 : 0;
      *p = l;
      return;
    }
    E* lr = P::Right(l);
    if (lr == nullptr) return;
    P::Right(l) = P::Left(lr);
    P::Left(n) = P::Right(lr);
    P::Left(lr) = l;
    P::Right(lr) = n;
    P::Balance(n) = P::Balance(lr) == -1 ? 1 : 0;
    P::Balance(l) = P::Balance(lr) == 1 ? -1 : 0;
    P::Balance(lr) = 0;
    *p = lr;
  }

  static void RotateLeft(E** p) {
    E* n = p != nullptr ? *p : nullptr;
    E* r = n != nullptr ? P::Right(n) : nullptr;
    if (r == nullptr) return;
    if (P::Balance(r) >= 0) {
      const bool even = P::Balance(r) == 0;
      P::Right(n) = P::Left(r);
      P::Left(r) = n;
      P::Balance(r) = even ? -1 : 0;
      P::Balance(n) = even ? 1 : 0;
      *p = r;
      return;
    }
    E* rl = P::Left(r);
    if (rl == nullptr) return;
    P::Left(r) = P::Right(rl);
    P::Right(n) = P::Left(rl);
    P::Right(rl) = r;
    P::Left(rl) = n;
    P::Balance(n) = P::Balance(rl) == 1 ? -1 : 0;
    P::Balance(r) = P::Balance(rl) == -1 ? 1 : 0;
    P::Balance(rl) = 0;
    *p = rl;
  }

  static E* Find(E* node, E* key) {
    while (node != nullptr) {
      const int c = P::Compare(key, node);
      if (c == 0) return node;
      node = c < 0 ? P::Left(node) : P::Right(node);
    }
    return nullptr;
  }

  // Links elem below *p and returns null, or returns the equal element that
  // is already linked (elem itself when it is linked already) and links
  // nothing.
  static E* Insert(T& tree, E** p, E* elem, bool& grown) {
    E* node = *p;
    if (node == nullptr) {
      P::Left(elem) = nullptr;
      P::Right(elem) = nullptr;
      P::Balance(elem) = 0;
      *p = elem;
      grown = true;
      return nullptr;
    }
    const int c = P::Compare(elem, node);
    if (c == 0) {
      grown = false;
      return node;
    }
    if (c < 0) {
      if (E* equal = Insert(tree, &P::Left(node), elem, grown)) return equal;
      if (grown) {
        if (P::Balance(node) == 0) {
          P::Balance(node) = -1;
        } else {
          if (P::Balance(node) > 0)
            P::Balance(node) = 0;
          else
            P::BalanceL(tree, p);
          grown = false;
        }
      }
    } else {
      if (E* equal = Insert(tree, &P::Right(node), elem, grown)) return equal;
      if (grown) {
        if (P::Balance(node) == 0) {
          P::Balance(node) = 1;
        } else {
          if (P::Balance(node) < 0)
            P::Balance(node) = 0;
          else
            P::BalanceR(tree, p);
          grown = false;
        }
      }
    }
    return nullptr;
  }

  // The subtree *p lost a level on its left; shrunk tells whether *p as a
  // whole is now lower.
  static void ShrankLeft(T& tree, E** p, bool& shrunk) {
    E* node = *p;
    if (P::Balance(node) < 0) {
      P::Balance(node) = 0;
    } else if (P::Balance(node) == 0) {
      P::Balance(node) = 1;
      shrunk = false;
    } else {
      E* r = P::Right(node);
      shrunk = r == nullptr || P::Balance(r) != 0;
      P::BalanceR(tree, p);
    }
  }

  static void ShrankRight(T& tree, E** p, bool& shrunk) {
    E* node = *p;
    if (P::Balance(node) > 0) {
      P::Balance(node) = 0;
    } else if (P::Balance(node) == 0) {
      P::Balance(node) = -1;
      shrunk = false;
    } else {
      E* l = P::Left(node);
      shrunk = l == nullptr || P::Balance(l) != 0;
      P::BalanceL(tree, p);
    }
  }

  // Unlinks the rightmost node below *p into *out.
  static void RemoveRightmost(T& tree, E** p, E** out, bool& shrunk) {
    E* node = *p;
    if (P::Right(node) != nullptr) {
      RemoveRightmost(tree, &P::Right(node), out, shrunk);
      if (shrunk) ShrankRight(tree, p, shrunk);
      return;
    }
    *out = node;
    *p = P::Left(node);
    shrunk = true;
  }

  // Unlinks the element equal to key; a node with two children is replaced by
  // its in-order predecessor, which takes over its children and balance.
  static bool Remove(T& tree, E** p, E* key, E** removed, bool& shrunk) {
    E* node = *p;
    if (node == nullptr) return shrunk = false;
    const int c = P::Compare(key, node);
    if (c < 0) {
      if (!Remove(tree, &P::Left(node), key, removed, shrunk)) return false;
      if (shrunk) ShrankLeft(tree, p, shrunk);
      return true;
    }
    if (c > 0) {
      if (!Remove(tree, &P::Right(node), key, removed, shrunk)) return false;
      if (shrunk) ShrankRight(tree, p, shrunk);
      return true;
    }
    *removed = node;
    if (P::Right(node) == nullptr) {
      *p = P::Left(node);
      shrunk = true;
    } else if (P::Left(node) == nullptr) {
      *p = P::Right(node);
      shrunk = true;
    } else {
      E* pred = nullptr;
      RemoveRightmost(tree, &P::Left(node), &pred, shrunk);
      P::Left(pred) = P::Left(node);
      P::Right(pred) = P::Right(node);
      P::Balance(pred) = P::Balance(node);
      *p = pred;
      if (shrunk) ShrankLeft(tree, p, shrunk);
    }
    P::Left(node) = nullptr;
    P::Right(node) = nullptr;
    P::Balance(node) = 0;
    return true;
  }

  static E* Leftmost(E* node) {
    while (node != nullptr && P::Left(node) != nullptr) node = P::Left(node);
    return node;
  }

  static E* Rightmost(E* node) {
    while (node != nullptr && P::Right(node) != nullptr) node = P::Right(node);
    return node;
  }

  // The smallest element greater than elem, without parent links: the
  // leftmost of its right subtree, else the last node passed on the left.
  static E* Next(E* root, E* elem) {
    if (elem == nullptr) return nullptr;
    if (P::Right(elem) != nullptr) return Leftmost(P::Right(elem));
    E* candidate = nullptr;
    for (E* node = root; node != nullptr;) {
      const int c = P::Compare(elem, node);
      if (c == 0) {
        // A key equal to a node (not the node itself) continues to its right.
        if (node != elem && P::Right(node) != nullptr) return Leftmost(P::Right(node));
        break;
      }
      if (c < 0) candidate = node;
      node = c < 0 ? P::Left(node) : P::Right(node);
    }
    return candidate;
  }

  static E* Prev(E* root, E* elem) {
    if (elem == nullptr) return nullptr;
    if (P::Left(elem) != nullptr) return Rightmost(P::Left(elem));
    E* candidate = nullptr;
    for (E* node = root; node != nullptr;) {
      const int c = P::Compare(elem, node);
      if (c == 0) {
        if (node != elem && P::Left(node) != nullptr) return Rightmost(P::Left(node));
        break;
      }
      if (c > 0) candidate = node;
      node = c < 0 ? P::Left(node) : P::Right(node);
    }
    return candidate;
  }

  // In-order walk that stops at the n-th visit (n counts down to 0).
  static E* Nth(E* node, unsigned int& n) {
    if (node == nullptr) return nullptr;
    if (E* found = Nth(P::Left(node), n)) return found;
    if (--n == 0) return node;
    return Nth(P::Right(node), n);
  }

  // Post-order walk: both subtrees, then the node itself.
  template <class Visit>
  static void PostOrder(E* node, Visit& visit) {
    if (node == nullptr) return;
    PostOrder(P::Left(node), visit);
    PostOrder(P::Right(node), visit);
    visit(node);
  }
};

// Stores a result in an optional out-pointer and returns 1 when it is set.
template <class E>
unsigned char Store(E** out, E* value) {
  if (out != nullptr) *out = value;
  return value != nullptr;
}

}  // namespace vtree::avl
