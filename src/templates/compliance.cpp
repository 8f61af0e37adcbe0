// References are found by a plain text search rather than an HTML parser on purpose: the test
// must list exactly the double-quoted background and src values, in any markup, however broken.
#include "templates/compliance.h"

#include <cctype>
#include <filesystem>
#include <system_error>
#include <unordered_map>

#include "base/textutil.h"
#include "model/paths.h"
#include "platform/filesystem.h"
#include "platform/nocase.h"

namespace parvel {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kBackgroundAttribute = "background=\"";
constexpr std::string_view kSourceAttribute = "src=\"";

bool IsRegularFile(const std::string& path) {
  std::error_code ec;
  return fs::is_regular_file(path, ec);
}

std::string JoinParts(const std::vector<std::string_view>& parts) {
  std::string out;
  for (const auto& part : parts) {
    if (!out.empty()) out += '/';
    out += part;
  }
  return out;
}

struct Scan {
  const std::string& folder;
  ComplianceResult& result;
  std::vector<std::string> inside;  // each listed reference, normalised below the folder

  // Lists one reference unless it is empty or a web address; one that leaves the folder is
  // refused with a warning, since the build would copy it from elsewhere into the site.
  void Add(std::string_view found) {
    if (found.empty()) return;
    if (found.find("http:") != std::string_view::npos) return;
    if (found.find("https:") != std::string_view::npos) return;
    const std::string ref = ReplaceAll(found, "\\", "/");
    const auto parts = RelativeParts(ref);
    if (!parts) {
      result.warnings.push_back("* " + OutsideDirectoryMessage(ref, folder));
      return;
    }
    result.required_files.push_back(ref);
    inside.push_back(JoinParts(*parts));
  }
};

}  // namespace

std::string_view FoundText(bool found) {
  return found ? "- Found" : "- NOT FOUND!";
}

std::optional<std::string> RealPathInside(const std::string& path, const std::string& folder) {
  std::error_code ec;
  const fs::path real = fs::canonical(path, ec);
  if (ec) return std::nullopt;
  const fs::path real_folder = fs::canonical(folder.empty() ? "." : folder, ec);
  if (ec) return std::nullopt;
  // Compared part by part, so that /a/bc never counts as inside /a/b.
  auto inner = real.begin();
  for (auto outer = real_folder.begin(); outer != real_folder.end(); ++outer, ++inner) {
    if (inner == real.end() || *inner != *outer) return std::nullopt;
  }
  if (inner == real.end()) return std::nullopt;  // the folder itself
  return real.string();
}

std::string OutsideDirectoryMessage(std::string_view ref, std::string_view folder) {
  return "The file, " + std::string(ref) + ", lies outside the directory, " + std::string(folder) +
         ", and will not be copied";
}

bool GenerateRequiredFilesList(std::string_view templateText, const std::string& folder,
                               ComplianceResult& result) {
  result.required_files.clear();
  result.source_paths.clear();
  const std::string text = LowerAscii(templateText);
  Scan scan{folder, result, {}};

  // Only the first background attribute counts. One without a closing quote, or too long to be a
  // path at all, is not listed; the length limit of sources does not apply to it.
  if (size_t at = text.find(kBackgroundAttribute); at != std::string::npos) {
    const size_t start = at + kBackgroundAttribute.size();
    const size_t close = text.find('"', start);
    if (close != std::string::npos && close - start < kMaxBackgroundLength) {
      scan.Add(std::string_view(text).substr(start, close - start));
    }
  }

  // Each search starts right after the previous opening quote, so the text is walked once.
  bool complete = true;
  for (size_t from = 0;;) {
    const size_t at = text.find(kSourceAttribute, from);
    if (at == std::string::npos) break;
    const size_t start = at + kSourceAttribute.size();
    const size_t close = text.find('"', start);
    if (close == std::string::npos) break;  // no quote left, hence no further attribute either
    if (close - start >= kMaxReferenceLength) {
      complete = false;
      break;
    }
    scan.Add(std::string_view(text).substr(start, close - start));
    from = start;
  }

  NoCaseResolver resolver;
  std::unordered_map<std::string, std::optional<std::string>> known;
  std::unordered_map<std::string, bool> leads_out;
  std::vector<std::string> listed;
  listed.swap(result.required_files);
  for (size_t i = 0; i < listed.size(); ++i) {
    auto [slot, fresh] = known.try_emplace(scan.inside[i]);
    if (fresh && scan.inside[i].find('\0') == std::string::npos) {
      // Normalising again can refuse what the first pass made: "a/../c:x" becomes "c:x", which
      // reads as a drive letter. Such a name is simply not found.
      const auto parts = RelativeParts(scan.inside[i]);
      if (parts) slot->second = resolver.Find(folder, *parts);
    }
    const std::optional<std::string>& found = slot->second;
    if (found) {
      auto [out, unknown] = leads_out.try_emplace(*found);
      if (unknown) out->second = !RealPathInside(*found, folder);
      if (out->second) {
        result.warnings.push_back("* " + OutsideDirectoryMessage(listed[i], folder));
        continue;
      }
    }
    result.required_files.push_back(listed[i]);
    result.source_paths.push_back(found ? *found : folder + scan.inside[i]);
    if (!found && complete) {
      result.warnings.push_back("* The file, " + listed[i] +
                                ", could not be located in the directory, " + folder);
    }
  }
  return complete;
}

ComplianceResult TestCompliancy(const std::string& templatePath, PageKind page,
                                TemplateMarkers& markers) {
  ComplianceResult result;
  result.template_path = templatePath;
  result.explanation = page == PageKind::Thumbnail ? kThumbnailExplanation : kImageExplanation;

  // A device or pipe named as the template would block or never end; only plain files are read.
  std::string text;
  if (!IsRegularFile(templatePath) || !ReadWholeFile(templatePath, &text, kMaxTemplateSize)) {
    result.warnings.push_back("* Error encountered loading the HTML file, " + templatePath);
    return result;
  }
  return TestComplianceOfText(text, templatePath, page, markers);
}

ComplianceResult TestComplianceOfText(std::string_view text, const std::string& templatePath,
                                      PageKind page, TemplateMarkers& markers) {
  ComplianceResult result;
  result.template_path = templatePath;
  result.explanation = page == PageKind::Thumbnail ? kThumbnailExplanation : kImageExplanation;
  result.loaded = true;

  MarkerFlags& found = result.found;
  found.content = text.find(kContentMarker) != std::string::npos;
  found.index = text.find(kIndexMarker) != std::string::npos;
  found.footer = text.find(kFooterMarker) != std::string::npos;
  found.header = text.find(kHeaderMarker) != std::string::npos;
  if (!found.content) {
    result.warnings.push_back(
        "* The text, ***CONTENT***, could not be located in your HTML file.  This text is "
        "required so that Parvel Pro knows where to insert the thumbnails or image.");
  }

  GenerateRequiredFilesList(text, DirectoryPart(templatePath), result);

  markers.For(page) = found;
  result.result = found.content;
  return result;
}

bool ConfirmCompliance(Interaction& ui, const ComplianceResult& result) {
  if (result.warnings.empty()) return true;
  return ui.Message(MessageKind::Confirmation, kComplianceQuestion, Buttons::YesNo) == Answer::Yes;
}

TemplateMarkers& ProgramTemplateMarkers() {
  static TemplateMarkers markers;
  return markers;
}

}  // namespace parvel
