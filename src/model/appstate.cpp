#include "model/appstate.h"

#include "model/paths.h"
#include "platform/filelock.h"
#include "platform/filesystem.h"

namespace parvel {

void OfferDefaultNavigationImages(SiteSettings& settings) {
  const std::string previous = DataDirectory() + "Samples/Previous.gif";
  const std::string next = DataDirectory() + "Samples/Next.gif";
  if (FileExists(previous)) settings.Previous_Page_File = previous;
  if (FileExists(next)) settings.Next_Page_File = next;
  if (!settings.Previous_Page_File.empty() && !settings.Next_Page_File.empty()) {
    settings.prev_next_image_buttons = true;
  }
}

bool SaveAppSettings(const AppState& state, std::string* lock_error) {
  const FileLock lock(DataDirectory());
  if (!lock.held() && lock_error) *lock_error = lock.error();
  const bool options_saved = state.options.Write();
  const bool lists_saved = state.recent.Write();
  return options_saved && lists_saved;
}

}  // namespace parvel
