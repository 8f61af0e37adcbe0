#include "platform/trash.h"

#include <gio/gio.h>

namespace parvel {

TrashResult TrashPath(const std::string& path, std::string* error) {
  // "link/" would name the link's target; the entry itself is wanted.
  std::string entry = path;
  while (entry.size() > 1 && entry.back() == '/') entry.pop_back();
  GFile* file = g_file_new_for_path(entry.c_str());
  GError* failure = nullptr;
  const gboolean trashed = g_file_trash(file, nullptr, &failure);
  g_object_unref(file);
  if (trashed) return TrashResult::Trashed;
  // GIO says "not supported" when the file system has no Trash folder it may use or make.
  const TrashResult result = g_error_matches(failure, G_IO_ERROR, G_IO_ERROR_NOT_SUPPORTED)
                                 ? TrashResult::NoTrash
                                 : TrashResult::Failed;
  if (error) {
    const std::string message = failure && failure->message ? failure->message : "not moved";
    *error = message.find(entry) == std::string::npos ? entry + ": " + message : message;
  }
  if (failure) g_error_free(failure);
  return result;
}

}  // namespace parvel
