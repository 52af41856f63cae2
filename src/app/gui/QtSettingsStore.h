#pragma once
// The settings store of the desktop application: QSettings under
// "Kolm Group" / "Quenlix", or an INI file given by path (tests).

#include <QSettings>
#include <memory>

#include "model/SettingsStore.h"

namespace quenlix {

class QtSettingsStore : public SettingsStore {
public:
    // The user's own settings of the program.
    QtSettingsStore();
    // Settings kept in the given INI file.
    explicit QtSettingsStore(const QString& iniFile);
    // The local machine's settings of other programs, read only (the Observer
    // analyser's current address table): the registry's local-machine hive on
    // Windows, a system-wide INI file ("Kolm Group/LocalMachine.ini") elsewhere.
    static std::unique_ptr<QtSettingsStore> LocalMachine();

    std::optional<std::string> ReadString(const std::string& key, const std::string& name) const override;
    std::optional<int32_t> ReadInteger(const std::string& key, const std::string& name) const override;
    std::optional<std::vector<uint8_t>> ReadBinary(const std::string& key, const std::string& name) const override;
    bool KeyExists(const std::string& key) const override;
    void WriteString(const std::string& key, const std::string& name, const std::string& value) override;
    void WriteInteger(const std::string& key, const std::string& name, int32_t value) override;
    void WriteBinary(const std::string& key, const std::string& name, const std::vector<uint8_t>& value) override;

    // Writes pending changes to their file.
    void Flush() { settings_->sync(); }

private:
    explicit QtSettingsStore(std::unique_ptr<QSettings> settings) : settings_(std::move(settings)) {}

    std::unique_ptr<QSettings> settings_;
};

}  // namespace quenlix
