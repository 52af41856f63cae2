#pragma once
// Persistent user settings: typed named values grouped in keys, as the registry
// holds them on the analysers' home platform. Keys are paths below the program's
// own settings root, with "/" between their parts ("Recent Files",
// "3.01b/Display"). The desktop application stores them with QSettings; tests
// and batch tools use the in-memory store below.

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace quenlix {

class SettingsStore {
public:
    virtual ~SettingsStore() = default;

    // The text of a value; nullopt when the value is missing. An integer value
    // reads as its decimal text.
    [[nodiscard]] virtual std::optional<std::string> ReadString(const std::string& key,
                                                                const std::string& name) const = 0;

    // An integer value, or a text value that is a whole decimal number within
    // 32 bits; nullopt when the value is missing or is no such number.
    [[nodiscard]] virtual std::optional<int32_t> ReadInteger(const std::string& key, const std::string& name) const = 0;

    // A binary value; nullopt when it is missing or not binary.
    [[nodiscard]] virtual std::optional<std::vector<uint8_t>> ReadBinary(const std::string& key,
                                                                         const std::string& name) const = 0;

    // True when the key holds at least one value.
    [[nodiscard]] virtual bool KeyExists(const std::string& key) const = 0;

    virtual void WriteString(const std::string& key, const std::string& name, const std::string& value) = 0;
    virtual void WriteInteger(const std::string& key, const std::string& name, int32_t value) = 0;
    virtual void WriteBinary(const std::string& key, const std::string& name, const std::vector<uint8_t>& value) = 0;
};

// Reads text as a whole decimal number within 32 bits (an optional sign, digits,
// nothing else); nullopt otherwise.
[[nodiscard]] std::optional<int32_t> ParseInteger32(const std::string& text);

// Settings held in memory, for tests and for tools that persist nothing.
class MemorySettingsStore : public SettingsStore {
public:
    [[nodiscard]] std::optional<std::string> ReadString(const std::string& key, const std::string& name) const override;
    [[nodiscard]] std::optional<int32_t> ReadInteger(const std::string& key, const std::string& name) const override;
    [[nodiscard]] std::optional<std::vector<uint8_t>> ReadBinary(const std::string& key,
                                                                 const std::string& name) const override;
    [[nodiscard]] bool KeyExists(const std::string& key) const override;
    void WriteString(const std::string& key, const std::string& name, const std::string& value) override;
    void WriteInteger(const std::string& key, const std::string& name, int32_t value) override;
    void WriteBinary(const std::string& key, const std::string& name, const std::vector<uint8_t>& value) override;

    // Removes one value (a missing one is no error).
    void Erase(const std::string& key, const std::string& name);

private:
    using Value = std::variant<std::string, int32_t, std::vector<uint8_t>>;
    const Value* Find(const std::string& key, const std::string& name) const;

    std::map<std::string, std::map<std::string, Value>> keys_;
};

}  // namespace quenlix
