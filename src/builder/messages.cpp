#include "builder/messages.h"

#include "builder/writeplan.h"

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
  return kCopyErrorPrefix + std::string(file) + ", to your site directory!";
}

std::string MissingFolderCause(std::string_view folder) {
  return "The folder, " + std::string(folder) + ", could not be located";
}

std::string ThumbnailFailedMessage(std::string_view image) {
  return "Error encountered creating the thumbnail, " + std::string(image);
}

std::string LeftOutSentence(const std::vector<std::string>& images) {
  const bool one = images.size() == 1;
  return std::to_string(images.size()) + (one ? " picture was" : " pictures were") +
         " left out of the pages because " + (one ? "its thumbnail" : "their thumbnails") +
         " could not be made: " + NameList(images) + ".";
}

std::string LeftOutQuestion(const std::vector<std::string>& images) {
  return "Your build has finished, but " + LeftOutSentence(images) +
         "  Would you like to preview it now?";
}

std::string LeftOutMessage(std::string_view site_directory,
                           const std::vector<std::string>& images) {
  return "The build of " + std::string(site_directory) + " has finished, but " +
         LeftOutSentence(images);
}

std::string RecordNotSavedMessage(std::string_view record_file) {
  return "The record of the files this build wrote could not be saved in " +
         std::string(record_file) + ".  The next build will ask before it replaces them.";
}

std::string ReasonLine(std::string_view what, std::string_view reason) {
  return std::string(what) + ": " + std::string(reason);
}

std::string LocationNotice(std::int64_t count, const std::vector<std::string>& first_names) {
  std::string names;
  for (std::size_t i = 0; i < first_names.size(); ++i) {
    if (i > 0) names += ", ";
    names += first_names[i];
  }
  if (count > static_cast<std::int64_t>(first_names.size())) names += ", ...";
  const bool one = count == 1;
  return std::to_string(count) + (one ? " picture carries" : " pictures carry") +
         " the GPS position where " + (one ? "it was" : "they were") + " taken (" + names +
         "), and the site publishes " + (one ? "it" : "them") +
         " with it.  Display copies (Web_Image_Size) would publish " + (one ? "it" : "them") +
         " without it.";
}

}  // namespace parvel
