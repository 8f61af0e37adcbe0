#include "builder/messages.h"

namespace parvel {

std::string DirectoryFailedMessage(std::string_view directory) {
  return "Error encountered creating the directory, " + std::string(directory) +
         ".  Building will terminate!";
}

std::string CopyFailedMessage(std::string_view file) {
  return "Error encountered copying the file, " + std::string(file) + ", to your site directory!";
}

std::string ThumbnailFailedMessage(std::string_view image) {
  return "Error encountered creating the thumbnail, " + std::string(image);
}

}  // namespace parvel
