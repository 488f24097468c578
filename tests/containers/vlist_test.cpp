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

// The same tests run on both lists; Traits names the element type of each.
struct Single {
  using List = vlist::CList;
  using Elem = vlist::CListElem;
  using Item = SItem;
};
struct Double {
  using List = vlist::CBList;
  using Elem = vlist::CBListElem;
  using Item = BItem;
};

template <class T>
class ListTest : public testing::Test {
 protected:
  using List = typename T::List;
  using Elem = typename T::Elem;
  using Item = typename T::Item;

  ~ListTest() override { list.DisposeList(); }

  // Appends items with the given values; the cursor ends on the last one.
  void Fill(std::initializer_list<int> values) {
    for (int v : values) list.Append(new Item(v));
  }

  Item* At(int index) {
    Elem* e = list.first;
    for (int i = 0; i < index && e != nullptr; ++i) e = e->next;
    return static_cast<Item*>(e);
  }

  int ActiveValue() { return list.active ? static_cast<Item*>(list.active)->value : -1; }

  // The values along the links, after checking the invariants the links must
  // keep: count, last, the end of the chain and (doubly linked) the back links.
  std::vector<int> Values() {
    std::vector<int> out;
    Elem* prev = nullptr;
    for (Elem* e = list.first; e != nullptr; prev = e, e = e->next) {
      out.push_back(static_cast<Item*>(e)->value);
      if constexpr (std::is_same_v<Elem, vlist::CBListElem>) {
        EXPECT_EQ(e->prev, prev);
      }
      if (out.size() > 1000) break;  // a ring would never end
    }
    EXPECT_EQ(list.last, prev);
    EXPECT_EQ(list.count, out.size());
    EXPECT_EQ(list.Empty(), out.empty() ? 1 : 0);
    return out;
  }

  List list;
};

using ListKinds = testing::Types<Single, Double>;
TYPED_TEST_SUITE(ListTest, ListKinds);

TYPED_TEST(ListTest, AppendToEmptyMakesFirstLastAndActive) {
  auto* item = new typename TestFixture::Item(7);
  this->list.Append(item);
  EXPECT_EQ(this->list.first, item);
  EXPECT_EQ(this->list.last, item);
  EXPECT_EQ(this->list.active, item);
  EXPECT_EQ(this->list.count, 1u);
  this->list.Append(nullptr);
  EXPECT_EQ(this->Values(), std::vector<int>{7});
}

TYPED_TEST(ListTest, InsertBeforeTheActiveElement) {
  struct Case {
    int activeIndex;  // -1: no active element
    std::vector<int> expected;
  };
  const Case cases[] = {
      {-1, {1, 2, 3, 9}},
      {0, {9, 1, 2, 3}},
      {1, {1, 9, 2, 3}},
      {2, {1, 2, 9, 3}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.activeIndex);
    this->Fill({1, 2, 3});
    this->list.active = c.activeIndex < 0 ? nullptr : this->At(c.activeIndex);
    this->list.InsertBefore(new typename TestFixture::Item(9));
    EXPECT_EQ(this->Values(), c.expected);
    EXPECT_EQ(this->ActiveValue(), 9);
    this->list.DisposeList();
  }
}

TYPED_TEST(ListTest, InsertBeforeIntoEmptyListAndNullIsIgnored) {
  this->list.InsertBefore(nullptr);
  EXPECT_EQ(this->Values(), std::vector<int>{});
  this->list.InsertBefore(new typename TestFixture::Item(4));
  EXPECT_EQ(this->Values(), std::vector<int>{4});
  EXPECT_EQ(this->ActiveValue(), 4);
}

TYPED_TEST(ListTest, RemoveUnlinksTheActiveElementAndMovesToItsSuccessor) {
  struct Case {
    int activeIndex;  // -1: no active element
    std::vector<int> expected;
    int activeAfter;  // -1: no active element
  };
  const Case cases[] = {
      {-1, {1, 2, 3}, -1},
      {0, {2, 3}, 2},
      {1, {1, 3}, 3},
      {2, {1, 2}, -1},  // the predecessor becomes last
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.activeIndex);
    this->Fill({1, 2, 3});
    auto* removed = c.activeIndex < 0 ? nullptr : this->At(c.activeIndex);
    this->list.active = removed;
    this->list.Remove();
    EXPECT_EQ(this->Values(), c.expected);
    EXPECT_EQ(this->ActiveValue(), c.activeAfter);
    delete removed;
    this->list.DisposeList();
  }
}

TYPED_TEST(ListTest, RemovingTheOnlyElementEmptiesTheList) {
  this->Fill({5});
  auto* only = this->list.first;
  this->list.Remove();
  EXPECT_EQ(this->list.first, nullptr);
  EXPECT_EQ(this->list.last, nullptr);
  EXPECT_EQ(this->list.active, nullptr);
  EXPECT_EQ(this->Values(), std::vector<int>{});
  std::free(only);
}

TYPED_TEST(ListTest, RemoveWhileWalkingVisitsEveryElementOnce) {
  this->Fill({1, 2, 3, 4, 5, 6, 7, 8});
  std::vector<int> visited;
  typename TestFixture::Item* item = nullptr;
  unsigned char more = this->list.GetFirst(&item);
  while (more) {
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

TYPED_TEST(ListTest, FindOfAnUnlinkedElementLeavesNoCursor) {
  this->Fill({1, 2, 3});
  typename TestFixture::Item stranger(99);
  EXPECT_EQ(this->list.Find(&stranger), 0);
  EXPECT_EQ(this->list.active, nullptr);
  typename TestFixture::Elem* e = nullptr;
  EXPECT_EQ(this->list.GetNext(&e), 0);
  EXPECT_EQ(this->list.GetActive(&e), 0);
  EXPECT_EQ(this->list.Find(nullptr), 0);

  EXPECT_EQ(this->list.Find(this->At(1)), 1);
  EXPECT_EQ(this->ActiveValue(), 2);
}

TYPED_TEST(ListTest, CursorStopsAfterTheLastElement) {
  this->Fill({1, 2});
  typename TestFixture::Elem* e = nullptr;
  ASSERT_EQ(this->list.GetFirst(&e), 1);
  EXPECT_EQ(e, this->At(0));
  ASSERT_EQ(this->list.GetNext(&e), 1);
  EXPECT_EQ(e, this->At(1));
  e = nullptr;
  EXPECT_EQ(this->list.GetNext(&e), 0);
  EXPECT_EQ(e, nullptr);  // nothing stored on failure
  EXPECT_EQ(this->list.active, nullptr);
  EXPECT_EQ(this->list.GetNext(&e), 0);
  // A null destination only moves the cursor.
  EXPECT_EQ(this->list.GetFirst(nullptr), 1);
  EXPECT_EQ(this->ActiveValue(), 1);
}

TYPED_TEST(ListTest, CursorOnEmptyList) {
  typename TestFixture::Elem* e = nullptr;
  EXPECT_EQ(this->list.GetFirst(&e), 0);
  EXPECT_EQ(this->list.GetNext(&e), 0);
  EXPECT_EQ(this->list.GetActive(&e), 0);
  this->list.Remove();
  this->list.DisposeList();
  EXPECT_EQ(this->Values(), std::vector<int>{});
}

TYPED_TEST(ListTest, AppendListSharesTheOtherChain) {
  typename TestFixture::List other;
  other.Append(new typename TestFixture::Item(1));
  other.Append(new typename TestFixture::Item(2));

  this->list.AppendList(&other);  // onto an empty list
  EXPECT_EQ(this->list.first, other.first);
  EXPECT_EQ(this->list.last, other.last);
  EXPECT_EQ(this->ActiveValue(), 2);
  EXPECT_EQ(this->Values(), (std::vector<int>{1, 2}));
  other.ClearList();

  other.Append(new typename TestFixture::Item(3));
  other.Append(new typename TestFixture::Item(4));
  this->list.AppendList(&other);  // behind existing elements
  EXPECT_EQ(this->Values(), (std::vector<int>{1, 2, 3, 4}));
  EXPECT_EQ(this->ActiveValue(), 4);
  EXPECT_EQ(other.count, 2u);  // the other list is not changed
  other.ClearList();

  this->list.AppendList(&other);  // empty other
  this->list.AppendList(nullptr);
  this->list.AppendList(&this->list);  // would close a ring
  EXPECT_EQ(this->Values(), (std::vector<int>{1, 2, 3, 4}));
}

TYPED_TEST(ListTest, DisposeListFreesDerivedElementsAndClears) {
  this->list.DisposeList();  // empty: harmless
  this->Fill({1, 2, 3});
  this->list.DisposeList();  // leak checking catches a missing free
  EXPECT_EQ(this->list.first, nullptr);
  EXPECT_EQ(this->list.active, nullptr);
  EXPECT_EQ(this->Values(), std::vector<int>{});
}

TEST(CBList, WalksBackwardAndInsertsFirst) {
  vlist::CBList list;
  for (int v : {2, 3}) list.Append(new BItem(v));
  list.InsertFirst(new BItem(1));
  EXPECT_EQ(static_cast<BItem*>(list.first)->value, 1);
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

  list.InsertFirst(new BItem(5));  // into an empty list
  EXPECT_EQ(list.count, 1u);
  EXPECT_EQ(list.first, list.last);
  list.DisposeList();
}

TEST(ListElem, ElementsArePolymorphicAndStartUnlinked) {
  vlist::CListElem* s = new SItem(1);
  EXPECT_NE(dynamic_cast<SItem*>(s), nullptr);
  EXPECT_EQ(s->next, nullptr);
  s->__virtual();
  delete static_cast<SItem*>(s);

  BItem b(2);
  EXPECT_EQ(b.next, nullptr);
  EXPECT_EQ(b.prev, nullptr);
}

}  // namespace
