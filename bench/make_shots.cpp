// Pictures of the toolbox and its analysis windows for a look by eye: opens a
// trace in the program, selects each conversation asked for, saves every
// window as a PNG and prints the open windows to one PDF per conversation.
//
// usage: quenlix-shots OUTFOLDER TRACE SOURCE DESTINATION APP-TEXT-PART [...]
//   (the last four repeat; APP-TEXT-PART is any part of the application's text)
//   TRACE "problems" writes and opens a conversation with a problem of every kind.

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QPrinter>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>

#include "ProblemConversation.h"
#include "app/gui/QuenlixProgram.h"
#include "ui/analysis/ExpertAnalysisForm.h"
#include "ui/analysis/FathomToolboxForm.h"
#include "ui/main/MainForm.h"
#include "ui/print/PrintContent.h"
#include "ui/print/PrintSelectionForm.h"

using namespace quenlix;

namespace {

void Settle()
{
    for (int i = 0; i < 20; ++i) QApplication::processEvents();
}

void Save(QWidget& window, const QString& path)
{
    window.raise();
    Settle();
    window.grab().save(path);
    std::printf("%s\n", path.toUtf8().constData());
}

}  // namespace

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    if (argc < 7 || (argc - 3) % 4 != 0) {
        std::fprintf(stderr, "usage: quenlix-shots OUTFOLDER TRACE SOURCE DESTINATION APP [SOURCE DESTINATION APP NAME]...\n");
        return 2;
    }
    const QString out = argv[1];
    QDir().mkpath(out);
    QTemporaryDir scratch;
    StartupOptions options;
    options.SettingsFile = scratch.filePath("quenlix.ini");
    options.ProgramFolder = QCoreApplication::applicationDirPath().toStdString();
    options.SplashMilliseconds = 0;
    QuenlixProgram program(options);
    program.ShowMainWindow();
    std::string trace = argv[2];
    if (trace == "problems") {
        trace = (out + "/problems.enc").toStdString();
        testing::WriteSnifferFile(trace, {}, testing::ProblemConversationFrames());
    }
    program.MainForm().ProcessFile(trace);
    TFathomToolboxForm& toolbox = program.FathomToolboxForm();
    for (int i = 3; i + 3 < argc; i += 4) {
        const QString name = argv[i + 3];
        toolbox.Preselect({argv[i], "", argv[i + 1], "", ""});
        program.MainForm().AnalyzeBtnClick();
        const ToolboxSelection& s = toolbox.Selection();
        for (size_t app = 0; app < s.AppItems.size(); ++app)
            if (s.AppItems[app].find(argv[i + 2]) != std::string::npos) {
                toolbox.AppBoxChange(static_cast<int>(app));
                break;
            }
        std::printf("%s: %s -> %s %s\n", name.toUtf8().constData(), s.SenderText.c_str(), s.ResponderText.c_str(),
                    s.ConversationText.c_str());
        toolbox.resize(1000, 700);
        Save(toolbox, out + "/" + name + "-toolbox.png");
        toolbox.LatencyBtnClick();
        Save(program.LatencyAnalysisForm(), out + "/" + name + "-latency.png");
        program.LatencyAnalysisForm().LoadAnalysisClick(true);
        if (program.WhatIfAnalysisForm().isVisible()) Save(program.WhatIfAnalysisForm(), out + "/" + name + "-whatif.png");
        toolbox.ThruputBtnClick();
        Save(program.ThroughputAnalysisForm(), out + "/" + name + "-throughput.png");
        toolbox.ProblemBtnClick();
        if (program.ProblemAnalysisForm().isVisible()) Save(program.ProblemAnalysisForm(), out + "/" + name + "-problems.png");

        TPrintSelectionForm& print = program.PrintSelectionForm();
        print.FormActivate();
        for (size_t c = 0; c < kPrintChoiceCount; ++c) print.Check(c)->setChecked(c >= 3);
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(out + "/" + name + ".pdf");
        print.PrintSelectedWindows(printer);
        std::printf("%s\n", (out + "/" + name + ".pdf").toUtf8().constData());
        for (QWidget* w : std::initializer_list<QWidget*>{&program.WhatIfAnalysisForm(), &program.ProblemAnalysisForm(),
                                                          &program.ThroughputAnalysisForm(), &program.LatencyAnalysisForm()})
            w->close();
    }
    return 0;
}
