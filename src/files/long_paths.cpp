// Space-separated path lists with double-quoted paths, as on command lines.
#include "tqusb/files/long_paths.h"

#include <string>
#include <string_view>
#include <vector>

#include "files/path_text.h"

namespace vcom {
namespace {

constexpr std::size_t kLineLimit = 1u << 16;  // longer lines are cut

struct ListedPath {
  std::string_view text;
  bool quoted;
};

std::vector<ListedPath> SplitPaths(std::string_view line) {
  std::vector<ListedPath> paths;
  std::size_t i = 0;
  while (i < line.size()) {
    if (line[i] == ' ') {
      ++i;
    } else if (line[i] == '"') {
      const std::size_t close = line.find('"', i + 1);
      const std::size_t end = close == std::string_view::npos ? line.size() : close;
      paths.push_back({line.substr(i + 1, end - i - 1), true});
      i = end + 1;
    } else {
      const std::size_t space = line.find(' ', i);
      const std::size_t end = space == std::string_view::npos ? line.size() : space;
      paths.push_back({line.substr(i, end - i), false});
      i = end;
    }
  }
  return paths;
}

}  // namespace

unsigned char ParseLongPathNameA(unsigned int lineHigh, const char* line, unsigned int outHigh,
                                 char* out, unsigned int index) {
  files::StoreText<char>(outHigh, out, "");
  const std::string text = files::BoundedText(lineHigh, line, kLineLimit);
  const std::vector<ListedPath> paths = SplitPaths(text);
  if (index >= paths.size() || paths[index].text.empty()) return 0;
  if (paths[index].text.size() < outHigh) files::StoreText<char>(outHigh, out, paths[index].text);
  return 1;
}

unsigned char SliceLongPathsA(unsigned int resultHigh, char* result, unsigned int aHigh,
                              const char* a, unsigned int bHigh, const char* b) {
  std::string text;
  for (const std::string& path :
       {files::BoundedText(aHigh, a, kLineLimit), files::BoundedText(bHigh, b, kLineLimit)}) {
    if (path.empty()) continue;
    if (!text.empty()) text.push_back(' ');
    text += "\"" + path + "\"";
  }
  const bool fits = text.size() <= static_cast<unsigned long long>(resultHigh) + 1;
  files::StoreText<char>(resultHigh, result, fits ? std::string_view(text) : std::string_view());
  return fits;
}

}  // namespace vcom
