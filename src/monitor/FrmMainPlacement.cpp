// The main window's position and state, kept in the settings store in twips.
#include <QGuiApplication>
#include <QScreen>

#include "monitor/FrmMain.h"
#include "monitor/SettingsStore.h"
#include "support/Log.h"

namespace sonivex {

namespace {

constexpr int kStateNormal = 0;
constexpr int kStateMinimised = 1;
constexpr int kStateMaximised = 2;

float Twips(int pixels) {
    return static_cast<float>(pixels * kTwipsPerPixel);
}

QSize ScreenTwips(const QWidget& window) {
    const QScreen* screen = window.screen() ? window.screen() : QGuiApplication::primaryScreen();
    if (!screen) return {};
    const QSize pixels = screen->virtualSize();
    return {pixels.width() * kTwipsPerPixel, pixels.height() * kTwipsPerPixel};
}

}  // namespace

int FrmMain::StateCode() const {
    const Qt::WindowStates state = windowState();
    if (state & Qt::WindowMinimized) return kStateMinimised;
    if (state & Qt::WindowMaximized) return kStateMaximised;
    return kStateNormal;
}

void FrmMain::ApplyStateCode(int state) {
    switch (state) {
        case kStateNormal:
            setWindowState(Qt::WindowNoState);
            break;
        case kStateMinimised:
            setWindowState(Qt::WindowMinimized);
            break;
        case kStateMaximised:
            setWindowState(Qt::WindowMaximized);
            break;
        default:
            WriteLog("WindowState " + std::to_string(state) + " ignored", 1);
    }
}

// Position and state only: the size always follows from the layout.
void FrmMain::RestorePlacement(SettingsStore& store) {
    if (StateCode() == kStateNormal) {
        float left = store.ReadSetting("WindowLeft", Twips(x()));
        float top = store.ReadSetting("WindowTop", Twips(y()));
        const QSize screen = ScreenTwips(*this);
        if (left < 0 || left > screen.width()) left = 0;
        if (top < 0 || top > screen.height()) top = 0;
        move(PixelOf(left, kTwipsPerPixel), PixelOf(top, kTwipsPerPixel));
    }
    ApplyStateCode(store.ReadSetting("WindowState", static_cast<int16_t>(StateCode())));
}

// A minimised or maximised window keeps the normal placement saved before.
void FrmMain::SavePlacement(SettingsStore& store) {
    if (StateCode() == kStateNormal) {
        const QRect frame = frameGeometry();
        store.WriteSetting("WindowLeft", Twips(frame.x()));
        store.WriteSetting("WindowTop", Twips(frame.y()));
        store.WriteSetting("WindowHeight", Twips(frame.height()));
        store.WriteSetting("WindowWidth", Twips(frame.width()));
    }
    store.WriteSetting("WindowState", static_cast<int32_t>(StateCode()));
}

}  // namespace sonivex
