#include "desktop/main/startup.h"

#include <filesystem>
#include <iostream>

#include "model/datadir.h"

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
      args.error = kUnknownOption + word;
      return args;
    } else {
      args.files.push_back(word);
    }
  }
  return args;
}

int AnswerHelpOrVersion(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    const std::string word = argv[i];
    if (word == "--version") {
      std::cout << VersionLine("parvel") << "\n";
      return 0;
    }
    if (word == "--help" || word == "-h") {
      std::cout << "parvel: the Parvel Pro desktop program; builds web galleries from folders of "
                   "pictures.\n"
                   "usage: parvel [--data-dir DIR] [FILE...]\n"
                   "The data directory (catalogue, settings, samples, help) is the program's own\n"
                   "folder when that holds them and can be written, else\n"
                   "$XDG_DATA_HOME/parvel-pro (~/.local/share/parvel-pro), made and given the\n"
                   "sample folders on the first start; --data-dir names another, made and given\n"
                   "them too when missing or empty. One copy runs per data directory: a second\n"
                   "start hands its FILEs to it and ends.\n"
                   "Qt's own options (-platform NAME, ...) are accepted too.\n"
                << kHelpVersionLine;
      return 0;
    }
  }
  return -1;
}

}  // namespace parvel
