// Details of the windows as the user meets them at their default sizes: the
// Default Bandwidth mark, Edit > Copy after Close, the ring map's copy button,
// the toolbox's packet range and Options menu, the sort arrows of the grid
// headers and the captions the help pages quote.

#include <QAction>
#include <QActionGroup>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QStyleOptionHeader>
#include <QTabWidget>
#include <QTest>
#include <QTextBrowser>
#include <algorithm>

#include "GuiTestSupport.h"
#include "TokenRingFrames.h"
#include "ui/analysis/FathomToolboxForm.h"
#include "ui/controls/BetterSpinEditWidget.h"
#include "ui/controls/SuperStringGridWidget.h"
#include "ui/main/DLCErrorWidget.h"
#include "ui/main/MainForm.h"
#include "ui/main/RingMapWidget.h"
#include "ui/misc/HelpForm.h"

namespace quenlix::guitest {

namespace {

QString OfficeSample()
{
    return QString(QUENLIX_SOURCE_DIR "/samples/office-sample.enc");
}

// The width the header's style leaves for a section's text once the sort arrow is drawn.
int HeaderLabelWidth(QHeaderView& header, int section)
{
    QStyleOptionHeader option;
    option.initFrom(&header);
    option.rect = QRect(0, 0, header.sectionSize(section), header.height());
    option.orientation = Qt::Horizontal;
    option.section = section;
    option.text = header.model()->headerData(section, Qt::Horizontal).toString();
    option.sortIndicator = QStyleOptionHeader::SortDown;
    option.state |= QStyle::State_Horizontal;
    return header.style()->subElementRect(QStyle::SE_HeaderLabel, &option, &header).width();
}

}  // namespace

class WindowDetailsTest : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        scratch_ = std::make_unique<Scratch>();
        program_ = StartProgram(*scratch_, {}, QUENLIX_BIN_DIR);
        program_->ShowMainWindow();
    }
    void cleanup()
    {
        program_.reset();
        scratch_.reset();
    }
    void BandwidthMarkFollowsTheSpeedInUse();
    void CloseLeavesNothingToCopy();
    void RingMapCopyButtonCoversNoLabel();
    void ToolboxRangeShowsSixDigitFrameNumbers();
    void ToolboxOptionsExcludingEachOtherAreRadioItems();
    void SortArrowLeavesTheHeaderTextWhole();
    void HelpPagesShowCaptionsWithoutMnemonicMarks();

private:
    TMainForm& Form() { return program_->MainForm(); }
    QString RingTrace()
    {
        const QString trace = scratch_->Path("ring8.trc");
        testing::WriteRingOfEightTrace(trace.toStdString());
        return trace;
    }
    TFathomToolboxForm& OpenToolbox()
    {
        OpenTrace(*program_, OfficeSample());
        Form().AnalyzeBtnClick();
        TFathomToolboxForm& toolbox = program_->FathomToolboxForm();
        QApplication::processEvents();
        return toolbox;
    }

    std::unique_ptr<Scratch> scratch_;
    std::unique_ptr<QuenlixProgram> program_;
};

void WindowDetailsTest::BandwidthMarkFollowsTheSpeedInUse()
{
    OpenTrace(*program_, RingTrace());
    QCOMPARE(program_->State().Options.TokenRingSpeed, 16);
    QCOMPARE(Form().Action("BandwidthOption2")->text(), QString("16 Mbps"));
    QVERIFY(Form().Action("BandwidthOption2")->isChecked());
    Form().Action("BandwidthOption1")->trigger();
    QVERIFY(Form().Action("BandwidthOption1")->isChecked());
    // An Ethernet trace is analysed at the Ethernet speed, 10 Mbps.
    OpenTrace(*program_, OfficeSample());
    QCOMPARE(Form().Action("BandwidthOption1")->text(), QString("10 Mbps"));
    QVERIFY(Form().Action("BandwidthOption1")->isChecked());
}

void WindowDetailsTest::CloseLeavesNothingToCopy()
{
    OpenTrace(*program_, OfficeSample());
    Form().MainPageControl()->setCurrentIndex(static_cast<int>(MainPage::PacketSizeChart));
    QAction* copy = Form().Action("Copy1");
    QCOMPARE(copy->text(), QString("&Copy Chart"));
    QVERIFY(copy->isEnabled());
    Form().Action("Close1")->trigger();
    QVERIFY(!copy->isEnabled());
    // A window closing brings the page's tips back, not its commands.
    Form().RestoreTips();
    QVERIFY(!copy->isEnabled());
    QVERIFY(!Form().Action("SelectAll1")->isEnabled());
    Form().MRUClick(0);
    QVERIFY(copy->isEnabled());
}

void WindowDetailsTest::RingMapCopyButtonCoversNoLabel()
{
    OpenTrace(*program_, RingTrace());
    Form().MainPageControl()->setCurrentIndex(static_cast<int>(MainPage::DLCError));
    QApplication::processEvents();
    auto* page = Form().findChild<TDLCErrorPage*>();
    QVERIFY(page != nullptr);
    TRingMapPaintBox* box = page->RingMapPaintBox();
    const QRect button = Form().findChild<QPushButton*>("CopyRingMapBtn")->geometry();
    const RingMapContent map = box->CurrentMap();
    QCOMPARE(map.Labels.size(), size_t{8});
    for (const RingLabel& label : map.Labels) {
        const QRect shown(box->mapToParent(QPoint(label.Left, label.Top)), QSize(label.Width, label.Height));
        QVERIFY2(!shown.intersects(button), qPrintable(QString::fromStdString(label.Text)));
    }
}

void WindowDetailsTest::ToolboxRangeShowsSixDigitFrameNumbers()
{
    TFathomToolboxForm& toolbox = OpenToolbox();
    for (const char* name : {"StartPacketSpinEdit", "EndPacketSpinEdit"}) {
        QLineEdit* editor = toolbox.findChild<TBetterSpinEdit*>(name)->Editor();
        editor->setText("999999");
        // The text, its two-pixel margins and the frame fit the editor.
        const int frame = editor->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, editor);
        QVERIFY2(editor->width() >= editor->fontMetrics().horizontalAdvance("999999") + 2 * (2 + frame), name);
    }
}

void WindowDetailsTest::ToolboxOptionsExcludingEachOtherAreRadioItems()
{
    TFathomToolboxForm& toolbox = OpenToolbox();
    auto* options = toolbox.findChild<QMenu*>("OptionsPopupMenu");
    QVERIFY(options != nullptr);
    int submenus = 0;
    for (QAction* item : options->actions()) {
        if (item->menu() == nullptr) continue;
        ++submenus;
        const QList<QAction*> choices = item->menu()->actions();
        for (QAction* choice : choices) {
            QVERIFY2(choice->actionGroup() != nullptr, qPrintable(choice->text()));
            QCOMPARE(choice->actionGroup()->exclusionPolicy(), QActionGroup::ExclusionPolicy::Exclusive);
        }
        choices.back()->trigger();
        QCOMPARE(std::count_if(choices.begin(), choices.end(), [](QAction* a) { return a->isChecked(); }), 1);
        QVERIFY(choices.back()->isChecked());
    }
    QCOMPARE(submenus, 2);
}

void WindowDetailsTest::SortArrowLeavesTheHeaderTextWhole()
{
    OpenTrace(*program_, OfficeSample());
    Form().MainPageControl()->setCurrentIndex(static_cast<int>(MainPage::ProtocolTable));
    auto* grid = Form().findChild<TSuperStringGrid*>("ProtoGrid");
    QHeaderView* header = grid->horizontalHeader();
    for (int col = 0; col < header->count(); ++col) {
        emit grid->HeaderClicked(col);
        const QString text = header->model()->headerData(col, Qt::Horizontal).toString();
        QVERIFY2(HeaderLabelWidth(*header, col) >= header->fontMetrics().horizontalAdvance(text), qPrintable(text));
    }
}

void WindowDetailsTest::HelpPagesShowCaptionsWithoutMnemonicMarks()
{
    Form().OpenHelpPage(18);
    auto* browser = Form().HelpWindow().findChild<QTextBrowser*>("HelpBrowser");
    const QString text = browser->toPlainText();
    QVERIFY(text.contains("\"Fathom ToolBox\""));
    QVERIFY(!text.contains("&Fathom"));
    QVERIFY(!text.contains("&Source"));
    Form().OpenHelpPage(22);
    QVERIFY(browser->toPlainText().contains("Load & Response Time Analysis"));
    QVERIFY(browser->toPlainText().contains("\"Restore Original Values\""));
}

int RunTests(int argc, char** argv)
{
    WindowDetailsTest test;
    return QTest::qExec(&test, argc, argv);
}

}  // namespace quenlix::guitest

#include "window_details_test.moc"
