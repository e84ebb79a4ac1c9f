#include "rocket_profile_store.h"

#include <QString>
#include <algorithm>

#include "number_text.h"
#include "user_settings_store.h"

namespace tarvel {

namespace {

// One array in the store, [rocketProfiles] with 1\name=..., 1\weight_kg=...:
// an array takes any name, where a group of the name would not ("/" or "\").
const char* const kArray = "rocketProfiles";
const char* const kName = "name";
struct Key {
    const char* name;
    double RocketProfile::*value;
};
constexpr Key kKeys[] = {
    {"weight_kg", &RocketProfile::weightKg},
    {"propellant_kg", &RocketProfile::propellantKg},
    {"diameter_m", &RocketProfile::diameterM},
    {"drag_coefficient", &RocketProfile::dragCoefficient},
    {"motor_duration_s", &RocketProfile::motorDurationS},
};

QString qtext(std::string_view text) { return QString::fromUtf8(text.data(), qsizetype(text.size())); }

bool sameName(std::string_view a, std::string_view b) {
    return qtext(a).compare(qtext(b), Qt::CaseInsensitive) == 0;
}

// Every profile of the store that is a rocket, in the stored order.
std::vector<RocketProfile> readAll(QSettings& settings) {
    std::vector<RocketProfile> profiles;
    const int count = settings.beginReadArray(kArray);
    for (int i = 0; i < count; ++i) {
        settings.setArrayIndex(i);
        RocketProfile p;
        p.name = settings.value(kName).toString().toStdString();
        bool numbers = true;
        for (const Key& key : kKeys) {
            // Written as "." numbers whatever the locale, read back the same way.
            const std::optional<double> value =
                parseNumber(settings.value(key.name).toString().toStdString());
            numbers = numbers && value.has_value();
            p.*key.value = value.value_or(0);
        }
        const bool duplicate = std::any_of(profiles.begin(), profiles.end(),
                                           [&](const RocketProfile& q) { return sameName(q.name, p.name); });
        if (numbers && !duplicate && checkProfileName(p.name).ok && checkRocketProfile(p).ok)
            profiles.push_back(std::move(p));
    }
    settings.endArray();
    return profiles;
}

void writeAll(QSettings& settings, const std::vector<RocketProfile>& profiles) {
    settings.remove(kArray);
    settings.beginWriteArray(kArray, int(profiles.size()));
    for (size_t i = 0; i < profiles.size(); ++i) {
        settings.setArrayIndex(int(i));
        settings.setValue(kName, qtext(profiles[i].name));
        for (const Key& key : kKeys)
            settings.setValue(key.name, qtext(shortestText(profiles[i].*key.value).value_or("0")));
    }
    settings.endArray();
}

}  // namespace

std::vector<std::string> RocketProfileStore::names() const {
    UserSettingsStore store;
    std::vector<std::string> names;
    for (RocketProfile& p : readAll(store.settings())) names.push_back(std::move(p.name));
    std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
        return qtext(a).compare(qtext(b), Qt::CaseInsensitive) < 0;
    });
    return names;
}

std::optional<RocketProfile> RocketProfileStore::profile(std::string_view name) const {
    UserSettingsStore store;
    const std::string wanted = trimmedProfileName(name);
    for (RocketProfile& p : readAll(store.settings()))
        if (sameName(p.name, wanted)) return std::move(p);
    return std::nullopt;
}

Status RocketProfileStore::save(const RocketProfile& profile) {
    RocketProfile named = profile;
    named.name = trimmedProfileName(profile.name);
    if (Status check = checkProfileName(named.name); !check.ok) return check;
    if (Status check = checkRocketProfile(named); !check.ok) return check;
    UserSettingsStore store;
    std::vector<RocketProfile> profiles = readAll(store.settings());
    const auto same = std::find_if(profiles.begin(), profiles.end(),
                                   [&](const RocketProfile& p) { return sameName(p.name, named.name); });
    if (same != profiles.end())
        *same = std::move(named);
    else
        profiles.push_back(std::move(named));
    writeAll(store.settings(), profiles);
    return store.save();
}

bool RocketProfileStore::remove(std::string_view name) {
    UserSettingsStore store;
    std::vector<RocketProfile> profiles = readAll(store.settings());
    const std::string wanted = trimmedProfileName(name);
    const auto kept = std::remove_if(profiles.begin(), profiles.end(),
                                     [&](const RocketProfile& p) { return sameName(p.name, wanted); });
    if (kept == profiles.end()) return false;
    profiles.erase(kept, profiles.end());
    writeAll(store.settings(), profiles);
    return store.save().ok;
}

std::string RocketProfileStore::unknownNameMessage(std::string_view name) const {
    const std::vector<std::string> known = names();
    std::string message = "no rocket profile is named \"" + std::string(name) + "\"";
    if (known.empty()) return message + " (none is saved yet)";
    message += " (saved: ";
    for (size_t i = 0; i < known.size(); ++i) message += (i ? ", \"" : "\"") + known[i] + "\"";
    return message + ")";
}

}  // namespace tarvel
