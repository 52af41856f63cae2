#include "TestFiles.h"

#include <atomic>
#include <fstream>
#include <random>
#include <stdexcept>

namespace quenlix::testing {

std::vector<std::string> RecordingHost::Texts() const
{
    std::vector<std::string> texts;
    for (const RecordedMessage& message : Messages) texts.push_back(message.Text);
    return texts;
}

TempDir::TempDir()
{
    static std::atomic<unsigned> serial{0};
    std::random_device seed;
    const auto base = std::filesystem::temp_directory_path();
    for (int attempt = 0; attempt < 100; ++attempt) {
        root_ = base / ("quenlix-test-" + std::to_string(seed()) + "-" + std::to_string(serial++));
        if (std::filesystem::create_directory(root_)) return;
    }
    throw std::runtime_error("cannot create a temporary folder");
}

TempDir::~TempDir()
{
    std::error_code ignored;
    std::filesystem::remove_all(root_, ignored);
}

void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!out) throw std::runtime_error("cannot write " + path);
}

std::vector<uint8_t> ReadBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + path);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WritePrefix(const std::string& source, const std::string& target, std::size_t count)
{
    std::vector<uint8_t> bytes = ReadBytes(source);
    bytes.resize(std::min(count, bytes.size()));
    WriteBytes(target, bytes);
}

}  // namespace quenlix::testing
