// The texts a build shows: the messages of the checks before it, of Start and of the passes.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "templates/pagesettings.h"

namespace parvel {

// ---- Messages of the checks before a build (the page settings' own, which their dialog's OK
// shows too, are in templates/pagesettings.h).
inline constexpr std::string_view kNoThumbTemplateMessage =
    "You have not specified a HTML template file for your thumbnail page or the file cannot be "
    "located!";
inline constexpr std::string_view kNoImageTemplateMessage =
    "You have not specified a HTML template file for your image display page or the file cannot "
    "be located!";
inline constexpr std::string_view kNoImagesQuestion =
    "The current Site or Rotation does not contain any images!  Do you want to create a site "
    "without thumbnails?";
inline constexpr std::string_view kPageCountCaption = "Number of Pages";
inline constexpr std::string_view kPageCountQuestion =
    "How many pages should be inserted into your site?";
inline constexpr std::string_view kPageCountDefault = "10";
inline constexpr std::string_view kInvalidPageCountMessage = "You failed to enter a valid number";

// The compliance failures name the template: prefix + path + suffix.
inline constexpr std::string_view kThumbTemplateFailedPrefix = "The HTML Template file, ";
inline constexpr std::string_view kThumbTemplateFailedSuffix =
    ", has failed the compliancy test.  Please use 'Test Compliance' to review and correct the "
    "problems!";
inline constexpr std::string_view kImageTemplateFailedPrefix =
    "The HTML Template file for your image pages, ";
inline constexpr std::string_view kImageTemplateFailedSuffix =
    ", has failed the compliancy test.  Please use 'Test Compliance' to review and correct the "
    "problems.";

// ---- Messages of Start and of the build itself.
inline constexpr std::string_view kEmptyImageListMessage =
    "The current Site or Rotation does not contain any images!";
inline constexpr std::string_view kPreviewQuestion =
    "Your build has been completed.  Would you like to preview it now?";
inline constexpr std::string_view kCancelBuildQuestion =
    "Are you sure you want to cancel processing of your Site Build?";
inline constexpr std::string_view kImagePagesFailedMessage =
    "Error encountered creating your Image Display pages.  Please ensure you have enough disk "
    "space";
inline constexpr std::string_view kThumbPagesFailedMessage =
    "Error encountered creating your HTML pages.  Please ensure you have enough disk space";

// What the build dialog's message line says after a build that did not complete.
inline constexpr std::string_view kBuildCancelledMessage = "The build was cancelled.";
inline constexpr std::string_view kBuildNotReplacingMessage =
    "The build was stopped before writing anything.";

// The progress messages and failure texts that carry a name.
// "Error encountered copying the file, " + name + ...
inline constexpr char kCopyErrorPrefix[] = "Error encountered copying the file, ";
// "The folder, <folder>, could not be located": why a file could not be written into it.
std::string MissingFolderCause(std::string_view folder);
// "Building would write the page, <page>, over your picture, <picture>, in the site directory!
// ..." (a warning of the checks before a build).
std::string PageOverPictureMessage(std::string_view page, std::string_view picture);
std::string DirectoryFailedMessage(std::string_view directory);
std::string CopyFailedMessage(std::string_view file);
std::string ThumbnailFailedMessage(std::string_view image);

// The pictures a build left out of its pages because their thumbnails could not be made, named
// (NameList): "1 picture was left out of the pages because its thumbnail could not be made:
// fake.jpg." The build's end says it: the question that offers the preview
// ("Your build has finished, but " + that + "  Would you like to preview it now?"), or, in Build
// All, a warning naming the site directory.
std::string LeftOutSentence(const std::vector<std::string>& images);
std::string LeftOutQuestion(const std::vector<std::string>& images);
std::string LeftOutMessage(std::string_view site_directory, const std::vector<std::string>& images);

// The record of what a build wrote could not be saved (the reason is logged beside it).
std::string RecordNotSavedMessage(std::string_view record_file);

// The line logged beside a failure message when an exception ended the work: "<what>: <reason>",
// the reason being the exception's text.
std::string ReasonLine(std::string_view what, std::string_view reason);

// ---- Web-ready sites.

// The notice at the end of a build whose pictures carry a GPS position while display copies are
// off: how many, the first names, and that display copies would publish them without it.
std::string LocationNotice(std::int64_t count, const std::vector<std::string>& first_names);

}  // namespace parvel
