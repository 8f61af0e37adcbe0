// Helpers shared by the test programs: a temporary folder per test, and whole-file I/O.
#pragma once

#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace parvel::testing {

// A fresh folder under the system's temporary folder, removed with everything in it at the end.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  // The folder, with a trailing "/".
  const std::string& path() const { return path_; }
  // path() + name.
  std::string operator/(std::string_view name) const { return path_ + std::string(name); }

 private:
  std::string path_;
};

// Writes bytes to a file (creating its folders); fails the test on error.
void WriteFile(const std::string& path, std::string_view contents);
// The whole file, or "<missing>" when it cannot be read.
std::string ReadFile(const std::string& path);
// Relative path -> contents of everything below `root` ("/" for a directory): to show that a
// step left a folder as it was, byte for byte.
using Tree = std::map<std::string, std::string>;
Tree ReadTree(const std::string& root);
// A file in tests/data.
std::string DataFile(std::string_view name);

// The desktop Trash that what the tests delete goes to, with a trailing "/". Every test program
// points HOME and XDG_DATA_HOME into a scratch folder of its own before anything runs (GLib reads
// them once), so nothing goes to the Trash of the person running the tests; the programs a test
// starts inherit them. The scratch folder is removed when the program ends.
std::string TrashFolder();

// One entry of that Trash: its name in files/ and the original path its .trashinfo records.
struct TrashedEntry {
  std::string name;
  std::string original;  // the "Path=" line, "<no info>" when the .trashinfo is missing
  friend bool operator==(const TrashedEntry&, const TrashedEntry&) = default;
};
// What is in the Trash now, by name.
std::vector<TrashedEntry> TrashContents();
// Empties the Trash (files/ and info/).
void EmptyTrash();

}  // namespace parvel::testing
