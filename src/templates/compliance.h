// The template compliance test: which of the four markers an HTML template holds, which files it
// refers to (background and source attributes) and whether they lie next to it, plus the marker
// flags of the thumbnail and the image template that the builder reads during a build.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/interaction.h"
#include "platform/nocase.h"

namespace parvel {

inline constexpr std::string_view kContentMarker = "***CONTENT***";
inline constexpr std::string_view kIndexMarker = "***INDEX***";
inline constexpr std::string_view kHeaderMarker = "***HEADER***";
inline constexpr std::string_view kFooterMarker = "***FOOTER***";

inline constexpr std::string_view kComplianceTitle = "HTML Compliance";
inline constexpr std::string_view kRequiredFilesLine =
    "The HTML file uses the following files.  These will be copied to your site.";
inline constexpr std::string_view kThumbnailExplanation =
    "(This text indicates where the Thumbnail grid should be inserted)";
inline constexpr std::string_view kImageExplanation =
    "(This text indicates where the image should be inserted)";
inline constexpr std::string_view kComplianceQuestion =
    "Some warning were raised while testing this HTML file for compliancy.  Are you sure you want "
    "to use it?";

// Larger templates are not read; the test then reports the template as unreadable.
inline constexpr std::uint64_t kMaxTemplateSize = 4u << 20;
// A reference of this many characters or more ends the scan of references.
inline constexpr std::size_t kMaxReferenceLength = 255;
// A background reference this long or longer is no path the system could open, and is not listed.
inline constexpr std::size_t kMaxBackgroundLength = 4096;

// Whether each marker occurs in one template (exact, case-sensitive).
struct MarkerFlags {
  bool content = false;
  bool index = false;
  bool header = false;
  bool footer = false;
};

// The two kinds of page a template is for.
enum class PageKind { Thumbnail, Image };

// The flags of the last successful test of each template kind. The program owns one for its whole
// run; the pre-build checks refresh it and the builder reads it.
struct TemplateMarkers {
  MarkerFlags thumbnail;
  MarkerFlags image;

  MarkerFlags& For(PageKind kind) { return kind == PageKind::Thumbnail ? thumbnail : image; }
  const MarkerFlags& For(PageKind kind) const {
    return kind == PageKind::Thumbnail ? thumbnail : image;
  }
};

// The program's marker flags for its whole run: the compliance test buttons and the pre-build
// checks refresh them, and every build started from a front reads them.
TemplateMarkers& ProgramTemplateMarkers();

// What the compliance dialog shows, and what the pre-build checks need.
struct ComplianceResult {
  std::string template_path;
  std::string explanation;  // kThumbnailExplanation or kImageExplanation
  bool loaded = false;      // the template could be read; the marker fields mean nothing otherwise
  MarkerFlags found;
  // References in order of discovery, lower-cased with "\" read as "/", duplicates kept.
  std::vector<std::string> required_files;
  // For each required file, where it lies on disk in its own letter case (the template's folder
  // plus the reference when no file matches): the file the build copies into the site.
  std::vector<std::string> source_paths;
  std::vector<std::string> warnings;
  bool result = false;  // the content marker was found
};

// "- Found" or "- NOT FOUND!", as the dialog shows beside each marker.
std::string_view FoundText(bool found);

// Reads the template and fills a result. When it can be read, the found flags are also stored as
// the marker flags of its kind in `markers`; an unreadable template leaves `markers` alone.
ComplianceResult TestCompliancy(const std::string& templatePath, PageKind page,
                                TemplateMarkers& markers);

// The test of a template's text as if read from `templatePath` (its folder is where referenced
// files are looked for); stores the found flags in `markers` like TestCompliancy.
ComplianceResult TestComplianceOfText(std::string_view text, const std::string& templatePath,
                                      PageKind page, TemplateMarkers& markers);

// Fills result.required_files and result.source_paths from the template text, warning about
// references outside `folder` (the template's folder with its trailing "/"), also those that
// reach out through a link (RealPathInside), which are not listed, and, when the scan
// ends normally, about listed files missing from it. False when a source reference is
// kMaxReferenceLength characters or longer: the scan stops there and no missing-file warnings
// are made. Runs in time linear in the text.
bool GenerateRequiredFilesList(std::string_view templateText, const std::string& folder,
                               ComplianceResult& result);

// The real path of `path` (every link resolved) when it lies inside the real path of `folder`;
// nullopt when it lies elsewhere or either cannot be resolved. A reference is inside the template
// folder only by this test: a link in the folder that leads out does not make its target part of
// the folder.
std::optional<std::string> RealPathInside(const std::string& path, const std::string& folder);

// "The file, <ref>, lies outside the directory, <folder>, and will not be copied".
std::string OutsideDirectoryMessage(std::string_view ref, std::string_view folder);

// The dialog's OK: true when it may close (no warnings, or the user agrees to use the template).
bool ConfirmCompliance(Interaction& ui, const ComplianceResult& result);

}  // namespace parvel
