// A driver that runs a fuzz target's LLVMFuzzerTestOneInput on every file of the
// folders (or the files) it is given, without libFuzzer: the kept corpus is
// replayed this way by the normal test build. A broken rule aborts; the handler
// names the input that did it.
//
//   replay_<target> FOLDER_OR_FILE...

#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <unistd.h>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size);
extern "C" __attribute__((weak)) int LLVMFuzzerInitialize(int* argc, char*** argv);

namespace {

char current[4096] = "";

void NameInput(int signal)
{
    const char text[] = "replay: the input that failed: ";
    (void)!write(2, text, sizeof text - 1);
    (void)!write(2, current, std::strlen(current));
    (void)!write(2, "\n", 1);
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

int Replay(const std::filesystem::path& file)
{
    std::snprintf(current, sizeof current, "%s", file.string().c_str());
    std::ifstream in(file, std::ios::binary);
    const std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    // A copy of exactly the input's size, so that a read past its end is caught.
    std::vector<uint8_t> data(bytes.begin(), bytes.end());
    LLVMFuzzerTestOneInput(data.empty() ? nullptr : data.data(), data.size());
    return 1;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s FOLDER_OR_FILE...\n", argv[0]);
        return 2;
    }
    for (int signal : {SIGABRT, SIGSEGV, SIGBUS, SIGFPE}) std::signal(signal, NameInput);
    if (LLVMFuzzerInitialize != nullptr) LLVMFuzzerInitialize(&argc, &argv);
    int replayed = 0;
    for (int i = 1; i < argc; ++i) {
        const std::filesystem::path path = argv[i];
        if (std::filesystem::is_directory(path)) {
            for (const auto& entry : std::filesystem::directory_iterator(path))
                if (entry.is_regular_file() && entry.path().extension() != ".md") replayed += Replay(entry.path());
        } else if (std::filesystem::is_regular_file(path)) {
            replayed += Replay(path);
        } else {
            std::fprintf(stderr, "replay: no such corpus: %s\n", argv[i]);
            return 1;
        }
    }
    std::printf("%s: %d inputs replayed soundly\n", argv[0], replayed);
    return 0;
}
