#include "model/SettingsStore.h"

#include <charconv>

namespace quenlix {

std::optional<int32_t> ParseInteger32(const std::string& text)
{
    const char* first = text.data();
    const char* last = first + text.size();
    // from_chars takes no "+", which the registry's integer texts may carry.
    if (first != last && *first == '+') ++first;
    int32_t value = 0;
    const auto [end, error] = std::from_chars(first, last, value);
    if (error != std::errc() || end != last || first == last) return std::nullopt;
    return value;
}

const MemorySettingsStore::Value* MemorySettingsStore::Find(const std::string& key, const std::string& name) const
{
    const auto values = keys_.find(key);
    if (values == keys_.end()) return nullptr;
    const auto value = values->second.find(name);
    return value == values->second.end() ? nullptr : &value->second;
}

std::optional<std::string> MemorySettingsStore::ReadString(const std::string& key, const std::string& name) const
{
    const Value* value = Find(key, name);
    if (value == nullptr) return std::nullopt;
    if (const auto* text = std::get_if<std::string>(value)) return *text;
    if (const auto* number = std::get_if<int32_t>(value)) return std::to_string(*number);
    return std::nullopt;
}

std::optional<int32_t> MemorySettingsStore::ReadInteger(const std::string& key, const std::string& name) const
{
    const Value* value = Find(key, name);
    if (value == nullptr) return std::nullopt;
    if (const auto* number = std::get_if<int32_t>(value)) return *number;
    if (const auto* text = std::get_if<std::string>(value)) return ParseInteger32(*text);
    return std::nullopt;
}

std::optional<std::vector<uint8_t>> MemorySettingsStore::ReadBinary(const std::string& key,
                                                                    const std::string& name) const
{
    const Value* value = Find(key, name);
    if (value == nullptr) return std::nullopt;
    if (const auto* bytes = std::get_if<std::vector<uint8_t>>(value)) return *bytes;
    return std::nullopt;
}

bool MemorySettingsStore::KeyExists(const std::string& key) const
{
    const auto values = keys_.find(key);
    return values != keys_.end() && !values->second.empty();
}

void MemorySettingsStore::WriteString(const std::string& key, const std::string& name, const std::string& value)
{
    keys_[key][name] = value;
}

void MemorySettingsStore::WriteInteger(const std::string& key, const std::string& name, int32_t value)
{
    keys_[key][name] = value;
}

void MemorySettingsStore::WriteBinary(const std::string& key, const std::string& name,
                                      const std::vector<uint8_t>& value)
{
    keys_[key][name] = value;
}

void MemorySettingsStore::Erase(const std::string& key, const std::string& name)
{
    const auto values = keys_.find(key);
    if (values != keys_.end()) values->second.erase(name);
}

}  // namespace quenlix
