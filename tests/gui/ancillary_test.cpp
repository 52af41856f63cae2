// The ancillary windows and the display controls: the error report catching a
// failure from an event handler, the chart options dialog, the system
// information window, the spin edit, the paint panel's picture copy.

#include <QAbstractButton>
#include <QAction>
#include <QCheckBox>
#include <QClipboard>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QPushButton>
#include <QTest>
#include <stdexcept>

#include "GuiTestSupport.h"
#include "model/NumberFormat.h"
#include "ui/controls/BetterSpinEditWidget.h"
#include "ui/controls/CanvasPanelWidget.h"
#include "ui/controls/TextBoxWidget.h"
#include "ui/main/MainForm.h"
#include "ui/misc/ChartPropertiesForm.h"
#include "ui/misc/ErrorInformationForm.h"
#include "ui/misc/SystemInformationForm.h"

namespace quenlix::guitest {

namespace {

// An object whose event handler fails, as a faulty view would.
class FailingHandler : public QObject {
public:
    bool event(QEvent* event) override
    {
        if (event->type() == QEvent::User) throw std::runtime_error("The view could not be built");
        if (event->type() == QEvent::User + 1) throw 42;
        return QObject::event(event);
    }
};

}  // namespace

class AncillaryTest : public QObject {
    Q_OBJECT

private slots:
    void ErrorReportCatchesFailureFromAHandler();
    void ChartPropertiesApplyOkCancel();
    void SystemInformationShowsHostFacts();
    void HelpMenuOpensSystemInformation();
    void SpinEditStepsParsesAndClamps();
    void CanvasPanelCopiesItsSurface();
    void TextBoxInsetFollowsItsBevels();
};

void AncillaryTest::ErrorReportCatchesFailureFromAHandler()
{
    Scratch scratch;
    auto program = StartProgram(scratch);
    TErrorInformationForm& report = program->ErrorInformationForm();
    bool terminated = false;
    report.Terminate = [&] { terminated = true; };

    QStringList first;
    QStringList second;
    ModalWatcher watcher;
    watcher.OnOtherModal = [&](QWidget* modal) {
        if (modal != &report) return;
        (first.isEmpty() ? first : second) << report.ErrorInfo1() << report.ErrorInfo2();
        (second.isEmpty() ? report.ContinueButton() : report.AbortButton())->click();
    };
    FailingHandler handler;
    QCoreApplication::postEvent(&handler, new QEvent(QEvent::User));
    QVERIFY(WaitFor([&] { return !first.isEmpty(); }));
    QVERIFY(first[0].startsWith("Exception std::runtime_error in Module "));
    QVERIFY(first[0].endsWith("."));
    QCOMPARE(first[1], QString("The view could not be built."));
    QVERIFY(!terminated);

    // The program carries on with the event loop; a failure that is no standard
    // exception has no message line, and Abort ends the program.
    QCoreApplication::postEvent(&handler, new QEvent(static_cast<QEvent::Type>(QEvent::User + 1)));
    QVERIFY(WaitFor([&] { return !second.isEmpty(); }));
    QVERIFY(second[0].startsWith("Exception int in Module "));
    QCOMPARE(second[1], QString());
    QVERIFY(terminated);
    QVERIFY(!report.isVisible());
}

void AncillaryTest::ChartPropertiesApplyOkCancel()
{
    Scratch scratch;
    auto program = StartProgram(scratch);
    TChartPropertiesForm& dialog = program->ChartPropertiesForm();
    int changes = 0;
    connect(&dialog, &TChartPropertiesForm::ChartsChanged, this, [&] { ++changes; });
    dialog.show();
    QVERIFY(!dialog.ApplyButton()->isEnabled());

    auto* title = dialog.findChild<QCheckBox*>("ShowTitleCheckBox");
    title->click();
    QVERIFY(dialog.ApplyButton()->isEnabled());
    title->click();
    QVERIFY(!dialog.ApplyButton()->isEnabled());  // back to the saved values

    auto* gradient = dialog.findChild<QCheckBox*>("ShowGradientCheckBox");
    gradient->click();
    QVERIFY(!dialog.findChild<QPushButton*>("TopColorButton")->isEnabled());
    dialog.ApplyButton()->click();
    QCOMPARE(changes, 1);
    QVERIFY(!dialog.ApplyButton()->isEnabled());
    QVERIFY(!dialog.SavedValues().ShowGradient);

    // Cancel puts the saved copy back.
    title->click();
    dialog.reject();
    QCOMPARE(changes, 2);
    QVERIFY(title->isChecked());
    QVERIFY(!dialog.Values().ShowGradient);

    // The values reach the settings when the main window closes.
    program->MainForm().close();
    QCOMPARE(program->MainForm().Settings().Charts.ShowGradient, false);
}

void AncillaryTest::SystemInformationShowsHostFacts()
{
    Scratch scratch;
    auto program = StartProgram(scratch);
    TSystemInformationForm& window = program->SystemInformationForm();
    window.show();
    auto text = [&](const char* name) { return window.findChild<TTextBox*>(name)->text(); };
    QVERIFY(!text("ProcessorArchTextBox").isEmpty());
    QVERIFY(!text("OSVersionTextBox").isEmpty());
    QVERIFY(text("MemoryPhysicalTextBox").endsWith("B"));
    QVERIFY(text("MemoryUtilizationTextBox").endsWith("%"));
    QCOMPARE(text("ScreenResWidthTextBox").toStdString(), FormatCount(window.screen()->geometry().width()));
    window.hide();
}

void AncillaryTest::HelpMenuOpensSystemInformation()
{
    Scratch scratch;
    auto program = StartProgram(scratch);
    program->ShowMainWindow();
    QAction* item = program->MainForm().Action("SystemInformation1");
    QCOMPARE(item->text(), QString("System Information..."));
    QVERIFY(program->MainForm().findChild<QMenu*>("Help1")->actions().contains(item));
    QString platform;
    ModalWatcher watcher;
    watcher.OnOtherModal = [&](QWidget* modal) {
        if (auto* window = qobject_cast<TSystemInformationForm*>(modal)) {
            auto* box = window->findChild<TTextBox*>("OSPlatformTextBox");
            platform = box->text();
            // The name shows whole.
            if (box->width() < box->minimumSizeHint().width()) platform = "<cut> " + platform;
            window->accept();
        }
    };
    item->trigger();
    QVERIFY(!platform.isEmpty());
    QVERIFY(platform != "Unknown Platform");
    QVERIFY2(!platform.startsWith("<cut>"), qPrintable(platform));
}

void AncillaryTest::SpinEditStepsParsesAndClamps()
{
    TBetterSpinEdit edit;
    edit.show();
    QCOMPARE(edit.Text(), QString("0"));
    int changes = 0;
    connect(&edit, &TBetterSpinEdit::OnChange, this, [&] { ++changes; });

    // Unbounded (MinValue = MaxValue = 0): any value is taken.
    edit.Editor()->setText("12-3");
    QTest::keyClick(edit.Editor(), Qt::Key_Return);
    QCOMPARE(edit.Value(), 123);
    QCOMPARE(edit.Text(), QString("123"));

    edit.SetBounds(0, 200);
    QTest::keyClick(edit.Editor(), Qt::Key_PageUp);
    QCOMPARE(edit.Value(), 133);
    QTest::keyClick(edit.Editor(), Qt::Key_Down);
    QCOMPARE(edit.Value(), 132);
    edit.SetValue(5000);
    QCOMPARE(edit.Value(), 200);

    // Letters are refused; an empty text keeps the value.
    edit.Editor()->clear();
    QTest::keyClicks(edit.Editor(), "a1b");
    QCOMPARE(edit.Text(), QString("1"));
    edit.Editor()->clear();
    QTest::keyClick(edit.Editor(), Qt::Key_Return);
    QCOMPARE(edit.Value(), 200);
    QVERIFY(changes >= 4);
}

void AncillaryTest::CanvasPanelCopiesItsSurface()
{
    TCanvasPanel panel;
    panel.resize(120, 80);
    panel.OnPaint = [](QPainter& painter, const QRect& area) { painter.fillRect(area, Qt::red); };
    panel.show();
    panel.CopyToClipboard(QRect(10, 10, 50, 30));
    const QImage copied = QApplication::clipboard()->image();
    QCOMPARE(copied.size(), QSize(50, 30));
    QCOMPARE(QColor(copied.pixel(25, 15)), QColor(Qt::red));
}

void AncillaryTest::TextBoxInsetFollowsItsBevels()
{
    TTextBox box;
    QCOMPARE(box.text(), QString("0"));
    QCOMPARE(box.TextInset(), 3);  // padding 2 and the lowered outer bevel
    box.BevelInner = Bevel::Raised;
    box.BorderWidth = 2;
    QCOMPARE(box.TextInset(), 6);
    QVERIFY(box.alignment() & Qt::AlignRight);
}

int RunTests(int argc, char** argv)
{
    AncillaryTest test;
    return QTest::qExec(&test, argc, argv);
}

}  // namespace quenlix::guitest

#include "ancillary_test.moc"
