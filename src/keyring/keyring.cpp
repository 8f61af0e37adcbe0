#include "keyring/keyring.h"

#include <libsecret/secret.h>

namespace parvel {
namespace {

const SecretSchema* Schema() {
  static const SecretSchema schema = {
      "org.parvelpro.Publish",
      SECRET_SCHEMA_NONE,
      {{"who", SECRET_SCHEMA_ATTRIBUTE_STRING}, {nullptr, SECRET_SCHEMA_ATTRIBUTE_STRING}},
      0,
      nullptr,
      nullptr,
      nullptr,
      nullptr,
      nullptr,
      nullptr,
      nullptr};
  return &schema;
}

}  // namespace

std::optional<std::string> KeyringPassword(const std::string& who) {
  GError* error = nullptr;
  gchar* password =
      secret_password_lookup_sync(Schema(), nullptr, &error, "who", who.c_str(), nullptr);
  if (error) g_error_free(error);
  if (!password) return std::nullopt;
  std::string result(password);
  secret_password_free(password);
  return result;
}

bool KeepKeyringPassword(const std::string& who, const std::string& password, std::string* error) {
  GError* failure = nullptr;
  const std::string label = "Parvel Pro: publishing as " + who;
  const bool ok =
      secret_password_store_sync(Schema(), SECRET_COLLECTION_DEFAULT, label.c_str(),
                                 password.c_str(), nullptr, &failure, "who", who.c_str(), nullptr);
  if (!ok && error) *error = failure ? failure->message : "the keyring refused it";
  if (failure) g_error_free(failure);
  return ok;
}

void ForgetKeyringPassword(const std::string& who) {
  secret_password_clear_sync(Schema(), nullptr, nullptr, "who", who.c_str(), nullptr);
}

}  // namespace parvel
