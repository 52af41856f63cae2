#include "app/gui/QtSettingsStore.h"

namespace quenlix {

namespace {

QString KeyPath(const std::string& key, const std::string& name)
{
    return QString::fromStdString(key + "/" + name);
}

}  // namespace

QtSettingsStore::QtSettingsStore() : settings_(std::make_unique<QSettings>("Kolm Group", "Quenlix")) {}

QtSettingsStore::QtSettingsStore(const QString& iniFile)
    : settings_(std::make_unique<QSettings>(iniFile, QSettings::IniFormat))
{
}

std::unique_ptr<QtSettingsStore> QtSettingsStore::LocalMachine()
{
#ifdef Q_OS_WIN
    auto settings = std::make_unique<QSettings>("HKEY_LOCAL_MACHINE", QSettings::NativeFormat);
#else
    auto settings = std::make_unique<QSettings>(QSettings::IniFormat, QSettings::SystemScope, "Kolm Group", "LocalMachine");
#endif
    return std::unique_ptr<QtSettingsStore>(new QtSettingsStore(std::move(settings)));
}

std::optional<std::string> QtSettingsStore::ReadString(const std::string& key, const std::string& name) const
{
    const QVariant value = settings_->value(KeyPath(key, name));
    if (!value.isValid() || value.typeId() == QMetaType::QByteArray) return std::nullopt;
    // A list (a value with commas in an INI file that was edited by hand) is no text value.
    if (value.typeId() == QMetaType::QStringList) return std::nullopt;
    return value.toString().toStdString();
}

std::optional<int32_t> QtSettingsStore::ReadInteger(const std::string& key, const std::string& name) const
{
    const std::optional<std::string> text = ReadString(key, name);
    return text ? ParseInteger32(*text) : std::nullopt;
}

std::optional<std::vector<uint8_t>> QtSettingsStore::ReadBinary(const std::string& key, const std::string& name) const
{
    const QVariant value = settings_->value(KeyPath(key, name));
    if (value.typeId() != QMetaType::QByteArray) return std::nullopt;
    const QByteArray bytes = value.toByteArray();
    return std::vector<uint8_t>(bytes.begin(), bytes.end());
}

bool QtSettingsStore::KeyExists(const std::string& key) const
{
    settings_->beginGroup(QString::fromStdString(key));
    const bool exists = !settings_->childKeys().isEmpty();
    settings_->endGroup();
    return exists;
}

void QtSettingsStore::WriteString(const std::string& key, const std::string& name, const std::string& value)
{
    settings_->setValue(KeyPath(key, name), QString::fromStdString(value));
}

void QtSettingsStore::WriteInteger(const std::string& key, const std::string& name, int32_t value)
{
    settings_->setValue(KeyPath(key, name), value);
}

void QtSettingsStore::WriteBinary(const std::string& key, const std::string& name, const std::vector<uint8_t>& value)
{
    settings_->setValue(KeyPath(key, name),
                        QByteArray(reinterpret_cast<const char*>(value.data()), static_cast<qsizetype>(value.size())));
}

}  // namespace quenlix
