// A site for the page maker tests: a folder with a thumbnail and an image template that hold only
// the content marker (so a page is its content), settings pointing at them, and a context.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "builder/pagecontext.h"
#include "builder/rotheadr.h"
#include "model/sitesettings.h"
#include "support/scripted_interaction.h"
#include "support/testsupport.h"

namespace parvel::testing {

constexpr std::string_view kCrLf = "\r\n";

struct PageSite {
  TempDir dir;
  SiteSettings settings;
  TemplateMarkers markers;
  ScriptedInteraction ui;
  HeaderFooterRotation rotation{settings, markers};

  PageSite() {
    settings.Rotation_Path = dir.path();
    settings.Style_File = dir / "thumbs.htm";
    settings.Image_Style_File = dir / "image.htm";
    WriteFile(settings.Style_File, "***CONTENT***");
    WriteFile(settings.Image_Style_File, "***CONTENT***");
  }

  // A context over `images`; the promotional line always draws its first sentence.
  PageContext Context(std::vector<std::string> images) {
    return PageContext{.settings = settings,
                       .site_dir = dir.path(),
                       .base_html_name = "Index.html",
                       .images = std::move(images),
                       .headers = &rotation,
                       .draw = [] { return 1; }};
  }

  std::string Page(std::string_view name) const { return ReadFile(dir / name); }
};

// "img01.jpg" .. "imgNN.jpg".
inline std::vector<std::string> NumberedImages(int count) {
  std::vector<std::string> names;
  for (int i = 1; i <= count; ++i) {
    names.push_back((i < 10 ? "img0" : "img") + std::to_string(i) + ".jpg");
  }
  return names;
}

}  // namespace parvel::testing
