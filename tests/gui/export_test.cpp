// File > Export... and the toolbox's "Export These Packets" as a user meets them,
// with the save dialog answered by the test: the file written, the message that
// tells how many frames, the question before replacing a file asked once.
// With QUENLIX_GUI_SHOTS set to a folder, the toolbox's picture is saved there.

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QTest>

#include "FrameBuilder.h"
#include "FrameCapture.h"
#include "GuiTestSupport.h"
#include "SnifferWriter.h"
#include "ui/analysis/FathomToolboxForm.h"
#include "ui/main/MainForm.h"

namespace quenlix::guitest {

namespace {

namespace tb = quenlix::testing;

// Six frames: an ARP request, a TCP exchange of four frames between 10.0.0.1
// (port 1031) and 10.0.0.2 (HTTP), and a UDP datagram between two other hosts.
void WriteTrace(const QString& path)
{
    const tb::Mac client = tb::MacOf(1), server = tb::MacOf(2), other = tb::MacOf(3);
    const tb::Ip clientIp = tb::IpOf(10, 0, 0, 1), serverIp = tb::IpOf(10, 0, 0, 2);
    const tb::Mac broadcast = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
    std::vector<tb::Bytes> frames = {tb::Padded(tb::EthernetII(broadcast, client, 0x0806, tb::Bytes(28, 0)))};
    frames.push_back(tb::TcpFrame(server, client, clientIp, serverIp, {1031, 80, 1000, 0, 0x02, 8192, 1460, {}, false}));
    frames.push_back(tb::TcpFrame(client, server, serverIp, clientIp, {80, 1031, 5000, 1001, 0x12, 8192, 1460, {}, false}));
    frames.push_back(
        tb::TcpFrame(server, client, clientIp, serverIp, {1031, 80, 1001, 5001, 0x18, 8192, 0, tb::Bytes(100, 'G'), false}));
    frames.push_back(
        tb::TcpFrame(client, server, serverIp, clientIp, {80, 1031, 5001, 1101, 0x18, 8192, 0, tb::Bytes(900, 'R'), false}));
    frames.push_back(tb::UdpFrame(other, tb::MacOf(4), tb::IpOf(10, 0, 0, 4), tb::IpOf(10, 0, 0, 3), 2000, 3000,
                                  tb::Bytes(40, 'U')));
    std::vector<tb::SnifferFrame> records;
    for (std::size_t i = 0; i < frames.size(); ++i) records.push_back({i * 10'000, frames[i]});
    tb::WriteSnifferFile(path.toStdString(), {}, records);
}

void SaveShot(QWidget& window, const QString& name)
{
    const QString folder = qEnvironmentVariable("QUENLIX_GUI_SHOTS");
    if (folder.isEmpty()) return;
    QDir().mkpath(folder);
    QApplication::processEvents();
    window.grab().save(QDir(folder).filePath(name));
}

// The frames of an exported file as the program's own reader gives them.
std::size_t ExportedFrames(const QString& path)
{
    tb::CaptureOptions options;
    options.Format = kFormatPcapNG;
    SilentHost host;
    return tb::CaptureFrames(path.toStdString(), options, host).Frames.size();
}

}  // namespace

class ExportTest : public QObject {
    Q_OBJECT

private slots:
    void FileExportWritesTheWholeTrace();
    void ToolboxExportsItsConversation();
};

void ExportTest::FileExportWritesTheWholeTrace()
{
    Scratch scratch;
    const QString trace = scratch.Path("mixed.enc");
    WriteTrace(trace);
    ModalWatcher watcher;
    auto program = StartProgram(scratch);
    program->ShowMainWindow();
    TMainForm& form = program->MainForm();
    QVERIFY(!form.Action("Export1")->isEnabled());
    OpenTrace(*program, trace);
    QVERIFY(form.Action("Export1")->isEnabled());

    std::string offered;
    const QString output = scratch.Path("mixed.pcapng");
    form.ChooseExportFileFor = [&](QWidget*, const std::string& suggested) {
        offered = suggested;
        return ExportChoice{output.toStdString(), QFile::exists(output)};
    };
    form.Action("Export1")->trigger();
    QCOMPARE(QString::fromStdString(offered), output);
    QCOMPARE(watcher.Messages.size(), std::size_t{1});
    QCOMPARE(watcher.Messages[0].Icon, QMessageBox::Information);
    QCOMPARE(watcher.Messages[0].Text, "Exported 6 frames to " + output);
    QCOMPARE(ExportedFrames(output), std::size_t{6});

    // Replacing the file was answered in the dialog: no second question.
    watcher.Messages.clear();
    form.Action("Export1")->trigger();
    QCOMPARE(watcher.Messages.size(), std::size_t{1});
    QCOMPARE(watcher.Messages[0].Icon, QMessageBox::Information);

    // A cancelled dialog writes nothing and says nothing.
    watcher.Messages.clear();
    form.ChooseExportFileFor = [](QWidget*, const std::string&) { return ExportChoice{}; };
    form.Action("Export1")->trigger();
    QVERIFY(watcher.Messages.empty());
}

void ExportTest::ToolboxExportsItsConversation()
{
    Scratch scratch;
    const QString trace = scratch.Path("mixed.enc");
    WriteTrace(trace);
    ModalWatcher watcher;
    auto program = StartProgram(scratch);
    program->ShowMainWindow();
    OpenTrace(*program, trace);
    const QString output = scratch.Path("conversation.pcapng");
    program->MainForm().ChooseExportFileFor = [&](QWidget*, const std::string&) {
        return ExportChoice{output.toStdString(), false};
    };
    program->MainForm().OpenToolboxForStation("10.0.0.1", "");
    TFathomToolboxForm& toolbox = program->FathomToolboxForm();
    QCOMPARE(toolbox.Selection().SenderText, std::string("10.0.0.1"));
    // The button row still fits a 1024-pixel screen.
    QVERIFY(toolbox.minimumSizeHint().width() <= 1024);
    SaveShot(toolbox, "toolbox-export.png");
    toolbox.findChild<QPushButton*>("ExportBtn")->click();
    QCOMPARE(watcher.Messages.size(), std::size_t{1});
    QCOMPARE(watcher.Messages[0].Text, "Exported 4 frames to " + output);
    QCOMPARE(ExportedFrames(output), std::size_t{4});
}

int RunTests(int argc, char** argv)
{
    ExportTest test;
    return QTest::qExec(&test, argc, argv);
}

}  // namespace quenlix::guitest

#include "export_test.moc"
