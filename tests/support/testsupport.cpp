#include "support/testsupport.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

namespace parvel::testing {
namespace {

// A new folder "<prefix>-XXXXXX/" under $TMPDIR or /tmp; empty when it cannot be made.
std::string MakeTempFolder(const char* prefix) {
  const char* base = std::getenv("TMPDIR");
  std::string name = std::string(base && *base ? base : "/tmp") + "/" + prefix + "-XXXXXX";
  return ::mkdtemp(name.data()) ? name + "/" : "";
}

// HOME and XDG_DATA_HOME in a scratch folder, set while the program loads: before any test, and
// so before GLib first reads them.
struct ScratchHome {
  std::string path;
  ScratchHome() {
    path = MakeTempFolder("parvel-home");
    if (path.empty()) std::abort();
    const std::string data = path + ".local/share";
    std::filesystem::create_directories(data);
    ::setenv("HOME", path.c_str(), 1);
    ::setenv("XDG_DATA_HOME", data.c_str(), 1);
  }
  ~ScratchHome() {
    std::error_code ec;
    std::filesystem::remove_all(path, ec);
  }
};

ScratchHome& Scratch() {
  static ScratchHome home;
  return home;
}

[[maybe_unused]] const bool kScratchHomeSet = (Scratch(), true);

}  // namespace

std::string TrashFolder() {
  return Scratch().path + ".local/share/Trash/";
}

std::vector<TrashedEntry> TrashContents() {
  std::vector<TrashedEntry> entries;
  std::error_code ec;
  for (std::filesystem::directory_iterator it(TrashFolder() + "files", ec), end; !ec && it != end;
       it.increment(ec)) {
    TrashedEntry entry{it->path().filename().string(), "<no info>"};
    const std::string info = ReadFile(TrashFolder() + "info/" + entry.name + ".trashinfo");
    if (const size_t at = info.find("\nPath="); at != std::string::npos) {
      entry.original = info.substr(at + 6, info.find('\n', at + 1) - at - 6);
    }
    entries.push_back(std::move(entry));
  }
  std::sort(entries.begin(), entries.end(),
            [](const TrashedEntry& a, const TrashedEntry& b) { return a.name < b.name; });
  return entries;
}

void EmptyTrash() {
  std::error_code ec;
  for (const char* folder : {"files", "info"}) {
    for (std::filesystem::directory_iterator it(TrashFolder() + folder, ec), end; !ec && it != end;
         it.increment(ec)) {
      std::error_code remove_ec;
      std::filesystem::remove_all(it->path(), remove_ec);
    }
  }
}

TempDir::TempDir() {
  path_ = MakeTempFolder("parvel-test");
  if (path_.empty()) ADD_FAILURE() << "cannot make a temporary folder";
}

TempDir::~TempDir() {
  std::error_code ec;
  // Folders a test made read-only must not stop the clean-up.
  for (auto it = std::filesystem::recursive_directory_iterator(path_, ec);
       !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
    std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ec);
  }
  std::filesystem::remove_all(path_, ec);
}

void WriteFile(const std::string& path, std::string_view contents) {
  std::error_code ec;
  std::filesystem::create_directories(std::filesystem::path(path).parent_path(), ec);
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(contents.data(), static_cast<std::streamsize>(contents.size()));
  if (!out) ADD_FAILURE() << "cannot write " << path;
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return "<missing>";
  std::ostringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

Tree ReadTree(const std::string& root) {
  Tree tree;
  std::error_code ec;
  for (std::filesystem::recursive_directory_iterator it(root, ec), end; !ec && it != end;
       it.increment(ec)) {
    const std::string rel = it->path().lexically_relative(root).string();
    tree[rel] = it->is_directory() ? "/" : ReadFile(it->path().string());
  }
  return tree;
}

std::string DataFile(std::string_view name) {
  return std::string(PARVEL_TEST_DATA_DIR) + "/" + std::string(name);
}

}  // namespace parvel::testing
