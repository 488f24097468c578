// Number/text conversion against the C runtime: StrToRealA vs strtod,
// CardToStrA vs snprintf("%u"), RealToStrA vs snprintf("%E").
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "tqusb/runtime/str_convert.h"

namespace {

const std::vector<std::string>& RealTexts() {
  static const std::vector<std::string> texts = {
      "0",         "1.5",      "-273.15",        "3.14159265358979",         "6.02214076e23",
      "1.6e-19",   "42",       "0.000123456789", "-1.7976931348623157E+308", "299792458",
      "12.345E+3", "123.45E-6"};
  return texts;
}

const std::vector<double>& RealValues() {
  static const std::vector<double> values = {0.0,     1.5,     -273.15,   3.14159265358979,
                                             6.02e23, 1.6e-19, 42.0,      0.000123456789,
                                             -1e300,  2.5e-5,  12345.678, 299792458.0};
  return values;
}

void BM_StrToRealA(benchmark::State& state) {
  const auto& texts = RealTexts();
  unsigned char ok;
  for (auto _ : state) {
    for (const std::string& t : texts)
      benchmark::DoNotOptimize(Str::StrToRealA(static_cast<unsigned>(t.size()), t.c_str(), &ok));
  }
  state.SetItemsProcessed(state.iterations() * static_cast<long>(texts.size()));
}
BENCHMARK(BM_StrToRealA);

void BM_strtod(benchmark::State& state) {
  const auto& texts = RealTexts();
  for (auto _ : state) {
    for (const std::string& t : texts) benchmark::DoNotOptimize(std::strtod(t.c_str(), nullptr));
  }
  state.SetItemsProcessed(state.iterations() * static_cast<long>(texts.size()));
}
BENCHMARK(BM_strtod);

void BM_CardToStrA(benchmark::State& state) {
  char buffer[16];
  unsigned char ok;
  unsigned value = 1;
  for (auto _ : state) {
    Str::CardToStrA(value, sizeof buffer - 1, buffer, 10, &ok);
    benchmark::DoNotOptimize(buffer);
    value = value * 2654435761u + 1;
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_CardToStrA);

void BM_snprintf_u(benchmark::State& state) {
  char buffer[16];
  unsigned value = 1;
  for (auto _ : state) {
    std::snprintf(buffer, sizeof buffer, "%u", value);
    benchmark::DoNotOptimize(buffer);
    value = value * 2654435761u + 1;
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_snprintf_u);

void BM_RealToStrA(benchmark::State& state) {
  const auto& values = RealValues();
  const unsigned char engineering = static_cast<unsigned char>(state.range(0));
  char buffer[32];
  unsigned char ok;
  for (auto _ : state) {
    for (double v : values) {
      Str::RealToStrA(v, 6, engineering, sizeof buffer - 1, buffer, &ok);
      benchmark::DoNotOptimize(buffer);
    }
  }
  state.SetItemsProcessed(state.iterations() * static_cast<long>(values.size()));
}
BENCHMARK(BM_RealToStrA)->Arg(0)->Arg(1)->ArgName("engineering");

void BM_snprintf_E(benchmark::State& state) {
  const auto& values = RealValues();
  char buffer[32];
  for (auto _ : state) {
    for (double v : values) {
      std::snprintf(buffer, sizeof buffer, "%7.5E", v);
      benchmark::DoNotOptimize(buffer);
    }
  }
  state.SetItemsProcessed(state.iterations() * static_cast<long>(values.size()));
}
BENCHMARK(BM_snprintf_E);

}  // namespace
