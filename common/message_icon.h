#pragma once

// The icon of a message box: none, or the exclamation mark of a warning.

namespace suite {

enum class MessageIcon { None, Exclamation };

}  // namespace suite
