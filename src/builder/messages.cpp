#include "builder/messages.h"

namespace parvel {

std::string PageOverPictureMessage(std::string_view page, std::string_view picture) {
  return "Building would write the page, " + std::string(page) + ", over your picture, " +
         std::string(picture) +
         ", in the site directory!  Please give your first HTML page a name ending in .html "
         "under Site Options.";
}

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

std::string ReasonLine(std::string_view what, std::string_view reason) {
  return std::string(what) + ": " + std::string(reason);
}

}  // namespace parvel
