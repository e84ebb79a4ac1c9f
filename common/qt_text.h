#pragma once

// Our texts are UTF-8 in std::string; the widgets take QString.

#include <QString>
#include <string_view>

namespace suite {

inline QString qs(std::string_view text) { return QString::fromUtf8(text.data(), qsizetype(text.size())); }

}  // namespace suite
