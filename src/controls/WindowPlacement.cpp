// Window placement kept in the settings store in twips.
#include "controls/WindowPlacement.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <algorithm>

#include "monitor/SettingsStore.h"
#include "playback/VUCanvas.h"
#include "support/Log.h"

namespace sonivex {

namespace {

float Twips(int pixels) {
    return static_cast<float>(pixels * kTwipsPerPixel);
}

int Pixels(float twips) {
    return PixelOf(twips, kTwipsPerPixel);
}

QSize ScreenPixels(const QWidget& window) {
    const QScreen* screen = window.screen() ? window.screen() : QGuiApplication::primaryScreen();
    return screen ? screen->virtualSize() : QSize();
}

// The keys hold the outer size, frame included, as for every window; the frame the window knows
// now (none before its native window exists) is taken off again. A size that does not fit the
// screen is cut to it.
void RestoreSize(QWidget& window, SettingsStore& store, const std::string& suffix) {
    const QSize frame = window.frameGeometry().size();
    const float height = store.ReadSetting("WindowHeight" + suffix, Twips(frame.height()));
    const float width = store.ReadSetting("WindowWidth" + suffix, Twips(frame.width()));
    if (height <= 0 || width <= 0) {
        WriteLog("WindowHeight/WindowWidth" + suffix + " not positive: size kept", 1);
        return;
    }
    QSize outer(Pixels(width), Pixels(height));
    const QSize screen = ScreenPixels(window);
    if (screen.isValid()) outer = outer.boundedTo(screen);
    window.resize(outer - (frame - window.size()));
}

}  // namespace

int WindowStateCode(const QWidget& window) {
    const Qt::WindowStates state = window.windowState();
    if (state & Qt::WindowMinimized) return kWindowStateMinimised;
    if (state & Qt::WindowMaximized) return kWindowStateMaximised;
    return kWindowStateNormal;
}

void ApplyWindowStateCode(QWidget& window, int state) {
    switch (state) {
        case kWindowStateNormal:
            window.setWindowState(Qt::WindowNoState);
            break;
        case kWindowStateMinimised:
            window.setWindowState(Qt::WindowMinimized);
            break;
        case kWindowStateMaximised:
            window.setWindowState(Qt::WindowMaximized);
            break;
        default:
            WriteLog("WindowState " + std::to_string(state) + " ignored", 1);
    }
}

void RestoreWindowPlacement(QWidget& window, SettingsStore& store, const std::string& suffix,
                            bool restoreSize) {
    if (WindowStateCode(window) == kWindowStateNormal) {
        if (restoreSize) RestoreSize(window, store, suffix);
        float left = store.ReadSetting("WindowLeft" + suffix, Twips(window.x()));
        float top = store.ReadSetting("WindowTop" + suffix, Twips(window.y()));
        const QSize screen = ScreenPixels(window);
        if (left < 0 || left > Twips(screen.width())) left = 0;
        if (top < 0 || top > Twips(screen.height())) top = 0;
        window.move(Pixels(left), Pixels(top));
    }
    const auto current = static_cast<int16_t>(WindowStateCode(window));
    ApplyWindowStateCode(window, store.ReadSetting("WindowState" + suffix, current));
}

void SaveWindowPlacement(const QWidget& window, SettingsStore& store, const std::string& suffix) {
    if (WindowStateCode(window) == kWindowStateNormal) {
        const QRect frame = window.frameGeometry();
        store.WriteSetting("WindowLeft" + suffix, Twips(frame.x()));
        store.WriteSetting("WindowTop" + suffix, Twips(frame.y()));
        store.WriteSetting("WindowHeight" + suffix, Twips(frame.height()));
        store.WriteSetting("WindowWidth" + suffix, Twips(frame.width()));
    }
    store.WriteSetting("WindowState" + suffix, static_cast<int32_t>(WindowStateCode(window)));
}

}  // namespace sonivex
