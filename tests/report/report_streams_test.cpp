// The report and its messages sharing one terminal or file: the report is held
// in a buffer, the messages are not, and each message still starts on a line of
// its own, after the report text written before it.

#include <gtest/gtest.h>

#include <memory>
#include <ostream>
#include <sstream>
#include <string>

#include "PcapWriter.h"
#include "report_support.h"

namespace quenlix {
namespace {

using namespace reporttest;

// Standard output and standard error redirected to one file: the report reaches
// the file only when its stream is flushed (or its buffer fills), a message at once.
class OneFile : public ::testing::Test {
protected:
    class HeldUntilFlush : public std::stringbuf {
    public:
        explicit HeldUntilFlush(std::string& file) : file_(file) {}

    protected:
        int sync() override
        {
            file_ += str();
            str("");
            return 0;
        }

    private:
        std::string& file_;
    };

    class Unbuffered : public std::streambuf {
    public:
        explicit Unbuffered(std::string& file) : file_(file) {}

    protected:
        int_type overflow(int_type c) override
        {
            if (!traits_type::eq_int_type(c, traits_type::eof())) file_ += traits_type::to_char_type(c);
            return traits_type::not_eof(c);
        }
        std::streamsize xsputn(const char* text, std::streamsize count) override
        {
            file_.append(text, static_cast<std::size_t>(count));
            return count;
        }

    private:
        std::string& file_;
    };

    // Whether the text appears in the file as a whole line.
    bool HasLine(const std::string& line) const { return ("\n" + file).find("\n" + line + "\n") != std::string::npos; }

    std::string file;
    HeldUntilFlush reportBuffer{file};
    Unbuffered messageBuffer{file};
    std::ostream out{&reportBuffer};
    std::ostream err{&messageBuffer};
};

TEST_F(OneFile, AMessageFollowsTheReportWrittenBeforeIt)
{
    auto state = std::make_unique<AnalysisState>();
    ReportHost host(*state, out, err, false);
    out << "\nClient/Server Expert\n";
    host.ShowMessage(MessageIcon::Information, "Quenlix", "1 frame was longer than 18,000 bytes.");
    out << "Client  Server\n";
    out.flush();
    EXPECT_EQ(file, "\nClient/Server Expert\n1 frame was longer than 18,000 bytes.\nClient  Server\n");
}

// A frame of 20,000 bytes is clipped, and the read says so on standard error.
TEST_F(OneFile, TheClippedFramesMessageOfAReadStandsOnItsOwnLine)
{
    TempFolder folder;
    const std::string path = folder.File("long.pcap");
    std::vector<testing::PcapPacket> packets(3);
    for (std::size_t k = 0; k < packets.size(); ++k) {
        packets[k].Bytes = tb::Padded(tb::EthernetII(tb::MacOf(2), tb::MacOf(1), 0x9999, {}), k == 1 ? 20000 : 60);
        packets[k].Stamp = 1'000'000 * k;
    }
    testing::BuildPcapTrace({}, packets).Save(path);

    ReportEnvironment environment;
    environment.ProgramFolder = QUENLIX_BIN_DIR;
    EXPECT_EQ(RunReport({path}, out, err, environment), kExitComplete);
    out.flush();
    const std::string message = "1 frame was longer than 18,000 bytes: only its first 18,000 bytes were analysed.";
    // Once as the read's message, once among the report's read status lines.
    EXPECT_EQ(file.find(message + "\n"), 0u) << file;
    EXPECT_NE(file.find("\n" + message + "\n"), std::string::npos) << file;
    EXPECT_TRUE(HasLine("Client/Server Expert")) << file;
}

}  // namespace
}  // namespace quenlix
