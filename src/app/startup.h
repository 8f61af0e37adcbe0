// The desktop program's command line: --data-dir DIR and the files handed to it.
#pragma once

#include <string>
#include <vector>

namespace parvel {

struct StartArguments {
  std::string data_dir;  // absolute, or empty when not given
  std::vector<std::string> files;
  std::string error;  // non-empty for a usage error
};

// Qt's own options (-platform ...) are taken out by QApplication before this sees the rest.
StartArguments ParseStartArguments(int argc, char** argv);

// The folder of the running program, with a trailing "/".
std::string ProgramFolder();

}  // namespace parvel
