#pragma once
// The settings store of the program on QSettings (organisation "Halvex"): each section is a
// group, each key a key, so the panel and the tools keep the same keys as the batch runner's
// store. Names compare without regard to ASCII case, as in every store; a key keeps the spelling
// under which it was first written.
#include <QSettings>

#include <memory>

#include "common/settings.h"

namespace korvane::ui {

class QtSettings : public common::SettingsStore {
public:
    // The user's settings of the program (QSettings' native place for "Halvex"/"Korvane").
    QtSettings();
    // Settings in the given INI file (tests).
    explicit QtSettings(const QString& ini_file);

    std::optional<std::string> get(std::string_view section, std::string_view key) const override;
    void set(std::string_view section, std::string_view key, std::string_view value) override;
    QSettings& qsettings() { return *settings_; }

private:
    // The group and key as stored, when the setting exists under another spelling.
    QString stored_group(std::string_view section) const;
    QString stored_key(const QString& group, std::string_view key) const;
    std::unique_ptr<QSettings> settings_;
};

}  // namespace korvane::ui
