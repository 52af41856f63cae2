// The Client/Server Expert page inside the main window: its rows against the
// content built from the same analysis, the sort buttons and the double click,
// copying through its button and the Edit menu, SmartNames and the IPX box,
// the pop-up, the row handed to the toolbox, and the caption that replaces the
// page for traces without IP or IPX.

#include <QAction>
#include <QCheckBox>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QFontMetrics>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>

#include <algorithm>

#include "GuiTestSupport.h"
#include "SnifferWriter.h"
#include "ui/controls/SuperStringGridWidget.h"
#include "ui/main/ClientServerContent.h"
#include "ui/main/ClientServerWidget.h"
#include "ui/main/ProtocolTableWidget.h"
#include "ui/main/MainForm.h"

namespace quenlix::guitest {

namespace {

const QString kBullet = QString::fromUtf8("\u2022");

// The program with a trace read and the Client/Server Expert page active.
struct OpenedTrace {
    Scratch scratch;
    ModalWatcher watcher;
    std::unique_ptr<QuenlixProgram> program;
    TClientServerPage* page = nullptr;

    explicit OpenedTrace(const QString& trace = {})
    {
        program = StartProgram(scratch);
        program->ShowMainWindow();
        Form().MainPageControl()->setCurrentIndex(static_cast<int>(MainPage::ClientServer));
        page = qobject_cast<TClientServerPage*>(Form().PageWidget(MainPage::ClientServer));
        if (!trace.isEmpty()) Open(trace);
    }

    TMainForm& Form() { return program->MainForm(); }
    AnalysisState& State() { return program->State(); }
    TSuperStringGrid* Grid() { return page->ServerGrid(); }

    void Open(const QString& trace) { OpenTrace(*program, trace); }

    // What the content builds from the analysis now in memory.
    ClientServerContent Expected()
    {
        ClientServerContent content;
        content.SmartNames = page->Content().SmartNames;
        content.ShowIPXOUI = page->Content().ShowIPXOUI;
        UpdateServerGrid(State(), content);
        return content;
    }

    // The text the grid shows in a cell (grid row, 1 being the first below the header).
    QString Shown(int col, int row) { return Grid()->model()->index(row - 1, col).data().toString(); }

    void MakeCurrent(int col, int row)
    {
        Grid()->setCurrentIndex(Grid()->model()->index(row - 1, col));
    }

    QToolButton* Button(const char* name) { return page->findChild<QToolButton*>(name); }
    QCheckBox* CheckBox(const char* name) { return page->findChild<QCheckBox*>(name); }
};

// Every visible cell of the grid equals the content's text, with the marks as bullets.
void CompareWithContent(OpenedTrace& t, const ClientServerContent& expected)
{
    const GridContent shown = ServerGridWithMarks(expected);
    QCOMPARE(t.page->Content().ServerRowCount, expected.ServerRowCount);
    QCOMPARE(t.Grid()->model()->rowCount(), std::max(expected.ServerRowCount, 1));
    QCOMPARE(t.Grid()->model()->columnCount(), kServerGridColumns);
    for (int row = 1; row <= expected.ServerRowCount; ++row)
        for (int col = 0; col < kServerGridColumns; ++col)
            QCOMPARE(t.Shown(col, row).toStdString(), shown.Cell(col, row));
}

// Ethernet frames that carry neither IP nor IPX: ARP and an 802.2 LLC frame.
void WriteTraceWithoutIpOrIpx(const QString& path)
{
    std::vector<testing::SnifferFrame> frames;
    for (int i = 0; i < 6; ++i) {
        std::vector<uint8_t> bytes(60, 0);
        for (int b = 0; b < 6; ++b) bytes[static_cast<size_t>(b)] = i % 2 == 0 ? 0xFF : static_cast<uint8_t>(0x10 + b);
        for (int b = 6; b < 12; ++b) bytes[static_cast<size_t>(b)] = static_cast<uint8_t>(0x20 + b);
        if (i == 5) {
            bytes[12] = 0x00;  // 802.3 length, then a NetBIOS LLC header
            bytes[13] = 0x2E;
            bytes[14] = 0xF0;
            bytes[15] = 0xF0;
            bytes[16] = 0x03;
        } else {
            bytes[12] = 0x08;  // ARP
            bytes[13] = 0x06;
        }
        frames.push_back({static_cast<uint64_t>(i) * 5000, bytes});
    }
    testing::WriteSnifferFile(path.toStdString(), {}, frames);
}

}  // namespace

class ClientServerPageTest : public QObject {
    Q_OBJECT

private slots:
    void OfficeCaptureFillsTheGridFromTheContent();
    void SortButtonsAndDoubleClickReorderWholeRows();
    void CopyButtonAndEditMenuPutTheSelectionOnTheClipboard();
    void SmartNamesRewriteTheSortedNameColumns();
    void HeaderClickSortsAndTheSelectionFollowsItsRow();
    void PopUpShowsTheDlcSourceOfNameCells();
    void ChosenRowIsHandedToTheToolbox();
    void TraceWithoutIpOrIpxShowsOnlyTheCaption();
    void IpxTraceShowsTheOuiBoxAndItsNames();
    void DamagedCapturesBuildThePageWithoutHarm();
    void FilterBoxShowsOnlyTheMatchingConversations();
};

void ClientServerPageTest::OfficeCaptureFillsTheGridFromTheContent()
{
    const QString capture = CapturePath("office-a.enc");
    if (!QFile::exists(capture)) QSKIP("../shared/captures/office-a.enc is not present");
    OpenedTrace t(capture);
    QVERIFY(t.page != nullptr);
    QCOMPARE(t.page->objectName(), QString("ClientServerTabSheet"));
    QCOMPARE(t.Form().MainPageControl()->tabText(static_cast<int>(MainPage::ClientServer)),
             QString("Client/Server Expert"));
    QVERIFY(t.page->findChild<QWidget*>("CSPanel")->isVisible());
    QVERIFY(!t.page->findChild<QLabel*>("NoCSPackets")->isVisible());
    QVERIFY(!t.CheckBox("ShowIPXOUI")->isVisible());  // no IPX in the capture
    QVERIFY(t.CheckBox("SmartNames")->isVisible());

    const ClientServerContent expected = t.Expected();
    // Three clients, each pinging, looking up names, fetching pages and echoing.
    QVERIFY(expected.ServerRowCount >= 9);
    CompareWithContent(t, expected);
    const QStringList headers{"A", "B", "C", "D", "E", "F", "G", "Client", "Server", "Protocol/Application",
                              "Packets", "Bytes", "Duration", "Resp Time (ms)", "Throughput*"};
    for (int col = 0; col < kServerGridColumns; ++col)
        QCOMPARE(t.Grid()->model()->headerData(col, Qt::Horizontal, Qt::DisplayRole).toString(), headers[col]);
    QCOMPARE(t.Grid()->model()->index(0, kColPackets).data(Qt::TextAlignmentRole).toInt(),
             static_cast<int>(Qt::AlignRight | Qt::AlignVCenter));
    QCOMPARE(t.Grid()->model()->index(0, kColApplication).data(Qt::TextAlignmentRole).toInt(),
             static_cast<int>(Qt::AlignCenter));

    // Marks show as bullets in their own font; no cell shows an undecodable byte.
    int marks = 0;
    for (int row = 1; row <= expected.ServerRowCount; ++row)
        for (int col = 0; col < kServerGridColumns; ++col) {
            const QString text = t.Shown(col, row);
            QVERIFY(!text.contains(QChar::ReplacementCharacter));
            if (col <= kColInefficient && text == kBullet) {
                ++marks;
                QVERIFY(t.Grid()->model()->index(row - 1, col).data(Qt::FontRole).value<QFont>().bold());
            }
        }
    QVERIFY(marks > 0);
    QVERIFY(!t.Grid()->model()->index(0, kColClient).data(Qt::FontRole).value<QFont>().bold());
    // The bullet is a glyph of the font the cell uses, so it is drawn.
    const QFont markFont = t.Grid()->model()->index(0, kColLowThroughput).data(Qt::FontRole).value<QFont>();
    QVERIFY(QFontMetrics(markFont).inFont(kBullet.at(0)));

    // The legend, memo by memo.
    QCOMPARE(t.page->findChild<QPlainTextEdit*>("Memo2")->toPlainText(),
             QString("A = Low Throughput\nB = Slow Response Time\nC = Busy Network or Server"));
    QCOMPARE(t.page->findChild<QPlainTextEdit*>("Memo3")->toPlainText(),
             QString("D = Inefficient Client\nE = # of Transport Retransmissions\nF = # of Pkts In/Out Same Router "
                     "Port"));
    QCOMPARE(t.page->findChild<QPlainTextEdit*>("Memo4")->toPlainText(),
             QString("G = Over 2% Retransmitted\n* in Kbytes/Second from Server to client\n- = Insufficient Data"));
    QVERIFY(t.page->findChild<QPlainTextEdit*>("Memo4")->isReadOnly());
    QCOMPARE(t.Button("SortAscendingBtn")->toolTip(), QString("Sort Ascending"));
    QCOMPARE(t.Button("SortDescendingBtn")->toolTip(), QString("Sort Descending"));
    QCOMPARE(t.Button("CopyToClipboardBtn")->toolTip(), QString("Copy selected portion of table to clipboard"));
    QVERIFY(t.watcher.Messages.empty());
}

void ClientServerPageTest::SortButtonsAndDoubleClickReorderWholeRows()
{
    const QString capture = CapturePath("office-a.enc");
    if (!QFile::exists(capture)) QSKIP("../shared/captures/office-a.enc is not present");
    OpenedTrace t(capture);
    const int rows = t.page->Content().ServerRowCount;
    QVERIFY(rows >= 2);
    const auto numbers = [&](int col) {
        std::vector<double> keys;
        for (int row = 1; row <= rows; ++row) keys.push_back(t.page->Content().ServerGrid.Value(col, row).Figure());
        return keys;
    };
    // Each row keeps its own tag: the client column still names the row's conversation.
    const auto rowsIntact = [&] {
        for (int row = 1; row <= rows; ++row) {
            const NetString& address = ServerGridRowConversation(t.page->Content(), row)->Client;
            if (t.Shown(kColClient, row).toStdString() != NetAddressText(t.State(), address, false)) return false;
        }
        return true;
    };

    t.MakeCurrent(kColPackets, 1);
    QTest::mouseClick(t.Button("SortAscendingBtn"), Qt::LeftButton);
    std::vector<double> packets = numbers(kColPackets);
    QVERIFY(std::is_sorted(packets.begin(), packets.end()));
    QVERIFY(packets.front() < packets.back());
    QVERIFY(t.page->Content().LastSortAscending);
    QVERIFY(rowsIntact());
    // The same order as the content's own sort of the rows as built.
    CompareWithContent(t, [&] {
        ClientServerContent expected = t.Expected();
        SortServerGrid(expected, kColPackets, true);
        return expected;
    }());
    QCOMPARE(t.Grid()->currentIndex().column(), int(kColPackets));  // the column stays current

    QTest::mouseClick(t.Button("SortDescendingBtn"), Qt::LeftButton);
    packets = numbers(kColPackets);
    QVERIFY(std::is_sorted(packets.rbegin(), packets.rend()));
    QVERIFY(!t.page->Content().LastSortAscending);
    QVERIFY(rowsIntact());

    // A double click sorts its own column in the last direction used: descending.
    const QModelIndex bytesCell = t.Grid()->model()->index(0, kColBytes);
    t.Grid()->scrollTo(bytesCell);
    const QPoint bytesPoint = t.Grid()->visualRect(bytesCell).center();
    QTest::mouseClick(t.Grid()->viewport(), Qt::LeftButton, {}, bytesPoint);
    QTest::mouseDClick(t.Grid()->viewport(), Qt::LeftButton, {}, bytesPoint);
    const std::vector<double> bytes = numbers(kColBytes);
    QVERIFY(std::is_sorted(bytes.rbegin(), bytes.rend()));
    QCOMPARE(t.page->Content().ServerGrid.SortedColumn(), int(kColBytes));
    QVERIFY(rowsIntact());

    // Ascending again, then the double click follows: text order on the client column.
    QTest::mouseClick(t.Button("SortAscendingBtn"), Qt::LeftButton);
    t.page->ServerGridDblClick(kColClient);
    for (int row = 2; row <= rows; ++row)
        QVERIFY(t.page->Content().ServerGrid.Cell(kColClient, row - 1) <= t.page->Content().ServerGrid.Cell(kColClient, row));
    // The protocol table's Sort Descending sets the direction this grid's double click repeats.
    auto* table = qobject_cast<TProtocolTablePage*>(t.Form().PageWidget(MainPage::ProtocolTable));
    QVERIFY(table != nullptr);
    table->ProtocolTableSortDescendingBtnClick();
    t.page->ServerGridDblClick(kColPackets);
    packets = numbers(kColPackets);
    QVERIFY(std::is_sorted(packets.rbegin(), packets.rend()));
    QVERIFY(packets.front() > packets.back());
    QVERIFY(rowsIntact());
    // Durations sort as times, "< 00:00:01" below one second.
    t.MakeCurrent(kColDuration, 1);
    QTest::mouseClick(t.Button("SortAscendingBtn"), Qt::LeftButton);
    const std::vector<double> durations = numbers(kColDuration);
    QVERIFY(std::is_sorted(durations.begin(), durations.end()));
    QVERIFY(rowsIntact());
}

void ClientServerPageTest::CopyButtonAndEditMenuPutTheSelectionOnTheClipboard()
{
    const QString capture = CapturePath("office-a.enc");
    if (!QFile::exists(capture)) QSKIP("../shared/captures/office-a.enc is not present");
    OpenedTrace t(capture);
    const ClientServerContent expected = t.Expected();
    const int rows = expected.ServerRowCount;

    // Client to application of the first two rows: the header first, and the
    // fixed column "A" leading every line.
    QAbstractItemModel* model = t.Grid()->model();
    t.Grid()->selectionModel()->select(QItemSelection(model->index(0, kColClient), model->index(1, kColApplication)),
                                       QItemSelectionModel::ClearAndSelect);
    QApplication::clipboard()->clear();
    QTest::mouseClick(t.Button("CopyToClipboardBtn"), Qt::LeftButton);
    QStringList lines = QApplication::clipboard()->text().split("\r\n");
    QCOMPARE(lines.size(), 3);
    QCOMPARE(lines[0], QString("A\tClient\tServer\tProtocol/Application"));
    for (int row = 1; row <= 2; ++row)
        QCOMPARE(lines[row], QStringList({t.Shown(0, row), t.Shown(kColClient, row), t.Shown(kColServer, row),
                                          t.Shown(kColApplication, row)})
                                 .join('\t'));

    // A selection that takes in the fixed column does not repeat it.
    t.Grid()->selectionModel()->select(QItemSelection(model->index(0, 0), model->index(0, kColBusy)),
                                       QItemSelectionModel::ClearAndSelect);
    QTest::mouseClick(t.Button("CopyToClipboardBtn"), Qt::LeftButton);
    QCOMPARE(QApplication::clipboard()->text().section("\r\n", 0, 0), QString("A\tB\tC"));

    // The Edit menu on this page: Select All, then Copy, takes every row.
    t.Form().MainPageControl()->setCurrentIndex(static_cast<int>(MainPage::FileSummary));
    t.Form().MainPageControl()->setCurrentIndex(static_cast<int>(MainPage::ClientServer));
    QVERIFY(t.Form().Action("Copy1")->isEnabled());
    QVERIFY(t.Form().Action("SelectAll1")->isEnabled());
    QCOMPARE(t.Form().Action("Copy1")->text(), QString("&Copy"));
    t.Form().Action("SelectAll1")->trigger();
    t.Form().Action("Copy1")->trigger();
    const QString all = QApplication::clipboard()->text();
    lines = all.split("\r\n");
    QCOMPARE(lines.size(), rows + 1);
    QCOMPARE(lines[0], QString("A\tB\tC\tD\tE\tF\tG\tClient\tServer\tProtocol/Application\tPackets\tBytes\tDuration\t"
                               "Resp Time (ms)\tThroughput*"));
    for (int row = 1; row <= rows; ++row) QCOMPARE(lines[row].count('\t'), kServerGridColumns - 1);
    QCOMPARE(lines[rows].section('\t', kColPackets, kColPackets), t.Shown(kColPackets, rows));
    QVERIFY(all.contains(kBullet));
    QVERIFY(!all.contains(QChar::ReplacementCharacter));  // no raw marks
}

void ClientServerPageTest::SmartNamesRewriteTheSortedNameColumns()
{
    const QString capture = CapturePath("office-a.enc");
    if (!QFile::exists(capture)) QSKIP("../shared/captures/office-a.enc is not present");
    OpenedTrace t(capture);
    const int rows = t.page->Content().ServerRowCount;
    t.MakeCurrent(kColServer, 1);
    QTest::mouseClick(t.Button("SortDescendingBtn"), Qt::LeftButton);
    const QString firstServer = t.Shown(kColServer, 1);

    t.CheckBox("SmartNames")->click();
    QVERIFY(t.page->Content().SmartNames);
    for (int row = 1; row <= rows; ++row) {
        const NetString& address = ServerGridRowConversation(t.page->Content(), row)->Server;
        const std::string name = LookupName(t.State(), address);
        QCOMPARE(t.Shown(kColServer, row).toStdString(),
                 name.empty() ? NetAddressText(t.State(), address, false) : name);
    }
    // The names are longer than the addresses: the column widens to show them whole.
    auto* view = t.page->findChild<TSuperStringGrid*>("ServerGrid");
    for (int row = 1; row <= rows; ++row)
        QVERIFY2(view->fontMetrics().horizontalAdvance(t.Shown(kColServer, row)) < view->columnWidth(kColServer),
                 qPrintable(t.Shown(kColServer, row)));
    t.CheckBox("SmartNames")->click();
    QVERIFY(!t.page->Content().SmartNames);
    QCOMPARE(t.Shown(kColServer, 1), firstServer);
    for (int row = 1; row <= rows; ++row) {
        const NetString& address = ServerGridRowConversation(t.page->Content(), row)->Server;
        QCOMPARE(t.Shown(kColServer, row).toStdString(), NetAddressText(t.State(), address, false));
    }

    // The box keeps its state for the next trace.
    t.CheckBox("SmartNames")->click();
    t.Open(CapturePath("office-a.enc"));
    QVERIFY(t.CheckBox("SmartNames")->isChecked());
    CompareWithContent(t, t.Expected());
}

void ClientServerPageTest::HeaderClickSortsAndTheSelectionFollowsItsRow()
{
    const QString capture = CapturePath("office-a.enc");
    if (!QFile::exists(capture)) QSKIP("../shared/captures/office-a.enc is not present");
    OpenedTrace t(capture);
    const int rows = t.page->Content().ServerRowCount;
    QVERIFY(rows >= 3);
    t.MakeCurrent(kColClient, 2);
    const std::vector<std::string> chosen = t.Grid()->CurrentRowTexts();
    QHeaderView* header = t.Grid()->horizontalHeader();
    // The finding columns explain their rule on the header.
    QVERIFY(t.Grid()->model()->headerData(kColSlowResponse, Qt::Horizontal, Qt::ToolTipRole).toString().contains("100 ms"));
    const auto clickHeader = [&](int col) {
        QTest::mouseClick(header->viewport(), Qt::LeftButton, Qt::NoModifier,
                          QPoint(header->sectionViewportPosition(col) + 4, header->height() / 2));
    };
    const auto column = [&](int col) {
        QStringList texts;
        for (int row = 1; row <= rows; ++row) texts << t.Shown(col, row);
        return texts;
    };

    for (const bool ascending : {true, false}) {
        clickHeader(kColServer);
        // The rows in the order the page's own sort gives them.
        ClientServerContent expected = t.Expected();
        SortServerGrid(expected, kColServer, ascending);
        const GridContent marked = ServerGridWithMarks(expected);
        QStringList expectedServers;
        for (int row = 1; row <= rows; ++row) expectedServers << QString::fromStdString(std::string(marked.Cell(kColServer, row)));
        QCOMPARE(column(kColServer), expectedServers);
        QCOMPARE(header->sortIndicatorSection(), kColServer);
        QCOMPARE(header->sortIndicatorOrder(), ascending ? Qt::AscendingOrder : Qt::DescendingOrder);
        // The chosen conversation is still the current, selected row.
        QCOMPARE(t.Grid()->CurrentRowTexts(), chosen);
        QCOMPARE(t.Grid()->currentIndex().column(), kColClient);
        QVERIFY(t.Grid()->selectionModel()->isSelected(t.Grid()->currentIndex()));
    }
}

void ClientServerPageTest::FilterBoxShowsOnlyTheMatchingConversations()
{
    const QString capture = CapturePath("office-a.enc");
    if (!QFile::exists(capture)) QSKIP("../shared/captures/office-a.enc is not present");
    OpenedTrace t(capture);
    auto* filter = t.page->findChild<QLineEdit*>("ServerGridFilter");
    QVERIFY(filter != nullptr);
    const int rows = t.page->Content().ServerRowCount;
    const auto matching = [&](const QString& text) {
        int count = 0;
        for (int row = 1; row <= rows; ++row)
            for (int col = 0; col < kServerGridColumns; ++col)
                if (t.Shown(col, row).contains(text, Qt::CaseInsensitive)) {
                    ++count;
                    break;
                }
        return count;
    };
    filter->setText("dns");
    const int dns = matching("dns");
    QVERIFY(dns > 0 && dns < rows);
    QCOMPARE(t.Grid()->ShownRowCount(), dns);
    t.Button("SortDescendingBtn")->click();  // a sort refills the grid and keeps the filter
    QCOMPARE(t.Grid()->ShownRowCount(), dns);
    t.Grid()->SelectAllCells();
    QVERIFY(t.Grid()->CopyToClipboard());
    QCOMPARE(QApplication::clipboard()->text().count("\r\n"), dns);  // the heading and the DNS rows
    filter->clear();
    QCOMPARE(t.Grid()->ShownRowCount(), rows);
}

void ClientServerPageTest::PopUpShowsTheDlcSourceOfNameCells()
{
    const QString capture = CapturePath("office-a.enc");
    if (!QFile::exists(capture)) QSKIP("../shared/captures/office-a.enc is not present");
    OpenedTrace t(capture);
    QMenu* popUp = t.page->CSPopUp();
    QAction* toolbox = popUp->findChild<QAction*>("Toolbox1");
    QAction* divider = popUp->findChild<QAction*>("Divider1");
    QAction* dlc = popUp->findChild<QAction*>("DLCAddressis1");
    QVERIFY(toolbox != nullptr && divider != nullptr && dlc != nullptr);
    QCOMPARE(toolbox->text(), QString("&Fathom ToolBox"));
    QCOMPARE(popUp->actions().indexOf(toolbox), 0);
    // After the three windows a row opens and the divider.
    QCOMPARE(popUp->actions().indexOf(dlc), 4);
    QVERIFY(toolbox->isEnabled());

    t.MakeCurrent(kColClient, 2);
    t.page->ServerGridMouseDown(QPoint(4, 4));
    QVERIFY(popUp->isVisible());
    QVERIFY(divider->isVisible());
    QVERIFY(dlc->isVisible());
    QCOMPARE(dlc->text().toStdString(), "DLC Source is " + ServerGridRowConversation(t.page->Content(), 2)->ClientDLC);
    popUp->close();

    t.MakeCurrent(kColServer, 1);
    t.page->ServerGridMouseDown(QPoint(4, 4));
    const std::string& serverDLC = ServerGridRowConversation(t.page->Content(), 1)->ServerDLC;
    QCOMPARE(dlc->text().toStdString(), "DLC Source is " + serverDLC);
    QVERIFY(serverDLC.size() >= 12 || serverDLC == "UNKNOWN");
    popUp->close();

    t.MakeCurrent(kColPackets, 1);
    t.page->ServerGridMouseDown(QPoint(4, 4));
    QVERIFY(!divider->isVisible());
    QVERIFY(!dlc->isVisible());
    popUp->close();

    // With a toolbox to run, the item runs it.
    int runs = 0;
    t.page->SetToolboxCommand([&runs] { ++runs; });
    QVERIFY(toolbox->isEnabled());
    toolbox->trigger();
    QCOMPARE(runs, 1);
}

void ClientServerPageTest::ChosenRowIsHandedToTheToolbox()
{
    const QString capture = CapturePath("office-a.enc");
    if (!QFile::exists(capture)) QSKIP("../shared/captures/office-a.enc is not present");
    OpenedTrace t(capture);
    int handed = 0;
    QObject::connect(t.page, &TClientServerPage::ToolboxSelectionChanged, [&handed] { ++handed; });

    const QModelIndex cell = t.Grid()->model()->index(2, kColApplication);
    t.Grid()->scrollTo(cell);
    QTest::mouseClick(t.Grid()->viewport(), Qt::LeftButton, {}, t.Grid()->visualRect(cell).center());
    QCOMPARE(handed, 1);
    const auto expected = ServerGridClick(t.State(), t.page->Content(), 3);
    QVERIFY(expected.has_value());
    QVERIFY(t.page->ToolboxSelection().has_value());
    const ClientServerSelection& chosen = *t.page->ToolboxSelection();
    QCOMPARE(chosen.SelectedClientText, expected->SelectedClientText);
    QCOMPARE(chosen.SelectedServerText, expected->SelectedServerText);
    QCOMPARE(chosen.SelectedApplicationText, t.Shown(kColApplication, 3).toStdString());
    QVERIFY(chosen.SelectedClientOUIText.empty());  // IP rows have no vendor form

    // Sorts and double clicks move the highlight with its conversation, so the
    // toolbox is handed the conversation the highlight shows; the page becoming
    // active again hands it once more.
    const auto highlighted = [&] {
        return ServerGridClick(t.State(), t.page->Content(), t.Grid()->GridRow(t.Grid()->currentIndex().row()));
    };
    t.MakeCurrent(kColPackets, 3);
    const std::string chosenApplication = highlighted()->SelectedApplicationText;
    for (const char* button : {"SortAscendingBtn", "SortDescendingBtn"}) {
        QTest::mouseClick(t.Button(button), Qt::LeftButton);
        QCOMPARE(highlighted()->SelectedApplicationText, chosenApplication);
        QCOMPARE(t.page->ToolboxSelection()->SelectedApplicationText, chosenApplication);
    }
    t.page->ServerGridDblClick(kColPackets);
    QCOMPARE(highlighted()->SelectedApplicationText, chosenApplication);
    const int before = handed;
    t.Form().MainPageControl()->setCurrentIndex(static_cast<int>(MainPage::ProtocolTable));
    t.Form().MainPageControl()->setCurrentIndex(static_cast<int>(MainPage::ClientServer));
    QCOMPARE(handed, before + 1);
    QCOMPARE(t.page->ToolboxSelection()->SelectedApplicationText, chosenApplication);

    // A new read forgets the choice and leaves no row current.
    t.Open(capture);
    QVERIFY(!t.page->ToolboxSelection().has_value());
    QVERIFY(!t.Grid()->currentIndex().isValid());
}

void ClientServerPageTest::TraceWithoutIpOrIpxShowsOnlyTheCaption()
{
    OpenedTrace t;
    const QString trace = t.scratch.Path("no-ip.enc");
    WriteTraceWithoutIpOrIpx(trace);
    t.Open(trace);
    QVERIFY(t.watcher.Messages.empty());
    QCOMPARE(t.State().TotalFrames, 6);
    auto* caption = t.page->findChild<QLabel*>("NoCSPackets");
    QVERIFY(caption->isVisible());
    QCOMPARE(caption->text(), QString("(No IP or IPX packets in trace file.)"));
    QVERIFY(!t.page->findChild<QWidget*>("CSPanel")->isVisible());
    QVERIFY(caption->geometry().height() > t.page->height() / 2);  // it fills the page
    QCOMPARE(t.page->Content().ServerRowCount, 0);
    // Nothing to choose or copy from, and nothing breaks when asked anyway.
    t.page->ServerGridClick();
    QVERIFY(!t.page->ToolboxSelection().has_value());
    t.Form().Action("SelectAll1")->trigger();
    t.Form().Action("Copy1")->trigger();

    const QString capture = CapturePath("office-a.enc");
    if (!QFile::exists(capture)) return;
    t.Open(capture);
    QVERIFY(!caption->isVisible());
    QVERIFY(t.page->findChild<QWidget*>("CSPanel")->isVisible());
    QVERIFY(t.page->Content().ServerRowCount > 0);
}

void ClientServerPageTest::IpxTraceShowsTheOuiBoxAndItsNames()
{
    const QString capture = CapturePath("zoo-a.enc");
    if (!QFile::exists(capture)) QSKIP("../shared/captures/zoo-a.enc is not present");
    OpenedTrace t(capture);
    QVERIFY(t.CheckBox("ShowIPXOUI")->isVisible());
    QCOMPARE(t.CheckBox("ShowIPXOUI")->text(), QString("Show IPX Node by OUI"));
    CompareWithContent(t, t.Expected());

    t.CheckBox("ShowIPXOUI")->click();
    QVERIFY(t.page->Content().ShowIPXOUI);
    const ClientServerContent byVendor = t.Expected();
    QVERIFY(byVendor.ShowIPXOUI);
    CompareWithContent(t, byVendor);
    t.CheckBox("ShowIPXOUI")->click();
    CompareWithContent(t, t.Expected());

    // A trace without IPX hides the box again.
    const QString office = CapturePath("office-a.enc");
    if (!QFile::exists(office)) return;
    t.Open(office);
    QVERIFY(!t.CheckBox("ShowIPXOUI")->isVisible());
}

void ClientServerPageTest::DamagedCapturesBuildThePageWithoutHarm()
{
    const QDir damaged(CapturePath("damaged"));
    const QStringList files = damaged.entryList({"*.enc"}, QDir::Files, QDir::Name);
    if (files.isEmpty()) QSKIP("../shared/captures/damaged is not present");
    OpenedTrace t;
    for (const QString& file : files) {
        t.Open(damaged.filePath(file));
        if (ReadEndOf(t.State()) == ReadEnd::EndedEarly && t.State().TotalFrames == 0) {
            // Not one frame could be read: the trace is refused, no page is shown.
            QVERIFY(!t.Form().MainPageControl()->isVisible());
            continue;
        }
        const ClientServerContent expected = t.Expected();
        QCOMPARE(t.page->findChild<QLabel*>("NoCSPackets")->isVisible(), expected.NoCSPackets);
        CompareWithContent(t, expected);
        t.MakeCurrent(kColServer, 1);
        QTest::mouseClick(t.Button("SortDescendingBtn"), Qt::LeftButton);
        t.page->ServerGridMouseDown(QPoint(2, 2));
        t.page->CSPopUp()->close();
        t.Form().Action("SelectAll1")->trigger();
        t.Form().Action("Copy1")->trigger();
        QVERIFY2(!QApplication::clipboard()->text().isEmpty() || expected.NoCSPackets, qPrintable(file));
    }
}

int RunTests(int argc, char** argv)
{
    ClientServerPageTest test;
    return QTest::qExec(&test, argc, argv);
}

}  // namespace quenlix::guitest

#include "client_server_page_test.moc"
