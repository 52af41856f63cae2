// A trace file is only ever read. Reading a trace of every format (detection,
// topology and the read itself, as the main window does them) must leave the
// file's bytes and modification time as they were, open it for reading only, and
// create nothing beside it.
//
// The tests run as root in CI, where a file mode of 0444 does not stop a write, so
// the mode alone proves nothing. Two checks hold for root as for anyone: the
// kernel's inotify events on the file and its folder (a write, a change of
// attributes, a file opened for writing and closed, or a new file all raise one),
// and the access mode of every descriptor the process holds on the file while it
// is read (from /proc/self/fdinfo, looked at from the ReadHost callbacks).

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "../../fuzz/SampleTraces.h"
#include "FrameCapture.h"
#include "TestFiles.h"
#include "TraceImage.h"
#include "import/TraceImport.h"

namespace quenlix::testing {
namespace {

namespace fs = std::filesystem;

// The open-file flags of every descriptor of this process that refers to path.
std::vector<long> OpenFlagsOf(const fs::path& path)
{
    std::vector<long> flags;
    std::error_code error;
    const fs::path target = fs::canonical(path, error);
    if (error) return flags;
    for (const auto& entry : fs::directory_iterator("/proc/self/fd", error)) {
        std::error_code linkError;
        if (fs::read_symlink(entry.path(), linkError) != target || linkError) continue;
        std::ifstream info("/proc/self/fdinfo/" + entry.path().filename().string());
        std::string key;
        while (info >> key) {
            if (key != "flags:") continue;
            std::string octal;
            info >> octal;
            flags.push_back(std::strtol(octal.c_str(), nullptr, 8));
            break;
        }
    }
    return flags;
}

// Looks at the descriptors of the trace (and of an address table) whenever the
// core calls back during a read.
class WatchingHost : public ReadHost {
public:
    explicit WatchingHost(std::vector<fs::path> files) : files_(std::move(files)) {}

    void PumpEvents() override { Look(); }
    void ReadStarted(const AnalysisState&) override { Look(); }
    void ShowMessage(MessageIcon, const std::string&, const std::string& text) override { Messages.push_back(text); }

    int DescriptorsSeen = 0;
    std::vector<std::string> Faults;
    std::vector<std::string> Messages;

private:
    void Look()
    {
        for (const fs::path& file : files_) {
            for (long flags : OpenFlagsOf(file)) {
                ++DescriptorsSeen;
                if ((flags & O_ACCMODE) != O_RDONLY || (flags & (O_APPEND | O_TRUNC | O_CREAT)) != 0) {
                    std::ostringstream text;
                    text << file.filename() << " open with flags 0" << std::oct << flags;
                    Faults.push_back(text.str());
                }
            }
        }
    }

    std::vector<fs::path> files_;
};

// inotify on a folder: the events that mean something was written or created there.
class FolderWatch {
public:
    explicit FolderWatch(const fs::path& folder)
    {
        fd_ = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
        if (fd_ >= 0) inotify_add_watch(fd_, folder.c_str(), IN_MODIFY | IN_ATTRIB | IN_CLOSE_WRITE | IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO | IN_OPEN);
    }
    ~FolderWatch()
    {
        if (fd_ >= 0) close(fd_);
    }
    FolderWatch(const FolderWatch&) = delete;
    FolderWatch& operator=(const FolderWatch&) = delete;

    bool Working() const { return fd_ >= 0; }

    // Drains the queued events: the names written to, and the names opened.
    void Collect(std::set<std::string>& written, std::set<std::string>& opened)
    {
        alignas(inotify_event) char buffer[8192];
        for (;;) {
            const ssize_t got = read(fd_, buffer, sizeof buffer);
            if (got <= 0) return;
            for (char* at = buffer; at < buffer + got;) {
                const auto* event = reinterpret_cast<const inotify_event*>(at);
                const std::string name = event->len > 0 ? event->name : "";
                if ((event->mask & IN_OPEN) != 0) opened.insert(name);
                if ((event->mask & ~(IN_OPEN | IN_ISDIR)) != 0) written.insert(name);
                at += sizeof(inotify_event) + event->len;
            }
        }
    }

private:
    int fd_ = -1;
};

struct FileStamp {
    std::vector<uint8_t> Bytes;
    timespec Modified{};
    mode_t Mode = 0;
};

FileStamp StampOf(const fs::path& path)
{
    struct stat info {};
    EXPECT_EQ(stat(path.c_str(), &info), 0) << path;
    return {ReadBytes(path.string()), info.st_mtim, info.st_mode};
}

// Writes a file, makes it read-only and dates it in the past, so that a write would show.
void PlantReadOnly(const fs::path& path, const std::vector<uint8_t>& bytes)
{
    WriteBytes(path.string(), bytes);
    const timespec past[2] = {{981173106, 0}, {981173106, 0}};  // 2001-02-03
    ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), past, 0), 0);
    fs::permissions(path, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
}

void ExpectUnchanged(const fs::path& path, const FileStamp& before)
{
    const FileStamp after = StampOf(path);
    EXPECT_EQ(after.Bytes, before.Bytes) << path << " changed";
    EXPECT_EQ(after.Modified.tv_sec, before.Modified.tv_sec) << path;
    EXPECT_EQ(after.Modified.tv_nsec, before.Modified.tv_nsec) << path;
    EXPECT_EQ(after.Mode, before.Mode) << path;
}

std::set<std::string> FolderNames(const fs::path& folder)
{
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) names.insert(entry.path().filename().string());
    return names;
}

class ReadOnly : public ::testing::Test {
protected:
    // Detects and reads path as the main window does, with the Observer address table
    // (when there is one) in the same folder; checks every rule of the guarantee.
    void ExpectReadOnly(const fs::path& path, const fs::path& table = {})
    {
        std::vector<fs::path> files{path};
        if (!table.empty()) files.push_back(table);
        std::vector<FileStamp> before;
        for (const fs::path& file : files) before.push_back(StampOf(file));
        const std::set<std::string> namesBefore = FolderNames(path.parent_path());

        FolderWatch watch(path.parent_path());
        ASSERT_TRUE(watch.Working()) << "inotify is not available";
        WatchingHost host(files);
        AnalysisState state;
        state.Options.AddressTableFolder = path.parent_path().string() + "/";
        const TraceFormatCode format = DetectAndRead(state, path.string(), host);

        ASSERT_NE(format, kFormatUnknown) << "not recognised: " << path.filename();
        EXPECT_GT(state.TotalFrames, 0);
        EXPECT_GT(host.DescriptorsSeen, 0) << "the trace was not seen open during its read";
        EXPECT_TRUE(host.Faults.empty()) << host.Faults.front();
        std::set<std::string> written;
        std::set<std::string> opened;
        watch.Collect(written, opened);
        EXPECT_TRUE(written.empty()) << "written or created: " << *written.begin();
        for (const fs::path& file : files) EXPECT_EQ(opened.count(file.filename().string()), 1u) << file << " was not read";
        for (std::size_t i = 0; i < files.size(); ++i) ExpectUnchanged(files[i], before[i]);
        EXPECT_EQ(FolderNames(path.parent_path()), namesBefore);
    }

    TempDir dir;
};

// Every format and both topologies, each trace in a folder of its own.
TEST_F(ReadOnly, TracesOfEveryFormatAreOnlyRead)
{
    std::vector<fuzz::Frame> frames;
    for (uint32_t seed = 0; seed < 5; ++seed) {
        std::vector<uint8_t> bytes = SampleBytes(64 + seed * 150, seed);
        bytes[0] = 0x02;  // unicast: no reader takes the frame for filler
        frames.push_back({bytes, seed * 2500.0});
    }
    TempDir scratch;
    std::set<TraceFormatCode> formats;
    int index = 0;
    for (const fuzz::Trace& trace : fuzz::WriterTraces(frames, scratch)) {
        SCOPED_TRACE(trace.Name + ", format " + std::to_string(CodeIndex(trace.Format)) + ", topology " + std::to_string(CodeIndex(trace.Topology)));
        const fs::path folder = dir.Path("trace" + std::to_string(index++));
        fs::create_directories(folder);
        const fs::path path = folder / trace.Name;
        PlantReadOnly(path, trace.Data);
        ExpectReadOnly(path);
        formats.insert(trace.Format);
    }
    EXPECT_EQ(formats.size(), 16u);
}

// An Observer trace brings its station names in a table beside it: the table is only read too.
TEST_F(ReadOnly, ObserverAddressTableIsOnlyRead)
{
    AddressTableEntry entry;
    entry.Mac = {0x02, 0x00, 0x00, 0x00, 0x00, 0x01};
    entry.Name = "server";
    ObserverOptions options;
    options.TableName = "site.adr";
    ObserverPacket packet;
    packet.Bytes = SampleBytes(100, 3);
    packet.Bytes[0] = 0x02;
    const fs::path folder = dir.Path("observer");
    fs::create_directories(folder);
    const fs::path table = folder / "site.adr";
    PlantReadOnly(table, BuildAddressTable({entry}));
    PlantReadOnly(folder / "trace.bfr", BuildObserverTrace(options, {packet, packet}).Bytes);
    ExpectReadOnly(folder / "trace.bfr", table);
}

// The real captures too.
TEST_F(ReadOnly, RealCapturesAreOnlyRead)
{
    const fs::path captures = fs::path(QUENLIX_SOURCE_DIR) / ".." / "shared" / "captures";
    if (!fs::exists(captures / "zoo-a.enc")) GTEST_SKIP() << "the real captures are not at " << captures;
    for (const char* name : {"zoo-a.enc", "zoo-a.cap", "zoo-a.tr1"}) {
        SCOPED_TRACE(name);
        const fs::path folder = dir.Path(std::string("capture-") + name);
        fs::create_directories(folder);
        PlantReadOnly(folder / name, ReadBytes((captures / name).string()));
        ExpectReadOnly(folder / name);
    }
}

}  // namespace
}  // namespace quenlix::testing
