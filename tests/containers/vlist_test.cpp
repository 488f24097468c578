#include "tqusb/containers/vlist.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

namespace {

struct SItem final : vlist::CListElem {
  explicit SItem(int v) : value(v) {}
  int value;
};
struct BItem final : vlist::CBListElem {
  explicit BItem(int v) : value(v) {}
  int value;
};
struct Single {
  using List = vlist::CList;
  using Item = SItem;
};
struct Double {
  using List = vlist::CBList;
  using Item = BItem;
};

// The same tests run on both lists; the destructor's DisposeList lets leak
// checking catch an element that is not freed.
template <class T>
class ListTest : public testing::Test {
 protected:
  using List = typename T::List;
  using Item = typename T::Item;
  ~ListTest() override { list.DisposeList(); }

  void Fill(std::vector<int> values) {
    list.DisposeList();
    for (int v : values) list.Append(new Item(v));
  }
  Item* At(int index) {
    auto* e = list.first;
    for (int i = 0; i < index && e != nullptr; ++i) e = e->next;
    return static_cast<Item*>(e);
  }
  int ActiveValue() { return list.active ? static_cast<Item*>(list.active)->value : -1; }

  // The values along the links, after checking count, last, the end of the
  // chain and (doubly linked) the back links.
  std::vector<int> Values() {
    std::vector<int> out;
    decltype(list.first) prev = nullptr;
    for (auto* e = list.first; e != nullptr && out.size() <= 1000; prev = e, e = e->next) {
      out.push_back(static_cast<Item*>(e)->value);
      if constexpr (std::is_same_v<Item, BItem>) {
        EXPECT_EQ(e->prev, prev);
      }
    }
    EXPECT_EQ(list.last, prev);
    EXPECT_EQ(list.count, out.size());
    EXPECT_EQ(list.Empty(), out.empty() ? 1 : 0);
    return out;
  }

  typename T::List list;
};

using ListKinds = testing::Types<Single, Double>;
TYPED_TEST_SUITE(ListTest, ListKinds);

// Insert goes before the active element (at the end without one); Remove
// unlinks the active element and moves the cursor to its successor.
TYPED_TEST(ListTest, InsertAndRemoveAtTheCursor) {
  struct Case {
    std::vector<int> start;
    int active;  // -1: no active element
    std::vector<int> inserted, removed;
    int activeAfterRemove;
  };
  const Case cases[] = {
      {{1, 2, 3}, -1, {1, 2, 3, 9}, {1, 2, 3}, -1},
      {{1, 2, 3}, 0, {9, 1, 2, 3}, {2, 3}, 2},
      {{1, 2, 3}, 1, {1, 9, 2, 3}, {1, 3}, 3},
      {{1, 2, 3}, 2, {1, 2, 9, 3}, {1, 2}, -1},
      {{5}, 0, {9, 5}, {}, -1},
      {{}, -1, {9}, {}, -1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.start) + " active " + std::to_string(c.active));
    this->Fill(c.start);
    this->list.active = c.active < 0 ? nullptr : this->At(c.active);
    this->list.InsertBefore(new typename TestFixture::Item(9));
    this->list.InsertBefore(nullptr);
    EXPECT_EQ(this->Values(), c.inserted);
    EXPECT_EQ(this->ActiveValue(), 9);

    this->Fill(c.start);
    auto* removed = c.active < 0 ? nullptr : this->At(c.active);
    this->list.active = removed;
    this->list.Remove();
    EXPECT_EQ(this->Values(), c.removed);
    EXPECT_EQ(this->ActiveValue(), c.activeAfterRemove);
    delete removed;
  }
}

TYPED_TEST(ListTest, RemoveWhileWalkingVisitsEveryElementOnce) {
  this->Fill({1, 2, 3, 4, 5, 6, 7, 8});
  std::vector<int> visited;
  typename TestFixture::Item* item = nullptr;
  for (unsigned char more = this->list.GetFirst(&item); more;) {
    visited.push_back(item->value);
    if (item->value % 2 == 0 || item->value == 1 || item->value == 7) {
      this->list.Remove();
      std::free(item);
      more = this->list.GetActive(&item);
    } else {
      more = this->list.GetNext(&item);
    }
  }
  EXPECT_EQ(visited, (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8}));
  EXPECT_EQ(this->Values(), (std::vector<int>{3, 5}));
}

TYPED_TEST(ListTest, CursorStopsAfterTheLastAndAtUnlinkedElements) {
  this->Fill({1, 2});
  typename TestFixture::Item* e = nullptr;
  ASSERT_EQ(this->list.GetFirst(&e), 1);
  ASSERT_EQ(this->list.GetNext(&e), 1);
  EXPECT_EQ(e, this->At(1));
  e = nullptr;
  EXPECT_EQ(this->list.GetNext(&e), 0);
  EXPECT_EQ(e, nullptr);  // nothing stored on failure
  EXPECT_EQ(this->list.active, nullptr);
  EXPECT_EQ(this->list.GetNext(&e), 0);

  typename TestFixture::Item stranger(99);
  EXPECT_EQ(this->list.Find(this->At(1)), 1);
  EXPECT_EQ(this->list.Find(&stranger), 0);
  EXPECT_EQ(this->list.active, nullptr);
  EXPECT_EQ(this->list.GetActive(&e), 0);
}

TYPED_TEST(ListTest, AppendListSharesTheOtherChain) {
  typename TestFixture::List other;
  for (int round = 0; round < 2; ++round) {  // onto an empty list, then behind elements
    other.Append(new typename TestFixture::Item(2 * round + 1));
    other.Append(new typename TestFixture::Item(2 * round + 2));
    this->list.AppendList(&other);
    EXPECT_EQ(this->list.last, other.last);
    EXPECT_EQ(this->ActiveValue(), 2 * round + 2);
    EXPECT_EQ(other.count, 2u);  // the other list is not changed
    other.ClearList();
  }
  this->list.AppendList(&other);  // empty other
  this->list.AppendList(nullptr);
  this->list.AppendList(&this->list);  // would close a ring
  EXPECT_EQ(this->Values(), (std::vector<int>{1, 2, 3, 4}));
}

TEST(CBList, WalksBackwardAndInsertsFirst) {
  vlist::CBList list;
  list.InsertFirst(new BItem(3));  // into an empty list
  list.InsertFirst(new BItem(2));
  list.InsertFirst(new BItem(1));
  EXPECT_EQ(list.active, list.first);
  std::vector<int> backward;
  BItem* item = nullptr;
  for (unsigned char ok = list.GetLast(&item); ok; ok = list.GetPrev(&item)) {
    backward.push_back(item->value);
  }
  EXPECT_EQ(backward, (std::vector<int>{3, 2, 1}));
  EXPECT_EQ(list.active, nullptr);
  EXPECT_EQ(list.GetPrev(&item), 0);
  list.DisposeList();
}

}  // namespace
