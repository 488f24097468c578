#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <string>
#include <utility>
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

enum class Pattern { Random, Sorted, Reverse, AllEqual };

std::vector<int> Make(Pattern pattern, std::size_t n) {
  std::vector<int> v(n);
  std::mt19937 rng(static_cast<unsigned>(n) * 7919u + static_cast<unsigned>(pattern));
  for (std::size_t i = 0; i < n; ++i) {
    const int k = static_cast<int>(i);
    const int values[] = {static_cast<int>(rng() % 1000), k, static_cast<int>(n) - k, 42};
    v[i] = values[static_cast<int>(pattern)];
  }
  return v;
}

const char* Name(Pattern p) {
  static const char* const kNames[] = {"random", "sorted", "reverse", "equal"};
  return kNames[static_cast<int>(p)];
}

const Pattern kPatterns[] = {Pattern::Random, Pattern::Sorted, Pattern::Reverse, Pattern::AllEqual};

TEST(Sort, BothSortEveryPatternAndSizeWithItemNumbersInRange) {
  const std::pair<const char*, void (*)(unsigned int, Lib::TLessFunc, Lib::TSwapFunc)> sorts[] = {
      {"HSort", Lib::HSort}, {"QSort", Lib::QSort}};
  const std::size_t sizes[] = {0, 1, 2, 3, 5, 17, 1000, 10000};
  for (const auto& [name, sort] : sorts) {
    for (Pattern pattern : kPatterns) {
      for (std::size_t n : sizes) {
        SCOPED_TRACE(std::string(name) + " " + Name(pattern) + " n=" + std::to_string(n));
        data = Make(pattern, n);
        std::vector<int> expected = data;
        std::sort(expected.begin(), expected.end());
        outOfRange = false;
        lessCalls = swapCalls = 0;
        sort(static_cast<unsigned int>(n), Less, Swap);
        EXPECT_FALSE(outOfRange);
        EXPECT_EQ(data, expected);
        if (n < 2) {
          EXPECT_EQ(lessCalls + swapCalls, 0u);
        }
      }
    }
  }
}

TEST(HSort, CallsStayWithinNLogN) {
  const std::size_t n = 10000;
  const double bound = 3.0 * n * std::log2(static_cast<double>(n));
  for (Pattern pattern : kPatterns) {
    SCOPED_TRACE(Name(pattern));
    data = Make(pattern, n);
    lessCalls = swapCalls = 0;
    Lib::HSort(static_cast<unsigned int>(n), Less, Swap);
    EXPECT_LT(static_cast<double>(lessCalls), bound);
    EXPECT_LT(static_cast<double>(swapCalls), bound);
  }
}

// The recursion depth of the quicksort, seen through the depth it reports for
// each range it starts.
TEST(QSort, RecursionDepthStaysLogarithmic) {
  const std::size_t n = 5000;
  const unsigned bound = static_cast<unsigned>(std::log2(static_cast<double>(n))) + 1;
  for (Pattern pattern : kPatterns) {
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
