// A site for the build tests: a site folder beside a folder of templates and graphics, settings
// pointing at them, a scripted user and the build's inputs.
#pragma once

#include <filesystem>
#include <string>

#include "builder/build.h"
#include "imaging/pixelgraphic.h"
#include "model/paths.h"
#include "platform/filesystem.h"
#include "support/scripted_interaction.h"
#include "support/testsupport.h"

namespace parvel::testing {

inline constexpr std::string_view kTemplate =
    "<HTML><BODY>\r\n***HEADER***\r\n***INDEX***\r\n***CONTENT***\r\n***FOOTER***\r\n</BODY></"
    "HTML>";

// `image` as a `width` x `height` area of `colour`.
inline void Fill(PixelGraphic& image, int width, int height, Rgb colour) {
  image.SetSize(width, height);
  image.Canvas().BrushColor = colour;
  image.Canvas().FillRect({0, 0, width, height});
}

// A small JPEG (64x48), so that thumbnails are quick to make.
inline void MakeJpeg(const std::string& path, Rgb colour = {200, 30, 30}) {
  PixelGraphic image;
  Fill(image, 64, 48, colour);
  ASSERT_TRUE(SaveToJpeg(image, path, 80, false)) << path;
}

inline int Count(std::string_view text, std::string_view part) {
  int count = 0;
  for (size_t at = text.find(part); at != text.npos; at = text.find(part, at + 1)) ++count;
  return count;
}

struct Site {
  TempDir dir;
  std::string site = dir / "site/";
  std::string styles = dir / "styles/";
  SiteSettings settings;
  ScriptedInteraction ui;
  BuildInputs inputs;

  Site() {
    // The records of what builds wrote go to the data directory: this test's own.
    SetDataDirectory(dir / "data/");
    std::filesystem::create_directories(site);
    std::filesystem::create_directories(styles);
    settings.Rotation_Path = site;
    settings.Style_File = styles + "thumbs.htm";
    settings.Image_Style_File = styles + "image.htm";
    WriteFile(settings.Style_File, kTemplate);
    WriteFile(settings.Image_Style_File, kTemplate);
  }

  // "img01.jpg" .. "imgNN.jpg" in the site directory.
  void AddImages(int count) {
    for (int i = 1; i <= count; ++i)
      MakeJpeg(site + (i < 10 ? "img0" : "img") + std::to_string(i) + ".jpg");
  }

  // Checks, fills the list and presses Start, as the dialog does; false when any step stops.
  bool Build(BuildState& state, bool unattended = true) {
    return state.PreBuildChecks(unattended) && (state.FillImageList(), state.Start());
  }

  bool Build(bool unattended = true) {
    BuildState state(ui, settings, inputs);
    return Build(state, unattended);
  }

  std::string Page(std::string_view name) const { return ReadFile(site + std::string(name)); }
  bool Exists(std::string_view name) const { return PathExists(site + std::string(name)); }
};

}  // namespace parvel::testing
