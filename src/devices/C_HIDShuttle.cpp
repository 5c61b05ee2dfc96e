// C_HID: the jog/shuttle controller, polled without waiting and decoded into short codes.
#include <cstdio>
#include <string>

#include "devices/C_HID.h"
#include "support/basic.h"

namespace sonivex {

namespace {

constexpr int kShuttleByte = 1;
constexpr int kJogByte = 2;
constexpr int kButtonByte1 = 4;
constexpr int kButtonByte2 = 5;
constexpr int kJogWrap = 240;  // a larger step of the 8-bit jog counter is a wrap-around

std::string Code(char letter, int number) {
    char text[8];
    std::snprintf(text, sizeof text, "%c%03d", letter, number);
    return text;
}

// One button per bit of the first button byte: D001..D008.
std::string FirstButtons(int bits) {
    for (int k = 0; k < 8; ++k)
        if (bits == (1 << k)) return Code('D', k + 1);
    return "";
}

std::string SecondButtons(int bits) {
    struct Button {
        int bit;
        int number;
    };
    constexpr Button kButtons[] = {{1, 9}, {32, 10}, {64, 11}, {2, 12}, {4, 13}, {8, 14}, {16, 15}};
    for (const Button& b : kButtons)
        if (bits == b.bit) return Code('D', b.number);
    return "";
}

}  // namespace

std::string C_HID::DecodeShuttle() {
    const int now = c_ReadBuffer[kShuttleByte];
    const int before = c_PrevReport[kShuttleByte];
    if (now == before || before == -1) return "";
    std::string code;
    if (now == 0) code = "B000";
    if (now >= 1 && now <= 7) code = Code('B', now);
    if (now >= 249) code = Code('C', 256 - now);
    if (code == c_LastShuttle) return "";
    c_LastShuttle = code;
    return code;
}

std::string C_HID::DecodeButtons() {
    const int first = c_ReadBuffer[kButtonByte1];
    const int second = c_ReadBuffer[kButtonByte2];
    if (first == 0 && second == 0) {
        c_LastButton.clear();
        return "";
    }
    const std::string code = second != 0 ? SecondButtons(second) : FirstButtons(first);
    if (code == c_LastButton) return "";
    c_LastButton = code;
    return code;
}

std::string C_HID::DecodeJog() {
    const int now = c_ReadBuffer[kJogByte];
    const int before = c_PrevReport[kJogByte];
    if (now == before || before == -1) return "";
    const bool up = (now > before && now - before <= kJogWrap) || before - now > kJogWrap;
    return up ? "A000" : "A001";
}

std::string C_HID::ShuttlePro2Read() {
    if (c_ReadLength <= 0 || !IsOpen() || c_SyncMode <= 0) return "";
    if (!c_ReadRequested) {
        if (Issue(0, true) == Poll::Failed) return "";
        c_ReadRequested = 1;
        c_ReadPolls = 0;
        PumpEvents();
        if (!IsOpen()) return "";
    }
    if (++c_ReadPolls > c_ReadRetrial) {
        CancelIo();
        c_ReadRequested = 0;
        return "";
    }
    const Poll p = PollRecord(0);
    if (p == Poll::Pending) return "";
    c_ReadRequested = 0;
    if (p == Poll::Failed || c_Ol[0].count < c_ReadLength) return "";
    std::string code = DecodeShuttle();
    if (code.empty()) code = DecodeButtons();
    if (code.empty()) code = DecodeJog();
    c_PrevReport[kShuttleByte] = c_ReadBuffer[kShuttleByte];
    c_PrevReport[kJogByte] = c_ReadBuffer[kJogByte];
    return code;
}

}  // namespace sonivex
