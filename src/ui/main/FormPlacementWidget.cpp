#include "ui/main/FormPlacementWidget.h"

#include <QGuiApplication>
#include <QScreen>
#include <QScrollArea>
#include <QVBoxLayout>

#include "ui/main/PlacementContent.h"

namespace quenlix {

namespace {

SettingsStore* placementStore = nullptr;

QSize ScreenSize(const QWidget& form)
{
    const QScreen* screen = form.screen() != nullptr ? form.screen() : QGuiApplication::primaryScreen();
    return screen != nullptr ? screen->geometry().size() : QSize(1024, 768);
}

// Room left on the screen for the window manager's title bar and borders.
constexpr int kFrameAllowance = 40;

}  // namespace

void SetPlacementStore(SettingsStore* store)
{
    placementStore = store;
}

bool LoadFormPlacement(QWidget& form)
{
    if (placementStore == nullptr) return false;
    const QSize screen = ScreenSize(form);
    const std::optional<FormPlacement> placement =
        LoadFormPlacement(*placementStore, form.objectName().toStdString(), screen.width(), screen.height());
    if (!placement) return false;
    // The record holds the client area, as SaveFormPlacement reads it; move()
    // would place the frame there instead, and the window would come back lower
    // by its title bar at every start.
    form.setGeometry(placement->Left, placement->Top, placement->Width, placement->Height);
    switch (placement->State) {
    case WindowState::Normal: form.setWindowState(Qt::WindowNoState); break;
    case WindowState::Minimised: form.setWindowState(Qt::WindowMinimized); break;
    case WindowState::Maximised: form.setWindowState(Qt::WindowMaximized); break;
    }
    return true;
}

void SaveFormPlacement(const QWidget& form)
{
    if (placementStore == nullptr) return;
    // A maximised or minimised window keeps the size it is restored to. Both are
    // the client area, without the window manager's frame.
    const bool restored = !(form.isMaximized() || form.isMinimized());
    const QRect client = restored ? form.geometry() : form.normalGeometry();
    FormPlacement placement;
    placement.Height = client.height();
    placement.Left = client.left();
    placement.Top = client.top();
    placement.Width = client.width();
    placement.State = form.isMaximized()   ? WindowState::Maximised
                      : form.isMinimized() ? WindowState::Minimised
                                           : WindowState::Normal;
    SaveFormPlacement(*placementStore, form.objectName().toStdString(), placement);
}

void ShowToolWindow(QWidget& form)
{
    if (form.isMinimized()) form.setWindowState(form.windowState() & ~Qt::WindowMinimized);
    form.show();
    form.raise();
    form.activateWindow();
}

QWidget* ScrollingBody(QWidget& form)
{
    auto* outer = new QVBoxLayout(&form);
    outer->setContentsMargins(0, 0, 0, 0);
    auto* area = new QScrollArea;
    area->setObjectName("ScrollingBody");
    area->setFrameShape(QFrame::NoFrame);
    area->setWidgetResizable(true);
    auto* body = new QWidget;
    area->setWidget(body);
    outer->addWidget(area);
    return body;
}

void ResizeToContent(QWidget& form, QSize least)
{
    const auto* area = form.findChild<QScrollArea*>("ScrollingBody");
    const QSize content = area != nullptr ? area->widget()->sizeHint() : form.sizeHint();
    ResizeWithinScreen(form, content.expandedTo(least));
}

void ResizeWithinScreen(QWidget& form, QSize size)
{
    const QScreen* screen = form.screen() != nullptr ? form.screen() : QGuiApplication::primaryScreen();
    if (screen != nullptr)
        size = size.boundedTo(screen->availableGeometry().size() - QSize(kFrameAllowance, kFrameAllowance));
    form.resize(size);
}

}  // namespace quenlix
