// Report lengths from a HID report descriptor: its short items summed per report id and kind.
#include <algorithm>
#include <cstdint>
#include <map>
#include <vector>

#include "platform/Hidraw.h"

namespace sonivex {

namespace {

constexpr uint8_t kLongItem = 0xFE;
constexpr int kTypeMain = 0;
constexpr int kTypeGlobal = 1;
constexpr int kMainInput = 0x8;
constexpr int kMainOutput = 0x9;
constexpr int kMainFeature = 0xB;
constexpr int kGlobalReportSize = 0x7;
constexpr int kGlobalReportId = 0x8;
constexpr int kGlobalReportCount = 0x9;
constexpr int kGlobalPush = 0xA;
constexpr int kGlobalPop = 0xB;
constexpr int64_t kMaxReportBits = 4096 * 8;  // the kernel's limit is 16 KiB; no device needs more
constexpr size_t kMaxPushDepth = 16;

struct Globals {
    uint32_t reportSize = 0;
    uint32_t reportCount = 0;
    uint32_t reportId = 0;
};

struct Totals {
    std::map<uint32_t, int64_t> bits[3];  // input, output, feature; by report id
};

uint32_t ItemData(const std::vector<uint8_t>& d, size_t at, size_t size) {
    uint32_t value = 0;
    for (size_t k = 0; k < size; ++k) value |= static_cast<uint32_t>(d[at + k]) << (8 * k);
    return value;
}

void AddMain(int tag, const Globals& g, Totals& t) {
    const int kind = tag == kMainInput ? 0 : tag == kMainOutput ? 1 : tag == kMainFeature ? 2 : -1;
    if (kind < 0) return;
    int64_t& bits = t.bits[kind][g.reportId];
    const int64_t size = std::min<int64_t>(g.reportSize, kMaxReportBits);
    const int64_t count = std::min<int64_t>(g.reportCount, kMaxReportBits);
    bits = std::min(kMaxReportBits, bits + size * count);
}

int LengthOf(const std::map<uint32_t, int64_t>& byId) {
    int64_t longest = 0;
    for (const auto& [id, bits] : byId) longest = std::max(longest, (bits + 7) / 8);
    return longest > 0 ? static_cast<int>(longest) + 1 : 0;
}

}  // namespace

HidReportLengths ParseReportDescriptor(const std::vector<uint8_t>& d) {
    Globals g;
    std::vector<Globals> stack;
    Totals totals;
    HidReportLengths out;
    size_t at = 0;
    while (at < d.size()) {
        const uint8_t prefix = d[at];
        if (prefix == kLongItem) {
            if (at + 1 >= d.size()) break;
            at += 3 + d[at + 1];
            continue;
        }
        const size_t size = (prefix & 3) == 3 ? 4 : prefix & 3;
        if (at + 1 + size > d.size()) break;  // a cut-off item ends the descriptor
        const uint32_t value = ItemData(d, at + 1, size);
        const int type = (prefix >> 2) & 3;
        const int tag = prefix >> 4;
        at += 1 + size;
        if (type == kTypeMain) {
            AddMain(tag, g, totals);
        } else if (type == kTypeGlobal) {
            if (tag == kGlobalReportSize) g.reportSize = value;
            if (tag == kGlobalReportCount) g.reportCount = value;
            if (tag == kGlobalReportId) {
                g.reportId = value;
                out.numbered = true;
            }
            if (tag == kGlobalPush && stack.size() < kMaxPushDepth) stack.push_back(g);
            if (tag == kGlobalPop && !stack.empty()) {
                g = stack.back();
                stack.pop_back();
            }
        }
    }
    out.input = LengthOf(totals.bits[0]);
    out.output = LengthOf(totals.bits[1]);
    out.feature = LengthOf(totals.bits[2]);
    return out;
}

}  // namespace sonivex
