// Window placements kept between runs: a window saved and restored comes back
// over the same rectangle however thick the window manager's frame is.

#include <QTest>
#include <QWidget>

#include "GuiTestSupport.h"
#include "model/SettingsStore.h"
#include "ui/main/FormPlacementWidget.h"

namespace quenlix::guitest {

namespace {

// A top-level window named as the placements name it, shown and drawn.
std::unique_ptr<QWidget> ShownWindow(const std::function<void(QWidget&)>& place)
{
    auto window = std::make_unique<QWidget>();
    window->setObjectName("PlacementProbe");
    place(*window);
    window->show();
    if (!QTest::qWaitForWindowExposed(window.get())) return nullptr;
    return window;
}

}  // namespace

class PlacementTest : public QObject {
    Q_OBJECT

private slots:
    void init() { SetPlacementStore(&store_); }
    void cleanup() { SetPlacementStore(nullptr); }
    void RestoredWindowKeepsItsPlaceOverStartAndExitCycles();

private:
    MemorySettingsStore store_;
};

void PlacementTest::RestoredWindowKeepsItsPlaceOverStartAndExitCycles()
{
    const QRect first(120, 140, 400, 300);
    auto window = ShownWindow([&](QWidget& w) { w.setGeometry(first); });
    QVERIFY(window != nullptr);
    // The offscreen platform draws a thin frame: a pair mixing the frame with
    // the client area would move the window by it.
    QVERIFY2(window->frameGeometry() != window->geometry(), "the platform gives the window no frame");
    const QRect saved = window->geometry();
    for (int start = 1; start <= 3; ++start) {
        SaveFormPlacement(*window);
        window = ShownWindow([](QWidget& w) { QVERIFY(LoadFormPlacement(w)); });
        QVERIFY(window != nullptr);
        QCOMPARE(window->geometry(), saved);
    }
}

int RunTests(int argc, char** argv)
{
    PlacementTest test;
    return QTest::qExec(&test, argc, argv);
}

}  // namespace quenlix::guitest

#include "placement_test.moc"
