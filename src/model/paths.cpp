#include "model/paths.h"

#include "model/textutil.h"

namespace parvel {
namespace {

std::string& DataDirStorage() {
  static std::string dir = "./";
  return dir;
}

bool IsSeparator(char c) {
  return c == '/' || c == '\\';
}

size_t LastSeparator(std::string_view path) {
  const size_t pos = path.find_last_of("/\\");
  return pos;
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

std::string expandpath(std::string_view path) {
  std::string p = Trim(path);
  if (p.empty() || p[0] != '%') return p;
  std::string rest = p.size() > 2 ? p.substr(2) : std::string();
  for (char& c : rest) {
    if (c == '\\') c = '/';
  }
  return DataDirectory() + rest;
}

std::string truncatepath(std::string_view path) {
  std::string p = Trim(path);
  if (p.empty()) return p;
  const std::string& dir = DataDirectory();
  // Letter case tells folders apart here: /srv/Photos is not inside /srv/photos/.
  if (p.starts_with(dir)) return "%/" + p.substr(dir.size());
  return p;
}

std::string fixpath(std::string_view path, bool with_separator) {
  std::string p = Trim(path);
  if (p.empty()) return p;
  if (p[0] == '%') p = expandpath(p);
  if (p.empty()) return p;
  const bool has = IsSeparator(p.back());
  if (!has && with_separator) p += '/';
  if (has && !with_separator) p.pop_back();
  return p;
}

std::string changeextension(std::string_view name, std::string_view extension) {
  const size_t boundary = name.find_last_of("/\\:");
  const size_t dot = name.rfind('.');
  std::string_view stem = name;
  if (dot != std::string_view::npos && (boundary == std::string_view::npos || dot > boundary)) {
    stem = name.substr(0, dot);
  }
  return std::string(stem) + std::string(extension);
}

std::string FileNamePart(std::string_view path) {
  const size_t sep = LastSeparator(path);
  return std::string(sep == std::string_view::npos ? path : path.substr(sep + 1));
}

std::string DirectoryPart(std::string_view path) {
  const size_t sep = LastSeparator(path);
  return sep == std::string_view::npos ? std::string() : std::string(path.substr(0, sep + 1));
}

std::string ExtensionPart(std::string_view path) {
  const std::string name = FileNamePart(path);
  const size_t dot = name.rfind('.');
  return dot == std::string::npos ? std::string() : name.substr(dot);
}

}  // namespace parvel
