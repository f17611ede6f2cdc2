#pragma once
// The per-user settings store: text values under a section and a key.
//
// Key and section names are compared without regard to ASCII case: every
// implementation folds them to lower case for lookup (fold_name), so "Filepath"
// written and "FILEPATH" read are the same setting. A store keeps the spelling
// under which a key was first written, for people reading the file; later
// writes under another spelling change only the value. Non-ASCII letters are
// compared as they are.
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace korvane::common {

// The application and the section all of the system's settings live under.
inline constexpr std::string_view kSettingsApplication = "Halvex";
inline constexpr std::string_view kSettingsSection = "参数设定";

// Lower-case ASCII folding of a key or section name.
std::string fold_name(std::string_view name);

class SettingsStore {
public:
    virtual ~SettingsStore() = default;
    // The value stored under the key, or nothing.
    virtual std::optional<std::string> get(std::string_view section, std::string_view key) const = 0;
    // Stores the value (persistent stores write through at once).
    virtual void set(std::string_view section, std::string_view key, std::string_view value) = 0;
};

// Writes value under key in section "参数设定".
void save_ini(SettingsStore& store, std::string_view key, std::string_view value);
// The value under key in section "参数设定", or default_value when none is stored.
std::string load_ini(const SettingsStore& store, std::string_view key, std::string_view default_value = "");

// A store in memory (tests, runs that must not touch the user's settings).
class MemorySettings : public SettingsStore {
public:
    std::optional<std::string> get(std::string_view section, std::string_view key) const override;
    void set(std::string_view section, std::string_view key, std::string_view value) override;
    // The spelling under which the key was first written.
    std::optional<std::string> key_spelling(std::string_view section, std::string_view key) const;
    size_t size() const { return values_.size(); }

private:
    struct Entry {
        std::string spelling;
        std::string value;
    };
    std::map<std::pair<std::string, std::string>, Entry> values_;
};

// A store in an INI file (UTF-8, "[section]" lines and "key=value" lines).
//
// The file is read when the store is made (a missing file is an empty store;
// a file that exists but cannot be read is a FileError) and rewritten
// atomically on every set, creating its folder when needed. Everything else in
// the file — other sections, other keys, comments, blank lines — is kept as
// it was. Values are written as they are, except that '%', CR, LF and blanks
// or tabs at either end are written as %25, %0D, %0A, %20, %09 (and such
// %XX sequences are decoded on reading); on reading, blanks and tabs around
// a value are ignored, so hand-written "key = value" lines work. Lines starting
// with ';' or '#' are comments. When a key occurs twice, the first counts.
class IniSettings : public SettingsStore {
public:
    explicit IniSettings(std::filesystem::path file);
    std::optional<std::string> get(std::string_view section, std::string_view key) const override;
    void set(std::string_view section, std::string_view key, std::string_view value) override;
    const std::filesystem::path& file() const { return file_; }

private:
    enum class Kind { Other, Section, Entry };
    struct Line {
        Kind kind = Kind::Other;
        std::string raw;
        std::string folded;  // section or key name, folded
        std::string value;   // decoded value of an entry
    };
    std::filesystem::path file_;
    std::vector<Line> lines_;
    void save() const;
};

}  // namespace korvane::common
