// Feeds arbitrary template text to the compliance test, as if the template lay in a small folder
// made once per process. Checked: the marker flags are exactly the markers in the text and are
// stored for the template's kind; every listed reference is lower case, "/"-separated, shorter
// than its length limit and has a source path inside the folder. Its time is linear in the text,
// so a slow input shows as a libFuzzer timeout.
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>

#include "base/textutil.h"
#include "fuzz_support.h"
#include "templates/compliance.h"

namespace {

std::string g_folder;

void Touch(const std::filesystem::path& path) {
  std::filesystem::create_directories(path.parent_path());
  std::ofstream(path) << "x";
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  g_folder = "/tmp/parvel-compliance-fuzz-" + std::to_string(::getpid()) + "/";
  Touch(g_folder + "back.gif");
  Touch(g_folder + "Images/Logo.PNG");
  Touch(g_folder + "a/b/c.jpg");
  std::atexit([] {
    std::error_code ec;
    std::filesystem::remove_all(g_folder, ec);
  });
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace parvel;
  if (size == 0) return 0;
  const bool thumbnails = (data[0] & 1) != 0;
  const std::string_view text = fuzz::Text(data + 1, size - 1);
  TemplateMarkers markers;
  const ComplianceResult result = TestComplianceOfText(
      text, g_folder + "page.htm", thumbnails ? PageKind::Thumbnail : PageKind::Image, markers);

  const MarkerFlags& found = result.found;
  fuzz::Check(result.loaded);
  fuzz::Check(found.content == (text.find(kContentMarker) != std::string_view::npos));
  fuzz::Check(found.index == (text.find(kIndexMarker) != std::string_view::npos));
  fuzz::Check(found.header == (text.find(kHeaderMarker) != std::string_view::npos));
  fuzz::Check(found.footer == (text.find(kFooterMarker) != std::string_view::npos));
  fuzz::Check(result.result == found.content);
  const MarkerFlags& stored = markers.For(thumbnails ? PageKind::Thumbnail : PageKind::Image);
  fuzz::Check(stored.content == found.content && stored.index == found.index &&
              stored.header == found.header && stored.footer == found.footer);
  fuzz::Check(found.content || !result.warnings.empty());

  fuzz::Check(result.required_files.size() == result.source_paths.size());
  for (std::size_t i = 0; i < result.required_files.size(); ++i) {
    const std::string& ref = result.required_files[i];
    // The first may be the background, which has a limit of its own.
    fuzz::Check(!ref.empty() && ref.size() < (i == 0 ? kMaxBackgroundLength : kMaxReferenceLength));
    fuzz::Check(ref == LowerAscii(ref) && ref.find('\\') == std::string::npos);
    fuzz::Check(result.source_paths[i].starts_with(g_folder));
    fuzz::Check(result.source_paths[i].find("/../") == std::string::npos);
  }
  return 0;
}
