#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <ostream>
#include <random>
#include <string>
#include <vector>

#include "runtime/sort_algorithms.h"
#include "tqusb/runtime/lib.h"

namespace {

// The data the callbacks sort (items 1..n are data[0..n-1]) and what the sort
// did with it.
std::vector<int> data;
bool outOfRange = false;
unsigned long long lessCalls = 0;
unsigned long long swapCalls = 0;

bool InRange(unsigned int i) {
  return i >= 1 && i <= data.size();
}

unsigned char Less(unsigned int i, unsigned int j) {
  ++lessCalls;
  if (!InRange(i) || !InRange(j)) {
    outOfRange = true;
    return 0;
  }
  return data[i - 1] < data[j - 1] ? 1 : 0;
}

void Swap(unsigned int i, unsigned int j) {
  ++swapCalls;
  if (!InRange(i) || !InRange(j)) {
    outOfRange = true;
    return;
  }
  std::swap(data[i - 1], data[j - 1]);
}

enum class Pattern { Random, Sorted, Reverse, AllEqual, FewValues, OrganPipe };

std::vector<int> Make(Pattern pattern, std::size_t n) {
  std::vector<int> v(n);
  std::mt19937 rng(static_cast<unsigned>(n) * 7919u + static_cast<unsigned>(pattern));
  for (std::size_t i = 0; i < n; ++i) {
    const int k = static_cast<int>(i);
    switch (pattern) {
      case Pattern::Random:
        v[i] = static_cast<int>(rng() % 1000);
        break;
      case Pattern::Sorted:
        v[i] = k;
        break;
      case Pattern::Reverse:
        v[i] = static_cast<int>(n) - k;
        break;
      case Pattern::AllEqual:
        v[i] = 42;
        break;
      case Pattern::FewValues:
        v[i] = static_cast<int>(rng() % 3);
        break;
      case Pattern::OrganPipe:
        v[i] = std::min(k, static_cast<int>(n) - k);
        break;
    }
  }
  return v;
}

const char* Name(Pattern p) {
  static const char* const kNames[] = {"random", "sorted",     "reverse",
                                       "equal",  "few values", "organ pipe"};
  return kNames[static_cast<int>(p)];
}

using SortFunc = void (*)(unsigned int, Lib::TLessFunc, Lib::TSwapFunc);

struct SortCase {
  const char* name;
  SortFunc sort;
};

void PrintTo(const SortCase& c, std::ostream* os) {
  *os << c.name;
}

class SortTest : public testing::TestWithParam<SortCase> {};

TEST_P(SortTest, SortsEveryPatternAndSizeWithItemNumbersInRange) {
  const std::size_t sizes[] = {0, 1, 2, 3, 4, 5, 8, 17, 100, 1000, 10000};
  const Pattern patterns[] = {Pattern::Random,   Pattern::Sorted,    Pattern::Reverse,
                              Pattern::AllEqual, Pattern::FewValues, Pattern::OrganPipe};
  for (Pattern pattern : patterns) {
    for (std::size_t n : sizes) {
      SCOPED_TRACE(std::string(Name(pattern)) + " n=" + std::to_string(n));
      data = Make(pattern, n);
      std::vector<int> expected = data;
      std::sort(expected.begin(), expected.end());
      outOfRange = false;
      lessCalls = swapCalls = 0;
      GetParam().sort(static_cast<unsigned int>(n), Less, Swap);
      EXPECT_FALSE(outOfRange);
      EXPECT_EQ(data, expected);
      if (n < 2) {
        EXPECT_EQ(lessCalls + swapCalls, 0u);
      }
    }
  }
}

TEST_P(SortTest, MissingCallbacksAreIgnored) {
  data = {3, 2, 1};
  GetParam().sort(3, nullptr, Swap);
  GetParam().sort(3, Less, nullptr);
  EXPECT_EQ(data, (std::vector<int>{3, 2, 1}));
}

INSTANTIATE_TEST_SUITE_P(
    Lib, SortTest, testing::Values(SortCase{"HSort", Lib::HSort}, SortCase{"QSort", Lib::QSort}),
    [](const testing::TestParamInfo<SortCase>& info) { return std::string(info.param.name); });

TEST(HSort, CallsStayWithinNLogN) {
  const std::size_t n = 10000;
  const double bound = 3.0 * n * std::log2(static_cast<double>(n));
  for (Pattern pattern : {Pattern::Random, Pattern::Sorted, Pattern::Reverse, Pattern::AllEqual}) {
    SCOPED_TRACE(Name(pattern));
    data = Make(pattern, n);
    lessCalls = swapCalls = 0;
    Lib::HSort(static_cast<unsigned int>(n), Less, Swap);
    EXPECT_LT(static_cast<double>(lessCalls), bound);
    EXPECT_LT(static_cast<double>(swapCalls), bound);
  }
}

TEST(HSort, LastRoundSwapsTheFirstItemWithItself) {
  data = {2, 1};
  std::vector<std::pair<unsigned, unsigned>> swaps;
  static std::vector<std::pair<unsigned, unsigned>>* record;
  record = &swaps;
  Lib::HSort(2, Less, [](unsigned i, unsigned j) {
    record->emplace_back(i, j);
    std::swap(data[i - 1], data[j - 1]);
  });
  ASSERT_FALSE(swaps.empty());
  EXPECT_EQ(swaps.back(), std::make_pair(1u, 1u));
  EXPECT_EQ(data, (std::vector<int>{1, 2}));
}

// The recursion depth of the quicksort, seen through the depth it reports for
// each range it starts.
TEST(QSort, RecursionDepthStaysLogarithmic) {
  const std::size_t n = 5000;
  const unsigned bound = static_cast<unsigned>(std::log2(static_cast<double>(n))) + 1;
  for (Pattern pattern : {Pattern::Random, Pattern::Sorted, Pattern::Reverse, Pattern::AllEqual,
                          Pattern::OrganPipe}) {
    SCOPED_TRACE(Name(pattern));
    std::vector<int> v = Make(pattern, n);
    unsigned maxDepth = 0;
    runtime::QuickSort(
        static_cast<std::uint32_t>(n),
        [&](std::uint32_t i, std::uint32_t j) { return v[i - 1] < v[j - 1]; },
        [&](std::uint32_t i, std::uint32_t j) { std::swap(v[i - 1], v[j - 1]); },
        [&](unsigned depth) { maxDepth = std::max(maxDepth, depth); });
    EXPECT_TRUE(std::is_sorted(v.begin(), v.end()));
    EXPECT_LE(maxDepth, bound);
  }
}

}  // namespace
