#pragma once
// A process-wide table of the platform layer (handles, pipes, windows, notice
// registrations, the debug sink): made on first use and never destroyed by
// the order in which static objects go, so it stays usable while the process
// runs. ReleaseProcessTables frees the tables once the library's other static
// objects are gone, so that unloading the library leaves none of them behind.
#include <atomic>

namespace platform {

template <typename T>
class ProcessTable {
 public:
  constexpr ProcessTable() = default;
  ProcessTable(const ProcessTable&) = delete;
  ProcessTable& operator=(const ProcessTable&) = delete;

  T& Get() {
    T* table = table_.load(std::memory_order_acquire);
    if (table != nullptr) return *table;
    T* made = new T;
    if (table_.compare_exchange_strong(table, made, std::memory_order_acq_rel)) return *made;
    delete made;  // another thread made it first
    return *table;
  }

  // Frees the table unless `inUse` (called with the table) says entries
  // remain: a host thread may still use those. A later Get makes a new one.
  template <typename InUse>
  void Release(InUse inUse) {
    T* table = table_.exchange(nullptr, std::memory_order_acq_rel);
    if (table == nullptr) return;
    if (!inUse(*table)) {
      delete table;
      return;
    }
    T* none = nullptr;  // kept; should a new one have been made meanwhile, both stay
    table_.compare_exchange_strong(none, table, std::memory_order_acq_rel);
  }

 private:
  std::atomic<T*> table_{nullptr};
};

// The tables, each released by its module (kept while it holds entries).
void ReleaseHandleTable();
void ReleaseWindowRegistry();
void ReleaseNoticeIndex();
void ReleaseDebugSink();
namespace vbus {
void ReleasePipeRegistry();
}

// Arranges for every process table to be released after the library's other
// static objects were destroyed, when the library is unloaded or the process
// ends. Called once, first thing at load.
void ReleaseProcessTablesAtUnload();

}  // namespace platform
