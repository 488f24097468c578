// Directory listing: the entries of one directory whose names match the last
// component of a pattern.
#include <dirent.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <mutex>
#include <set>
#include <string>

#include "files/file_attributes.h"
#include "files/fio_core.h"
#include "tqusb/files/fio.h"
#include "tqusb/runtime/str.h"

namespace FIO {
namespace {

struct Search {
  DIR* dir;
  std::string directory;  // with a final '/'
  std::string pattern;
};

// Listings in progress, so that a stale or made-up entry is refused instead
// of being followed.
std::mutex g_searchesLock;
std::set<Search*> g_searches;

Search* LiveSearch(DirEntryA* entry) {
  if (entry == nullptr) return nullptr;
  auto* search = static_cast<Search*>(entry->Handle);
  std::lock_guard<std::mutex> lock(g_searchesLock);
  return g_searches.count(search) != 0 ? search : nullptr;
}

void EndSearch(DirEntryA* entry) {
  auto* search = LiveSearch(entry);
  entry->Handle = InvalidHandle();
  if (search == nullptr) return;
  {
    std::lock_guard<std::mutex> lock(g_searchesLock);
    g_searches.erase(search);
  }
  closedir(search->dir);
  delete search;
}

// "*" and "?", any case. A pattern ending in ".*" also matches names without
// a dot ("*.*" lists everything), as listings have always done.
bool NameMatches(const std::string& name, const std::string& pattern) {
  const auto high = static_cast<unsigned int>(name.size());
  const auto match = [&](const std::string& p) {
    return Str::MatchA(high, name.c_str(), static_cast<unsigned int>(p.size()), p.c_str()) != 0;
  };
  if (match(pattern)) return true;
  const std::size_t n = pattern.size();
  return n >= 2 && pattern.compare(n - 2, 2, ".*") == 0 && name.find('.') == std::string::npos &&
         match(pattern.substr(0, n - 2));
}

void Fill(WIN32_FIND_DATAA* data, const std::string& name, const struct stat& st) {
  std::memset(data, 0, sizeof *data);
  data->dwFileAttributes = files::AttributesOf(st);
  data->ftCreationTime = files::ToFileTime(st.st_mtim);
  data->ftLastAccessTime = files::ToFileTime(st.st_atim);
  data->ftLastWriteTime = files::ToFileTime(st.st_mtim);
  const auto size = S_ISDIR(st.st_mode) ? 0ULL : static_cast<unsigned long long>(st.st_size);
  data->nFileSizeHigh = static_cast<std::uint32_t>(size >> 32);
  data->nFileSizeLow = static_cast<std::uint32_t>(size);
  std::memcpy(data->cFileName, name.c_str(),
              name.size() < sizeof data->cFileName ? name.size() : sizeof data->cFileName - 1);
}

// The next entry that matches and passes the attribute mask; false at the end.
bool Advance(Search* search, DirEntryA* entry) {
  while (struct dirent* d = readdir(search->dir)) {
    const std::string name = d->d_name;
    if (name == "." || name == ".." || !NameMatches(name, search->pattern)) continue;
    const std::string path = search->directory + name;
    struct stat st {};
    if (stat(path.c_str(), &st) != 0 && lstat(path.c_str(), &st) != 0) continue;
    const unsigned int attr = files::AttributesOf(st);
    if (attr != 0 && (attr & entry->AttrMask) == 0) continue;
    Fill(&entry->Data, name, st);
    return true;
  }
  return false;
}

}  // namespace

unsigned char ReadFirstEntryA(unsigned int patternHigh, const char* pattern, unsigned int attrMask,
                              DirEntryA* entry) {
  files::BeginCall();
  if (entry == nullptr) {
    files::SetError(ErrInvalidParameter);
    return 0;
  }
  entry->Handle = InvalidHandle();
  entry->AttrMask = attrMask;
  const auto native = files::NativeName(patternHigh, pattern);
  if (!native) return 0;
  const std::size_t slash = native->find_last_of('/');
  const std::string directory = slash == std::string::npos ? "./" : native->substr(0, slash + 1);
  const std::string namePattern = slash == std::string::npos ? *native : native->substr(slash + 1);
  DIR* dir = opendir(directory.c_str());
  if (dir == nullptr) {
    // A listing of a missing directory reports the path, not the file, as missing.
    files::SetErrnoError(errno);
    if (errno == ENOENT) files::SetError(ErrPathNotFound);
    return 0;
  }
  auto* search = new Search{dir, directory, namePattern};
  {
    std::lock_guard<std::mutex> lock(g_searchesLock);
    g_searches.insert(search);
  }
  entry->Handle = search;
  if (!namePattern.empty() && Advance(search, entry)) return 1;
  EndSearch(entry);
  files::SetError(ErrFileNotFound);
  return 0;
}

unsigned char ReadNextEntryA(DirEntryA* entry) {
  files::BeginCall();
  Search* search = LiveSearch(entry);
  if (search == nullptr) {
    files::SetError(ErrInvalidHandle);
    return 0;
  }
  if (Advance(search, entry)) return 1;
  EndSearch(entry);
  files::SetError(ErrNoMoreFiles);
  return 0;
}

void CloseEntryA(DirEntryA* entry) {
  files::BeginCall();
  if (entry != nullptr) EndSearch(entry);
}

}  // namespace FIO
