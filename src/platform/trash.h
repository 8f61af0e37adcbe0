// The desktop's Trash (the freedesktop.org Trash specification), reached through GLib's GIO as
// file managers reach it, so that what the program deletes for the user can be restored.
#pragma once

#include <string>

#include "platform/filesystem.h"

namespace parvel {

// Moves `path` itself to the Trash: a symbolic link goes as a link and its target's files stay
// where they are; a trailing separator is ignored. A file on the home directory's file system goes
// to $XDG_DATA_HOME/Trash, elsewhere to that file system's own Trash folder. NoTrash when there is
// none the program may use (`error` says why); Failed for any other cause, `error` naming the path
// and the cause.
TrashResult TrashPath(const std::string& path, std::string* error);

}  // namespace parvel
