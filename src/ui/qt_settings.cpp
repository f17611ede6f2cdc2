#include "ui/qt_settings.h"

namespace korvane::ui {

namespace {

QString qs(std::string_view s) { return QString::fromUtf8(s.data(), qsizetype(s.size())); }

bool same_name(const QString& stored, std::string_view name) {
    return common::fold_name(stored.toStdString()) == common::fold_name(name);
}

}  // namespace

QtSettings::QtSettings() : settings_(std::make_unique<QSettings>(QStringLiteral("Halvex"), QStringLiteral("Korvane"))) {}

QtSettings::QtSettings(const QString& ini_file) : settings_(std::make_unique<QSettings>(ini_file, QSettings::IniFormat)) {}

QString QtSettings::stored_group(std::string_view section) const {
    for (const QString& g : settings_->childGroups())
        if (same_name(g, section)) return g;
    return qs(section);
}

QString QtSettings::stored_key(const QString& group, std::string_view key) const {
    settings_->beginGroup(group);
    QString found = qs(key);
    for (const QString& k : settings_->childKeys())
        if (same_name(k, key)) {
            found = k;
            break;
        }
    settings_->endGroup();
    return found;
}

std::optional<std::string> QtSettings::get(std::string_view section, std::string_view key) const {
    QString group = stored_group(section);
    QString name = group + '/' + stored_key(group, key);
    QVariant v = settings_->value(name);
    if (!v.isValid()) return std::nullopt;
    return v.toString().toStdString();
}

void QtSettings::set(std::string_view section, std::string_view key, std::string_view value) {
    QString group = stored_group(section);
    settings_->setValue(group + '/' + stored_key(group, key), qs(value));
    settings_->sync();
}

}  // namespace korvane::ui
