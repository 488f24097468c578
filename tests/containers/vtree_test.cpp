#include "tqusb/containers/vtree.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>
#include <set>
#include <vector>

namespace {

int Cmp(int a, int b) {
  return a < b ? -1 : a > b ? 1 : 0;
}

int gDone = 0;  // Done calls of all elements

struct Key final : vtree::CAVLTreeElem {
  explicit Key(int k) : key(k) {}
  int key;
  int Compare(vtree::CAVLTreeElem* o) override { return Cmp(key, static_cast<Key*>(o)->key); }
  void Done() override { ++gDone; }
};

struct Key2 final : vtree::CAVLTreeElem2 {
  Key2(int a, int b) : k1(a), k2(b) {}
  int k1, k2;
  int Compare1(vtree::CAVLTreeElem2* o) override { return Cmp(k1, static_cast<Key2*>(o)->k1); }
  int Compare2(vtree::CAVLTreeElem2* o) override { return Cmp(k2, static_cast<Key2*>(o)->k2); }
  void Done() override { ++gDone; }
};

// Height of a subtree after checking every node's balance against the real
// heights and appending its keys in order.
template <class E, class L, class R, class B, class K>
int Check(E* n, L left, R right, B bal, K key, std::vector<int>& out) {
  if (n == nullptr) return 0;
  const int hl = Check(left(n), left, right, bal, key, out);
  out.push_back(key(n));
  const int hr = Check(right(n), left, right, bal, key, out);
  EXPECT_EQ(bal(n), hr - hl) << "at key " << key(n);
  EXPECT_LE(std::abs(hr - hl), 1) << "at key " << key(n);
  return std::max(hl, hr) + 1;
}

std::vector<int> InOrder(vtree::CAVLTree& t, int* height = nullptr) {
  std::vector<int> out;
  const int h = Check(
      t.root, [](auto* e) { return e->left; }, [](auto* e) { return e->right; },
      [](auto* e) { return e->balance; }, [](auto* e) { return static_cast<Key*>(e)->key; }, out);
  if (height != nullptr) *height = h;
  return out;
}

std::vector<int> InOrder1(vtree::CAVLTree2& t) {
  std::vector<int> out;
  Check(
      t.root1, [](auto* e) { return e->left1; }, [](auto* e) { return e->right1; },
      [](auto* e) { return e->balance1; }, [](auto* e) { return static_cast<Key2*>(e)->k1; }, out);
  return out;
}

std::vector<int> InOrder2(vtree::CAVLTree2& t) {
  std::vector<int> out;
  Check(
      t.root2, [](auto* e) { return e->left2; }, [](auto* e) { return e->right2; },
      [](auto* e) { return e->balance2; }, [](auto* e) { return static_cast<Key2*>(e)->k2; }, out);
  return out;
}

TEST(AVLTree, AscendingKeysGiveAPerfectTree) {
  vtree::CAVLTree t;
  for (int k = 1; k <= 7; ++k) EXPECT_EQ(t.Insert(new Key(k)), 1);
  int height = 0;
  EXPECT_EQ(InOrder(t, &height), (std::vector<int>{1, 2, 3, 4, 5, 6, 7}));
  EXPECT_EQ(height, 3);
  EXPECT_EQ(static_cast<Key*>(t.root)->key, 4);
  vtree::CAVLTreeElem* e = nullptr;
  EXPECT_EQ(t.GetElemOfOrder(7, &e), 1);
  EXPECT_EQ(static_cast<Key*>(e)->key, 7);
  EXPECT_EQ(t.GetNextElem(e, &e), 0);
  EXPECT_EQ(e, nullptr);
  EXPECT_EQ(t.GetElemOfOrder(0, &e), 0);
  EXPECT_EQ(t.GetElemOfOrder(8, &e), 0);
  gDone = 0;
  EXPECT_EQ(t.Insert(t.root), 0);  // already linked: it stays, nothing is disposed
  EXPECT_EQ(t.count, 7u);
  t.DisposeTree();
  EXPECT_EQ(gDone, 7);
  EXPECT_EQ(t.count, 0u);
  t.DisposeTree();
  EXPECT_EQ(t.Insert(nullptr), 0);
  EXPECT_EQ(t.Delete(nullptr), 0);
  EXPECT_EQ(t.GetFirst(&e), 0);
}

// Random inserts and deletes against a set: order, count, balance and the
// cursor operations after every step; duplicates are disposed of once.
TEST(AVLTree, RandomOperationsKeepOrderAndBalance) {
  std::mt19937 rng(14);
  vtree::CAVLTree t;
  std::set<int> model;
  for (int step = 0; step < 4000; ++step) {
    const int k = static_cast<int>(rng() % 600);
    const int donesBefore = gDone;
    Key probe(k);
    if (rng() % 5 < 3) {
      const bool fresh = model.insert(k).second;
      EXPECT_EQ(t.Insert(new Key(k)), fresh ? 1 : 0);
      EXPECT_EQ(gDone - donesBefore, fresh ? 0 : 1);
    } else if (rng() % 2) {
      EXPECT_EQ(t.Delete(&probe), model.erase(k) ? 1 : 0);
    } else {
      vtree::CAVLTreeElem* removed = nullptr;
      EXPECT_EQ(t.Remove(&probe, &removed), model.erase(k) ? 1 : 0);
      delete static_cast<Key*>(removed);
    }
    ASSERT_EQ(InOrder(t), std::vector<int>(model.begin(), model.end())) << "step " << step;
    ASSERT_EQ(t.count, model.size());
    vtree::CAVLTreeElem* found = nullptr;
    EXPECT_EQ(t.Search(&probe, &found), model.count(k));
    if (found == nullptr) continue;
    auto it = model.find(k);
    vtree::CAVLTreeElem* next = nullptr;
    vtree::CAVLTreeElem* prev = nullptr;
    EXPECT_EQ(t.GetNextElem(found, &next), std::next(it) != model.end());
    if (next) {
      EXPECT_EQ(static_cast<Key*>(next)->key, *std::next(it));
    }
    EXPECT_EQ(t.GetPrevElem(found, &prev), it != model.begin());
    if (prev) {
      EXPECT_EQ(static_cast<Key*>(prev)->key, *std::prev(it));
    }
  }
  gDone = 0;
  const auto left = t.count;
  t.DisposeTree();
  EXPECT_EQ(gDone, static_cast<int>(left));
}

// Two orders: an element is taken only when unique in both; one equal in
// either order is disposed of and never stays linked.
TEST(AVLTree2, RandomOperationsKeepBothOrders) {
  std::mt19937 rng(9);
  vtree::CAVLTree2 t;
  std::map<int, int> model;  // k1 -> k2
  std::map<int, int> by2;    // k2 -> k1
  for (int step = 0; step < 3000; ++step) {
    const int k1 = static_cast<int>(rng() % 400);
    const int k2 = (k1 * 37) % 301;  // collides in order 2 for distinct k1
    const int donesBefore = gDone;
    if (rng() % 5 < 3) {
      const bool fresh = !model.count(k1) && !by2.count(k2);
      EXPECT_EQ(t.Insert(new Key2(k1, k2)), fresh ? 1 : 0);
      EXPECT_EQ(gDone - donesBefore, fresh ? 0 : 1);
      if (fresh) model[k1] = k2, by2[k2] = k1;
    } else if (rng() % 2) {
      Key2 probe(k1, 0);
      EXPECT_EQ(t.Delete1(&probe), model.count(k1) ? 1 : 0);
      if (model.count(k1)) by2.erase(model[k1]), model.erase(k1);
    } else {
      Key2 probe(0, k2);
      vtree::CAVLTreeElem2* removed = nullptr;
      EXPECT_EQ(t.Remove2(&probe, &removed), by2.count(k2) ? 1 : 0);
      if (removed) {
        EXPECT_EQ(static_cast<Key2*>(removed)->k2, k2);
      }
      delete static_cast<Key2*>(removed);
      if (by2.count(k2)) model.erase(by2[k2]), by2.erase(k2);
    }
    std::vector<int> keys1, keys2;
    for (auto [a, b] : model) keys1.push_back(a);
    for (auto [b, a] : by2) keys2.push_back(b);
    ASSERT_EQ(InOrder1(t), keys1) << "step " << step;
    ASSERT_EQ(InOrder2(t), keys2) << "step " << step;
    ASSERT_EQ(t.count, model.size());
  }
  vtree::CAVLTreeElem2* e = nullptr;
  if (t.GetLast2(&e)) {
    EXPECT_EQ(static_cast<Key2*>(e)->k2, by2.rbegin()->first);
  }
  gDone = 0;
  const auto left = t.count;
  t.DisposeTree();
  EXPECT_EQ(gDone, static_cast<int>(left));
  EXPECT_EQ(t.root2, nullptr);
}

}  // namespace
