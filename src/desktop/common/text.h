// The core's UTF-8 text as Qt text.
#pragma once

#include <QString>
#include <string_view>

namespace parvel {

// `text` (UTF-8) as a QString.
inline QString ToQ(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace parvel
