#include "model/sitesettings.h"

#include <utility>

#include "base/textutil.h"
#include "model/catalogue.h"
#include "model/inifile.h"
#include "model/paths.h"
#include "model/settingskeys.h"

namespace parvel {

std::string RotationSection(int rotation) {
  return "Rotation_" + IntToStr(rotation);
}

bool LoadRotation(Interaction& ui, SiteSettings& settings, const SiteContext& site, int rotation,
                  RotationLoad load) {
  BusyCursor busy(ui);
  // An unreadable file reads as an empty one: every key is then missing.
  IniFile ini(SiteSettingsFileName(site.site_key));
  ini.Load();
  return LoadRotationFrom(ini, settings, site, rotation, load);
}

bool LoadRotationFrom(const IniFile& ini, SiteSettings& settings, const SiteContext& site,
                      int rotation, RotationLoad load) {
  if (load.make_current) settings.current_rotation = rotation;
  return ReadRotationKeys(ini, RotationSection(rotation), settings,
                          {site, rotation, load.with_path, load.make_current});
}

void WriteRotationSection(IniFile& ini, const SiteSettings& settings, int rotation,
                          SavedKeys keys) {
  WriteRotationKeys(ini, RotationSection(rotation), settings, keys);
}

namespace {

bool SaveSection(Interaction& ui, const SiteSettings& settings, const SiteSettings* baseline,
                 const SiteContext& site, int rotation, SavedKeys keys) {
  if (rotation < 0) return true;
  BusyCursor busy(ui);
  IniFile ini(SiteSettingsFileName(site.site_key));
  // Saving over a file that could not be read would lose its other sections.
  bool ok = ini.Load();
  if (ok) {
    const std::string before = ini.Serialize();
    WriteRotationKeys(ini, RotationSection(rotation), settings, keys, baseline);
    // With nothing changed here, the file is left as another program may just have saved it.
    ok = (baseline && ini.Serialize() == before) || ini.Save();
  }
  if (!ok) ui.Warn(kSaveRotationWarning);
  return ok;
}

}  // namespace

bool SaveRotation(Interaction& ui, const SiteSettings& settings, const SiteContext& site,
                  int rotation, SavedKeys keys) {
  return SaveSection(ui, settings, nullptr, site, rotation, keys);
}

bool SaveRotationChanges(Interaction& ui, const SiteSettings& settings,
                         const SiteSettings& baseline, const SiteContext& site, int rotation,
                         SavedKeys keys) {
  return SaveSection(ui, settings, &baseline, site, rotation, keys);
}

void ClearHeadersAndFooters(SiteSettings& s) {
  for (std::string* field :
       {&s.Header_File, &s.Header_HTML, &s.Footer_File, &s.Footer_HTML, &s.Image_Header_File,
        &s.Image_Header_HTML, &s.Image_Footer_File, &s.Image_Footer_HTML}) {
    field->clear();
  }
  s.Header_Mode = HeaderMode::None;
  s.Footer_Mode = HeaderMode::None;
  // The switch is what a save writes for the mode.
  for (auto [mode, same] : {std::pair{&s.Image_Header_Mode, &s.Image_Header_Same_As_Index},
                            std::pair{&s.Image_Footer_Mode, &s.Image_Footer_Same_As_Index}}) {
    *same = *mode == ImageHeaderMode::SameAsIndex;
    if (!*same) *mode = ImageHeaderMode::None;
  }
}

void SetDefaultValues(SiteSettings& s) {
  if (!kHeadingSizeChoices.Holds(s.Page_Position_Heading_Size)) s.Page_Position_Heading_Size = 0;
  if (!kLinkEnclosureChoices.Holds(s.Link_Enclosure)) s.Link_Enclosure = 0;
  if (!kFontSizeChoices.Holds(s.Default_Font_Size)) s.Default_Font_Size = 0;
  if (!kFontSizeChoices.Holds(s.Index_Font_Size)) s.Index_Font_Size = 0;
  if (!kImageHeaderModeChoices.Holds(s.Image_Header_Mode)) {
    s.Image_Header_Mode = ImageHeaderMode::SameAsIndex;
    s.Image_Header_Same_As_Index = true;
  }
  if (!kImageHeaderModeChoices.Holds(s.Image_Footer_Mode)) {
    s.Image_Footer_Mode = ImageHeaderMode::SameAsIndex;
    s.Image_Footer_Same_As_Index = true;
  }
  if (!kDisplayMethodChoices.Holds(s.Image_Display_Method))
    s.Image_Display_Method = DisplayMethod::SameWindow;
  // A colour is always Default or a colour (a picked one included), never without a choice.
}

CurrentStatus Displaycurrentstatus(const SiteSettings& settings, bool use_rotations) {
  CurrentStatus status;
  const std::string subject = use_rotations ? "This Rotation" : "This Site";
  if (settings.Status == RotationStatus::New || settings.Status == RotationStatus::Opened) {
    status.line = subject + " has NOT been built";
  } else if (settings.Status == RotationStatus::Built) {
    status.line = subject + " has been built";
  }
  status.preview_enabled = settings.Status == RotationStatus::Built;
  return status;
}

std::string EditorTitle(int rotation, bool use_rotations) {
  return use_rotations ? "Rotation " + IntToStr(rotation) : "Current Site";
}

}  // namespace parvel
