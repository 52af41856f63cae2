// Printing: the print selection window's choices, margins and settings, and
// print runs into PDF files, checked by reading the files back: one page per
// printed window, the job title, the captured picture and the header line.

#include <QAction>
#include <QCheckBox>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <map>
#include <stdexcept>

#include "GuiTestSupport.h"
#include "SnifferWriter.h"
#include "app/gui/QtSettingsStore.h"
#include "ui/main/MainForm.h"
#include "ui/main/TipContent.h"
#include "ui/misc/HelpForm.h"
#include "ui/print/PrintSelectionForm.h"
#include "ui/print/PrintStatusForm.h"

namespace quenlix::guitest {

namespace {

// A PDF read just enough to check it. Page contents are zlib streams; text is
// written in them as glyph numbers, which the font's ToUnicode map turns back
// into characters. The page's picture is an image object of its own.
class PdfFile {
public:
    explicit PdfFile(const QString& path)
    {
        QFile file(path);
        if (file.open(QIODevice::ReadOnly)) bytes_ = file.readAll();
        ReadStreams();
        ReadUnicodeMaps();
    }

    bool Loaded() const { return bytes_.startsWith("%PDF-"); }

    int PageCount() const { return static_cast<int>(PageContents().size()); }

    // The document title, a UTF-16 text string in the information dictionary.
    QString Title() const
    {
        const qsizetype start = bytes_.indexOf("/Title (");
        if (start < 0) return {};
        const qsizetype first = start + 8;
        const qsizetype end = bytes_.indexOf(")\n", first);
        const QByteArray raw = bytes_.mid(first, end - first);
        if (!raw.startsWith("\xFE\xFF")) return QString::fromLatin1(raw);
        QString title;
        for (qsizetype i = 2; i + 1 < raw.size(); i += 2)
            title += QChar(static_cast<char16_t>(static_cast<uint8_t>(raw[i]) << 8 | static_cast<uint8_t>(raw[i + 1])));
        return title;
    }

    // The text shown on each page, in page order, blanks collapsed. Compatibility
    // normalisation turns the ligature glyphs a font may use ("ff" in DejaVu Sans)
    // back into their letters, so the text does not depend on the fonts installed.
    QStringList PageTexts() const
    {
        QStringList texts;
        for (const QByteArray& content : PageContents())
            texts << DecodeText(content).normalized(QString::NormalizationForm_KC).simplified();
        return texts;
    }

    // The sizes of the pictures, in the order they were written.
    QList<QSize> ImageSizes() const
    {
        static const QRegularExpression width(R"(/Width (\d+))");
        static const QRegularExpression height(R"(/Height (\d+))");
        QList<QSize> sizes;
        for (const Stream& stream : streams_) {
            if (!stream.Dictionary.contains("/Subtype /Image")) continue;
            const QString dictionary = QString::fromLatin1(stream.Dictionary);
            sizes << QSize(width.match(dictionary).captured(1).toInt(), height.match(dictionary).captured(1).toInt());
        }
        return sizes;
    }

private:
    struct Stream {
        int Object = -1;
        QByteArray Dictionary;
        QByteArray Data;  // inflated when the stream was compressed
    };

    static QByteArray Inflate(const QByteArray& data)
    {
        // qUncompress reads zlib data behind a 4-byte size hint; it grows its buffer as needed.
        QByteArray framed(4, '\0');
        const quint32 hint = static_cast<quint32>(data.size()) * 8 + 1024;
        for (int i = 0; i < 4; ++i) framed[i] = static_cast<char>(hint >> (24 - 8 * i));
        return qUncompress(framed + data);
    }

    void ReadStreams()
    {
        qsizetype at = 0;
        while ((at = bytes_.indexOf(">>\nstream\n", at)) >= 0) {
            const qsizetype start = at + 10;
            const qsizetype end = bytes_.indexOf("\nendstream", start);
            if (end < 0) break;
            const qsizetype header = bytes_.lastIndexOf(" 0 obj", at);
            const qsizetype line = bytes_.lastIndexOf('\n', header) + 1;
            Stream stream;
            stream.Object = bytes_.mid(line, header - line).toInt();
            stream.Dictionary = bytes_.mid(header, at - header);
            stream.Data = bytes_.mid(start, end - start);
            if (stream.Dictionary.contains("/FlateDecode")) stream.Data = Inflate(stream.Data);
            streams_.push_back(stream);
            at = end;
        }
    }

    // The ToUnicode maps: "<lo> <hi> <first>" and "<lo> <hi> [<u1> <u2> ...]"
    // ranges, and "<code> <unicode>" pairs.
    void ReadUnicodeMaps()
    {
        static const QRegularExpression token(R"(<([0-9A-Fa-f]+)>|\[|\])");
        for (const Stream& stream : streams_) {
            const QString text = QString::fromLatin1(stream.Data);
            for (const char* kind : {"bfrange", "bfchar"}) {
                qsizetype at = 0;
                while ((at = text.indexOf(QString("begin") + kind, at)) >= 0) {
                    const qsizetype end = text.indexOf(QString("end") + kind, at);
                    QStringList tokens;
                    for (auto match = token.globalMatch(text.mid(at, end - at)); match.hasNext();) {
                        const QRegularExpressionMatch next = match.next();
                        tokens << (next.captured(1).isEmpty() ? next.captured(0) : next.captured(1));
                    }
                    if (QString(kind) == "bfrange") AddRanges(tokens);
                    else AddPairs(tokens);
                    at = end;
                }
            }
        }
    }

    static QString Utf16(const QString& hex)
    {
        QString text;
        for (qsizetype i = 0; i + 4 <= hex.size(); i += 4)
            text += QChar(static_cast<char16_t>(hex.mid(i, 4).toUInt(nullptr, 16)));
        return text;
    }

    void AddRanges(const QStringList& tokens)
    {
        for (qsizetype i = 0; i + 2 < tokens.size();) {
            const uint low = tokens[i].toUInt(nullptr, 16);
            const uint high = tokens[i + 1].toUInt(nullptr, 16);
            if (tokens[i + 2] == "[") {
                i += 3;
                for (uint code = low; i < tokens.size() && tokens[i] != "]"; ++code, ++i)
                    unicode_[code] = Utf16(tokens[i]);
                ++i;
                continue;
            }
            const uint first = tokens[i + 2].toUInt(nullptr, 16);
            for (uint code = low; code <= high && code - low < 65536; ++code)
                unicode_[code] = QChar(static_cast<char16_t>(first + code - low));
            i += 3;
        }
    }

    void AddPairs(const QStringList& tokens)
    {
        for (qsizetype i = 0; i + 1 < tokens.size(); i += 2)
            unicode_[tokens[i].toUInt(nullptr, 16)] = Utf16(tokens[i + 1]);
    }

    // The content streams of the pages, in page order.
    std::vector<QByteArray> PageContents() const
    {
        static const QRegularExpression page(R"(/Type /Page\n(?:[^>]*?)/Contents (\d+) 0 R)");
        std::vector<QByteArray> contents;
        for (auto match = page.globalMatch(QString::fromLatin1(bytes_)); match.hasNext();) {
            const int object = match.next().captured(1).toInt();
            for (const Stream& stream : streams_)
                if (stream.Object == object) contents.push_back(stream.Data);
        }
        return contents;
    }

    // The glyph strings shown with Tj, each glyph a 2-byte code.
    QString DecodeText(const QByteArray& content) const
    {
        static const QRegularExpression shown(R"(<([0-9A-Fa-f]*)>\s*Tj)");
        QString text;
        for (auto match = shown.globalMatch(QString::fromLatin1(content)); match.hasNext();) {
            const QString hex = match.next().captured(1);
            for (qsizetype i = 0; i + 4 <= hex.size(); i += 4) {
                const auto found = unicode_.find(hex.mid(i, 4).toUInt(nullptr, 16));
                const QString glyph = found == unicode_.end() ? QString("?") : found->second;
                // Qt maps the blank's glyph to a tab; any control character reads as a blank.
                for (QChar c : glyph) text += c.unicode() < 0x20 ? QChar(' ') : c;
            }
        }
        return text;
    }

    QByteArray bytes_;
    std::vector<Stream> streams_;
    std::map<uint, QString> unicode_;
};

// Ethernet frames as a Sniffer trace, so that the main window shows figures.
void WriteTrace(const QString& path)
{
    std::vector<testing::SnifferFrame> frames;
    for (int i = 0; i < 40; ++i) {
        std::vector<uint8_t> bytes(60 + i * 10, 0);
        for (int b = 0; b < 6; ++b) bytes[static_cast<size_t>(b)] = i % 8 == 0 ? 0xFF : static_cast<uint8_t>(0x10 + b);
        for (int b = 6; b < 12; ++b) bytes[static_cast<size_t>(b)] = static_cast<uint8_t>(0x20 + b);
        bytes[12] = 0x08;
        frames.push_back({static_cast<uint64_t>(i) * 25000, bytes});
    }
    testing::WriteSnifferFile(path.toStdString(), testing::SnifferFileOptions{}, frames);
}

std::unique_ptr<QPrinter> PdfPrinter(const QString& path)
{
    auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    printer->setOutputFormat(QPrinter::PdfFormat);
    printer->setOutputFileName(path);
    return printer;
}

// The main window's client area: the window below its menu bar.
QSize ClientSize(TMainForm& form)
{
    return {form.width(), form.height() - form.menuWidget()->geometry().bottom() - 1};
}

// A window standing in for one of the analysis windows. Once armed, it presses
// the status window's Cancel when it is next painted, that is, captured.
class StandIn : public QWidget {
public:
    StandIn(int width, int height) { resize(width, height); }

    void ArmCancel(TPrintStatusForm& status)
    {
        QVERIFY(QTest::qWaitForWindowExposed(this));
        QApplication::processEvents();
        cancel_ = &status;
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        if (cancel_ != nullptr) cancel_->CancelButton()->click();
        cancel_ = nullptr;
    }

private:
    TPrintStatusForm* cancel_ = nullptr;
};

QToolButton* SpinArrow(TPrintSelectionForm& print, const char* spin, bool up)
{
    auto* box = print.findChild<QWidget*>(spin);
    return box == nullptr ? nullptr : box->findChild<QToolButton*>(up ? "UpButton" : "DownButton");
}

}  // namespace

class PrintTest : public QObject {
    Q_OBJECT

private slots:
    void SelectionWindowFollowsTheOpenWindows();
    void MarginsHeaderAndOutputGoToTheSettings();
    void PrintsTheMainWindowToAPdf();
    void PrintsOnePagePerSelectedWindow();
    void CancelStopsTheWindowsNotYetStarted();
    void UnwritableFileFailsAndClosesTheStatus();
    void PrinterSetupChoosesThePrinterThatOkPrintsOn();
    void F1OpensThePrintHelpPage();
};

void PrintTest::SelectionWindowFollowsTheOpenWindows()
{
    Scratch scratch;
    auto program = StartProgram(scratch);
    program->ShowMainWindow();
    TMainForm& form = program->MainForm();
    TPrintSelectionForm& print = program->PrintSelectionForm();
    print.show();

    QCOMPARE(print.windowTitle(), QString("Print"));
    // Only the main window is open, so only it can be chosen.
    QVERIFY(print.Check(0)->isEnabled());
    QVERIFY(print.CheckButton(0)->isEnabled());
    QCOMPARE(print.Check(0)->text(), QString("Main Window"));
    QCOMPARE(print.Check(7)->text(), QString("\"What If\" Analysis"));
    for (size_t i = 1; i < kPrintChoiceCount; ++i) {
        QVERIFY(!print.Check(i)->isEnabled());
        QVERIFY(!print.CheckButton(i)->isEnabled());
    }
    QVERIFY(print.OkButton()->isEnabled());
    // The speed button toggles its box; with nothing checked OK is off.
    print.CheckButton(0)->click();
    QVERIFY(!print.Check(0)->isChecked());
    QVERIFY(!print.OkButton()->isEnabled());
    // A checked box counts for OK even when it is disabled.
    print.Check(7)->setChecked(true);
    print.EnableOkBtn();
    QVERIFY(print.OkButton()->isEnabled());
    // The window's tips show while it is up, and the page's come back after.
    QVERIFY(form.CurrentTipSet() == tips::PrintSelection());
    QVERIFY(form.TipText().contains("Print a snapshot of Quenlix windows"));
    print.reject();
    QVERIFY(!(form.CurrentTipSet() == tips::PrintSelection()));
}

void PrintTest::MarginsHeaderAndOutputGoToTheSettings()
{
    Scratch scratch;
    {
        auto program = StartProgram(scratch);
        program->ShowMainWindow();
        TPrintSelectionForm& print = program->PrintSelectionForm();
        print.show();
        QCOMPARE(print.MarginText(MarginSide::Top), QString(" 1.0\""));
        QCOMPARE(print.findChild<QLabel*>("BottomMarginPnl")->text(), QString(" 1.0\""));
        QVERIFY(print.findChild<QCheckBox*>("PrintHeaderBox")->isChecked());
        QVERIFY(print.findChildren<QRadioButton*>()[1]->isChecked());  // "Print To Fit" by default

        for (int i = 0; i < 8; ++i) SpinArrow(print, "SpinButton2", false)->click();  // top
        for (int i = 0; i < 12; ++i) SpinArrow(print, "SpinButton1", false)->click();  // left
        for (int i = 0; i < 12; ++i) SpinArrow(print, "SpinButton3", true)->click();   // right
        SpinArrow(print, "SpinButton4", true)->click();                                // bottom
        QCOMPARE(print.MarginText(MarginSide::Top), QString(" 0.5\""));
        QCOMPARE(print.MarginText(MarginSide::Left), QString(" 0.0\""));
        QCOMPARE(print.MarginText(MarginSide::Right), QString(" 2.0\""));
        QCOMPARE(print.MarginText(MarginSide::Bottom), QString(" 1.1\""));
        print.findChild<QCheckBox*>("PrintHeaderBox")->click();
        auto radios = print.findChildren<QRadioButton*>();
        QCOMPARE(radios.size(), 2);
        QCOMPARE(radios[0]->text(), QString("Print Proportional"));
        radios[0]->click();
        print.reject();

        const PrintSetup& setup = program->MainForm().Settings().Print;
        QCOMPARE(setup.TopMargin, 0.5);
        QCOMPARE(setup.LeftMargin, 0.0);
        QCOMPARE(setup.RightMargin, 2.0);
        QCOMPARE(setup.BottomMargin, 1.1);
        QVERIFY(!setup.Header);
        QVERIFY(!setup.FitToPage);
    }
    // Saved at exit, and shown again at the next start.
    QtSettingsStore stored(scratch.SettingsFile());
    QCOMPARE(stored.ReadString("Print Setup", "TopMargin"), std::optional<std::string>("0.50"));
    QCOMPARE(stored.ReadString("Print Setup", "BottomMargin"), std::optional<std::string>("1.10"));
    QCOMPARE(stored.ReadString("Print Setup", "Header"), std::optional<std::string>("No"));
    QCOMPARE(stored.ReadString("Print Setup", "Print"), std::optional<std::string>("Proportional"));
    auto again = StartProgram(scratch);
    TPrintSelectionForm& print = again->PrintSelectionForm();
    print.show();
    QCOMPARE(print.MarginText(MarginSide::Right), QString(" 2.0\""));
    QVERIFY(!print.findChild<QCheckBox*>("PrintHeaderBox")->isChecked());
    QVERIFY(print.findChildren<QRadioButton*>()[0]->isChecked());
    print.reject();
}

void PrintTest::PrintsTheMainWindowToAPdf()
{
    Scratch scratch;
    ModalWatcher watcher;
    const QString trace = scratch.Path("print.enc");
    WriteTrace(trace);
    auto program = StartProgram(scratch);
    program->ShowMainWindow();
    TMainForm& form = program->MainForm();
    OpenTrace(*program, trace);
    QVERIFY(form.Action("Print1")->isEnabled());

    TPrintSelectionForm& print = program->PrintSelectionForm();
    const QString pdfPath = scratch.Path("main.pdf");
    const auto printer = PdfPrinter(pdfPath);
    print.PrintSelectedWindows(*printer);

    const PdfFile pdf(pdfPath);
    QVERIFY(pdf.Loaded());
    QCOMPARE(pdf.PageCount(), 1);
    QCOMPARE(pdf.Title(), QString("Output from Quenlix"));
    QCOMPARE(pdf.PageTexts(), QStringList{"Sniffer File " + trace});
    // The picture is the window's client area, pixel for pixel.
    QCOMPARE(pdf.ImageSizes(), QList<QSize>{ClientSize(form)});
    TPrintStatusForm& status = program->PrintStatusForm();
    QCOMPARE(status.StatusText(), QString("Printing Main Window..."));
    QVERIFY(!status.isVisible());
    QVERIFY(watcher.Messages.empty());
}

void PrintTest::PrintsOnePagePerSelectedWindow()
{
    Scratch scratch;
    auto program = StartProgram(scratch);
    program->ShowMainWindow();
    TMainForm& form = program->MainForm();
    program->State().Read.TraceFileName = "/captures/none.enc";
    program->State().Read.TraceFormat = kFormatLANalyzer;

    // A latency and a throughput window are open; the what-if window is closed.
    StandIn latency(320, 200);
    StandIn throughput(150, 400);
    StandIn whatIf(100, 100);
    latency.show();
    throughput.show();
    PrintSources sources;
    sources.Windows[0] = &form;
    sources.Windows[4] = &latency;
    sources.Windows[5] = &throughput;
    sources.Windows[7] = &whatIf;
    sources.PageSetup = &form.PageSetup();
    sources.State = &program->State();
    TPrintSelectionForm& print = program->PrintSelectionForm();
    print.SetSources(sources);
    print.show();
    QVERIFY(print.Check(4)->isEnabled() && print.Check(5)->isEnabled());
    QVERIFY(!print.Check(7)->isEnabled());
    for (size_t i : {4, 5, 7}) print.Check(i)->setChecked(true);
    print.reject();

    const QString pdfPath = scratch.Path("three.pdf");
    print.PrintSelectedWindows(*PdfPrinter(pdfPath));
    const PdfFile pdf(pdfPath);
    QCOMPARE(pdf.PageCount(), 3);
    QCOMPARE(pdf.ImageSizes(), (QList<QSize>{ClientSize(form), QSize(320, 200), QSize(150, 400)}));
    QCOMPARE(pdf.PageTexts(), QStringList(3, "LANalyzer File /captures/none.enc"));

    // Without the header the pages hold the pictures only.
    form.PageSetup().Header = false;
    print.Check(0)->setChecked(false);
    const QString bare = scratch.Path("bare.pdf");
    print.PrintSelectedWindows(*PdfPrinter(bare));
    const PdfFile bareFile(bare);
    QCOMPARE(bareFile.PageCount(), 2);
    QCOMPARE(bareFile.PageTexts(), QStringList(2, QString()));
    QCOMPARE(bareFile.ImageSizes().size(), 2);
}

void PrintTest::CancelStopsTheWindowsNotYetStarted()
{
    Scratch scratch;
    auto program = StartProgram(scratch);
    program->ShowMainWindow();
    TMainForm& form = program->MainForm();
    TPrintStatusForm& status = program->PrintStatusForm();
    // The second window presses Cancel while it is captured: it still prints,
    // the third does not.
    StandIn latency(200, 100);
    StandIn throughput(120, 120);
    latency.show();
    throughput.show();
    latency.ArmCancel(status);
    PrintSources sources;
    sources.Windows = {&form, nullptr, nullptr, nullptr, &latency, &throughput, nullptr, nullptr};
    sources.PageSetup = &form.PageSetup();
    TPrintSelectionForm& print = program->PrintSelectionForm();
    print.SetSources(sources);
    print.Check(4)->setChecked(true);
    print.Check(5)->setChecked(true);

    const QString pdfPath = scratch.Path("cancelled.pdf");
    print.PrintSelectedWindows(*PdfPrinter(pdfPath));
    QCOMPARE(PdfFile(pdfPath).PageCount(), 2);
    QVERIFY(!status.isVisible());

    // The next run starts afresh: showing the status window clears the Cancel.
    const QString next = scratch.Path("next.pdf");
    StandIn quiet(200, 100);
    quiet.show();
    sources.Windows[4] = &quiet;
    print.SetSources(sources);
    print.PrintSelectedWindows(*PdfPrinter(next));
    QCOMPARE(PdfFile(next).PageCount(), 3);
}

void PrintTest::UnwritableFileFailsAndClosesTheStatus()
{
    Scratch scratch;
    auto program = StartProgram(scratch);
    program->ShowMainWindow();
    TPrintSelectionForm& print = program->PrintSelectionForm();
    const auto printer = PdfPrinter(scratch.Path("no-such-folder/out.pdf"));
    bool failed = false;
    try {
        print.PrintSelectedWindows(*printer);
    } catch (const std::runtime_error& failure) {
        failed = QString(failure.what()).contains("Output from Quenlix");
    }
    QVERIFY(failed);
    QVERIFY(!program->PrintStatusForm().isVisible());
    QVERIFY(!QFile::exists(scratch.Path("no-such-folder/out.pdf")));
}

void PrintTest::PrinterSetupChoosesThePrinterThatOkPrintsOn()
{
    Scratch scratch;
    const QString trace = scratch.Path("print.enc");
    WriteTrace(trace);
    auto program = StartProgram(scratch);
    program->ShowMainWindow();
    TMainForm& form = program->MainForm();
    OpenTrace(*program, trace);

    QStringList seen;
    QList<QPrintDialog*> setupDialogs;
    bool okPressed = false;
    ModalWatcher watcher;
    watcher.OnOtherModal = [&](QWidget* modal) {
        if (auto* selection = qobject_cast<TPrintSelectionForm*>(modal)) {
            if (okPressed) return;  // the press is on its way
            okPressed = true;
            seen << modal->objectName();
            // Pressed from its own event, as the user presses it.
            QTimer::singleShot(0, selection->OkButton(), &QPushButton::click);
            return;
        }
        seen << modal->objectName();
        if (auto* dialog = qobject_cast<QPrintDialog*>(modal)) setupDialogs << dialog;
        if (auto* dialog = qobject_cast<QDialog*>(modal)) dialog->reject();
    };
    // File > Printer Setup and the Print window's own button open one dialog,
    // the printer dialog of the main window's printer, kept between uses.
    form.Action("PrinterSetup1")->trigger();
    program->PrintSelectionForm().PrinterSetup();
    QCOMPARE(seen, (QStringList{"PrinterSetupDialog", "PrinterSetupDialog"}));
    QCOMPARE(setupDialogs.size(), 2);
    QCOMPARE(setupDialogs[0], setupDialogs[1]);
    QCOMPARE(setupDialogs[0]->printer(), &form.Printer());

    // The choice the dialog would make: a PDF file. OK prints there without asking again.
    const QString pdfPath = scratch.Path("chosen.pdf");
    form.Printer().setOutputFormat(QPrinter::PdfFormat);
    form.Printer().setOutputFileName(pdfPath);
    seen.clear();
    form.Action("Print1")->trigger();
    QCOMPARE(seen, QStringList{"PrintSelectionForm"});
    QCOMPARE(PdfFile(pdfPath).PageCount(), 1);
    QCOMPARE(program->PrintStatusForm().windowModality(), Qt::NonModal);
    QVERIFY(watcher.Messages.empty());
}

void PrintTest::F1OpensThePrintHelpPage()
{
    Scratch scratch;
    auto program = StartProgram(scratch, {}, QUENLIX_BIN_DIR);
    program->ShowMainWindow();
    TMainForm& form = program->MainForm();
    THelpForm& help = form.HelpWindow();
    TPrintSelectionForm& print = program->PrintSelectionForm();
    // F1 while the Print window is up (modal): the help page comes up above it
    // and takes the input.
    QWidget* topModal = nullptr;
    ModalWatcher watcher;
    watcher.OnOtherModal = [&](QWidget* modal) {
        if (modal == &print) {
            // Once the help shows, the Print window on top means it is blocked.
            if (help.isVisible()) print.reject();
            else QTest::keyClick(&print, Qt::Key_F1);
        }
        if (modal == &help) {
            topModal = modal;
            help.close();
            print.reject();
        }
    };
    form.PrintBtnClick();
    QCOMPARE(topModal, &help);
    QCOMPARE(QFileInfo(help.CurrentPage()).fileName(), QString("context-6.html"));
    // Asked for from the main window, the help window is an ordinary window again.
    form.OpenHelpPage(7);
    QCOMPARE(help.windowModality(), Qt::NonModal);
    QVERIFY(help.isVisible());
}

int RunTests(int argc, char** argv)
{
    PrintTest test;
    return QTest::qExec(&test, argc, argv);
}

}  // namespace quenlix::guitest

#include "print_test.moc"
