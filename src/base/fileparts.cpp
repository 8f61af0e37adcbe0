#include "base/fileparts.h"

namespace parvel {
namespace {

size_t LastSeparator(std::string_view path) {
  const size_t pos = path.find_last_of("/\\");
  return pos;
}

}  // namespace

std::string ChangeExtension(std::string_view name, std::string_view extension) {
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
