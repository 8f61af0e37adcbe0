#include "app/startup.h"

#include <unistd.h>

#include <climits>
#include <filesystem>

#include "model/paths.h"

namespace parvel {

StartArguments ParseStartArguments(int argc, char** argv) {
  StartArguments args;
  for (int i = 1; i < argc; ++i) {
    const std::string word = argv[i];
    if (word == "--data-dir") {
      if (i + 1 >= argc) {
        args.error = "--data-dir needs a value";
        return args;
      }
      std::error_code ec;
      // Absolute: a relative folder would change meaning with the working directory.
      const auto dir = std::filesystem::absolute(argv[++i], ec);
      args.data_dir = ec ? std::string(argv[i]) : dir.lexically_normal().string();
    } else if (word.size() > 2 && word.compare(0, 2, "--") == 0) {
      args.error = "unknown option " + word;
      return args;
    } else {
      args.files.push_back(word);
    }
  }
  return args;
}

std::string ProgramFolder() {
  char buffer[PATH_MAX];
  const ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof(buffer) - 1);
  if (n <= 0) return "./";
  return DirectoryPart(std::string(buffer, static_cast<size_t>(n)));
}

}  // namespace parvel
