#pragma once
// The rocket profiles of the user, kept in the per-user settings store of
// the analysis program (user_settings_store.h), so the window, `tarvel
// --rocket NAME` and the logbook share them. Names match whatever their
// case: "Alpha" and "alpha" are one profile.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "rocket_profile.h"

namespace tarvel {

class RocketProfileStore {
public:
    // The names of the profiles, sorted whatever their case.
    std::vector<std::string> names() const;
    // The profile of that name; nullopt when there is none (or the store's
    // entry was edited into no rocket).
    std::optional<RocketProfile> profile(std::string_view name) const;
    bool contains(std::string_view name) const { return profile(name).has_value(); }
    // Adds the profile, or replaces the one of the same name; refuses a
    // profile checkRocketProfile or checkProfileName refuses, and says why the
    // store could not be written.
    Status save(const RocketProfile& profile);
    // Removes the profile of that name; false when there was none.
    bool remove(std::string_view name);

    // What to say of a name no profile has: the name and the names there are.
    std::string unknownNameMessage(std::string_view name) const;
};

}  // namespace tarvel
