// Parsing the registry file: one key of many values and many keys of a few
// values, as text of about 5 MB; the time must grow with the size alone.
#include <benchmark/benchmark.h>

#include <string>

#include "platform/registry_store.h"

namespace {

namespace reg = platform::registry;

// `keys` keys of `values` dword values each, under one parent key.
std::string RegistryText(int keys, int values) {
  std::string text = "Windows Registry Editor Version 5.00\n\n";
  for (int k = 0; k < keys; ++k) {
    text += "[HKEY_CURRENT_USER\\Software\\Bench\\Key" + std::to_string(k) + "]\n";
    for (int v = 0; v < values; ++v) text += "\"Value" + std::to_string(v) + "\"=dword:0000002a\n";
    text += '\n';
  }
  return text;
}

void Parse(benchmark::State& state, const std::string& text) {
  for (auto _ : state) {
    reg::Store store;
    bool ok = reg::ParseStore(text, &store, nullptr);
    benchmark::DoNotOptimize(ok);
  }
  state.SetBytesProcessed(state.iterations() * static_cast<long>(text.size()));
}

void BM_ParseOneKeyOfManyValues(benchmark::State& state) {
  const std::string text = RegistryText(1, static_cast<int>(state.range(0)));
  Parse(state, text);
}
BENCHMARK(BM_ParseOneKeyOfManyValues)->Arg(20000)->Arg(200000)->Unit(benchmark::kMillisecond);

void BM_ParseManyKeys(benchmark::State& state) {
  const std::string text = RegistryText(static_cast<int>(state.range(0)), 4);
  Parse(state, text);
}
BENCHMARK(BM_ParseManyKeys)->Arg(50000)->Unit(benchmark::kMillisecond);

}  // namespace
