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

// Answers --help or --version on stdout before any window system is needed: the exit status
// (0), or -1 when neither was asked for.
int AnswerHelpOrVersion(int argc, char** argv);

}  // namespace parvel
