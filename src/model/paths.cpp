#include "model/paths.h"

#include "base/textutil.h"

namespace parvel {
namespace {

std::string& DataDirStorage() {
  static std::string dir = "./";
  return dir;
}

bool IsSeparator(char c) {
  return c == '/' || c == '\\';
}

}  // namespace

const std::string& DataDirectory() {
  return DataDirStorage();
}

void SetDataDirectory(std::string_view dir) {
  std::string d = Trim(dir);
  if (d.empty()) d = ".";
  if (!IsSeparator(d.back())) d += '/';
  DataDirStorage() = d;
}

std::string ExpandPath(std::string_view path) {
  std::string p = Trim(path);
  if (p.empty() || p[0] != '%') return p;
  std::string rest = p.size() > 2 ? p.substr(2) : std::string();
  for (char& c : rest) {
    if (c == '\\') c = '/';
  }
  return DataDirectory() + rest;
}

std::string TruncatePath(std::string_view path) {
  std::string p = Trim(path);
  if (p.empty()) return p;
  const std::string& dir = DataDirectory();
  // Letter case tells folders apart here: /srv/Photos is not inside /srv/photos/.
  if (p.starts_with(dir)) return "%/" + p.substr(dir.size());
  return p;
}

std::string FixPath(std::string_view path, bool with_separator) {
  std::string p = Trim(path);
  if (p.empty()) return p;
  if (p[0] == '%') p = ExpandPath(p);
  if (p.empty()) return p;
  const bool has = IsSeparator(p.back());
  if (!has && with_separator) p += '/';
  if (has && !with_separator) p.pop_back();
  return p;
}

}  // namespace parvel
