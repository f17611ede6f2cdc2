#include "common/settings.h"

#include "common/text.h"

namespace korvane::common {

std::string fold_name(std::string_view name) { return to_lower_ascii(name); }

void save_ini(SettingsStore& store, std::string_view key, std::string_view value) {
    store.set(kSettingsSection, key, value);
}

std::string load_ini(const SettingsStore& store, std::string_view key, std::string_view default_value) {
    auto v = store.get(kSettingsSection, key);
    return v ? *v : std::string(default_value);
}

std::optional<std::string> MemorySettings::get(std::string_view section, std::string_view key) const {
    auto it = values_.find({fold_name(section), fold_name(key)});
    if (it == values_.end()) return std::nullopt;
    return it->second.value;
}

void MemorySettings::set(std::string_view section, std::string_view key, std::string_view value) {
    auto [it, inserted] = values_.try_emplace({fold_name(section), fold_name(key)});
    if (inserted) it->second.spelling = std::string(key);
    it->second.value = std::string(value);
}

std::optional<std::string> MemorySettings::key_spelling(std::string_view section, std::string_view key) const {
    auto it = values_.find({fold_name(section), fold_name(key)});
    if (it == values_.end()) return std::nullopt;
    return it->second.spelling;
}

}  // namespace korvane::common
