// What the desktop program holds for its whole run, and its start-up and shut-down steps that
// need no window: the default navigation images, and saving the options and recent lists.
#pragma once

#include <string_view>

#include "model/catalogue.h"
#include "model/options.h"
#include "model/sitesettings.h"

namespace parvel {

inline constexpr std::string_view kSaveSettingsFailedMessage =
    "Error encountered saving your settings!  You may be out of disk space!";

struct AppState {
  AppOptions options;
  RecentTemplates recent;
  Catalogue catalogue;
  SiteSettings settings;  // the one page settings record of the run
};

// Offers the Samples folder's Previous.gif and Next.gif as the previous/next navigation images;
// image buttons for them are switched on when both are there.
void OfferDefaultNavigationImages(SiteSettings& settings);

// Writes options.ini and then the recent lists, holding the data directory's settings lock as
// the command line programs do. Every write is attempted even after one failed. False when any
// failed; `lock_error` receives why the lock could not be had (the writes are made all the same:
// no other program writes these files).
bool SaveAppSettings(const AppState& state, std::string* lock_error);

}  // namespace parvel
