// The desktop's keyring (the freedesktop.org Secret Service, through libsecret): the passwords of
// hosts the user asked the desktop to remember. Never a settings file. The desktop stores them;
// turnwheel only reads them.
#pragma once

#include <optional>
#include <string>

namespace parvel {

// The password kept for user@host; nullopt when none is kept or the keyring cannot be reached.
std::optional<std::string> KeyringPassword(const std::string& who);
// Keeps the password for user@host; false with the reason when the keyring refuses.
bool KeepKeyringPassword(const std::string& who, const std::string& password, std::string* error);
// Forgets the password kept for user@host.
void ForgetKeyringPassword(const std::string& who);

}  // namespace parvel
