// The bar meter: geometry on the fader law, shaded bars, peak marks, labels and the dB scale.
#include "playback/C_VU.h"

#include <algorithm>
#include <cmath>

#include "playback/FaderCurve.h"
#include "support/Log.h"

namespace sonivex {

namespace {

constexpr char kMeasureText[] = "漢";  // a full-width glyph sizes every font type
constexpr int kLabelFont = 1;
constexpr int kTextFont = 0;
constexpr int kScaleFont = 2;
constexpr int kPeakPixels = 3;

struct ScaleMark {
    float dB;
    const char* text;
};
constexpr ScaleMark kScale[] = {{0.0f, "0db"}, {-6.0f, "-6"},   {-12.0f, "-12"}, {-20.0f, "-20"},
                                {-30.0f, ""},  {-40.0f, "-40"}, {-60.0f, ""},    {kVURestDB, ""}};

// Rounds to the nearest whole number, halves to even.
float Nearest(double x) {
    return static_cast<float>(std::nearbyint(x));
}

uint8_t Component(float v) {
    return static_cast<uint8_t>(std::clamp(v, 0.0f, 255.0f));
}

float StepX(float dB, bool fractional, float length) {
    return static_cast<float>(FaderPositionOf(dB, fractional) / kFaderUnityStep * length);
}

}  // namespace

C_VU::C_VU(int twipsPerPixel) : p_(std::max(1, twipsPerPixel)) {
    NumValue(0);
}

void C_VU::SetFontSize(int pType, float pValue) {
    if (pType < 0 || pType > 2 || !(pValue > 0)) {
        WriteLog("C_VU SetFontSize: type " + std::to_string(pType) + " size ignored", 1);
        return;
    }
    fontSize_[pType] = pValue;
}

void C_VU::NumValue(int last) {
    numValue_ = std::clamp(last, 0, kVUMaxBars - 1);
    labels_.assign(numValue_ + 1, "");
    labelOffset_.assign(numValue_ + 1, 0.0f);
}

// A bar is at least one pixel thick; a zero shading step would never end.
void C_VU::BarWidth(int halfPixels) {
    barWidth_ = std::max(1, halfPixels);
}

void C_VU::SetStrType(int pIsNum) {
    for (int i = 0; i <= numValue_; ++i)
        labels_[i] = pIsNum ? std::to_string(i + 1) : (i % 2 == 0 ? "L" : "R");
}

void C_VU::SetMargin(float pBarXStart, float pBarXEnd, float pLabelX, float pDBXneg) {
    barXStart_ = pBarXStart;
    barXEnd_ = pBarXEnd;
    labelX_ = pLabelX;
    dbxNeg_ = pDBXneg;
}

bool C_VU::ValidBar(int pl) const {
    return pl >= 0 && pl <= numValue_;
}

float C_VU::BarThickness() const {
    return static_cast<float>((2 * barWidth_ - 1) * p_);
}

float C_VU::BarCentreY(int pl) const {
    const float t = BarThickness();
    return Nearest((barMargin_ + t) * pl + topMargin_ + t / 2);
}

float C_VU::XOf(float dB) const {
    return StepX(dB, true, barLength_) + barXStart_;
}

void C_VU::ApplyFont(VUCanvas& picture, int type) {
    if (currentFontSize_ == fontSize_[type]) return;
    picture.SetFontSize(fontSize_[type]);
    currentFontSize_ = fontSize_[type];
}

void C_VU::SetParms() {
    if (!picture_) {
        WriteLog("C_VU SetParms: no picture", 1);
        return;
    }
    VUCanvas& pic = *picture_;
    barLength_ = pic.Width() - barXStart_ - barXEnd_;
    const float red = Nearest(StepX(redPoint_, false, barLength_) + barXStart_);
    redX_ = std::trunc(red / static_cast<float>(p_)) * static_cast<float>(p_);
    for (auto& table : colours_) table.assign(barWidth_, VUColour{});
    for (int i = 0; i < barWidth_; ++i) {
        const uint8_t a = Component(Nearest(120.0f / barWidth_ * i + 50.0f));
        const uint8_t b = Component(Nearest(80.0f / barWidth_ * i + 10.0f));
        colours_[kRed][i] = {a, b, b};
        colours_[kGreen][i] = {b, a, b};
        colours_[kGrey][i] = {a, a, a};
    }
    for (int type = 0; type < 3; ++type) {
        pic.SetFontSize(fontSize_[type]);
        currentFontSize_ = fontSize_[type];
        textHeight_[type] = pic.TextHeight(kMeasureText);
        textWidth_[type] = pic.TextWidth(kMeasureText);
        if (type < 2) halfHeight_[type] = Nearest(textHeight_[type] / 2);
        if (type != kLabelFont) continue;
        for (int i = 0; i <= numValue_; ++i)
            labelOffset_[i] = Nearest(textWidth_[type] - pic.TextWidth(labels_[i]) / 2);
    }
    pic.Clear();
}

// For i = W-1 down to 0: each narrower box is brighter, so the bar looks rounded.
void C_VU::ShadedBox(float x1, float x2, float y, Table table) {
    if (x2 <= x1) return;
    const int w = barWidth_;
    for (int i = w - 1; i >= 0; --i)
        picture_->FillBox(x1, y - i * p_, x2, y + i * p_, colours_[table][w - 1 - i]);
}

void C_VU::ShadedPair(float redFrom, float x2, float green2, float y) {
    const int w = barWidth_;
    for (int i = w - 1; i >= 0; --i) {
        if (x2 > redFrom)
            picture_->FillBox(redFrom, y - i * p_, x2, y + i * p_, colours_[kRed][w - 1 - i]);
        if (green2 > barXStart_)
            picture_->FillBox(barXStart_, y - i * p_, green2, y + i * p_,
                              colours_[kGreen][w - 1 - i]);
    }
}

VUBarPlan C_VU::Plan(float level, float peak, float mark) const {
    VUBarPlan plan;
    plan.levelX = std::max(XOf(level), barXStart_);
    plan.peakX = std::max(XOf(peak) - kPeakPixels * p_, barXStart_);
    plan.hasMark = mark != kVUNoMark;
    if (plan.hasMark) plan.markX = std::max(XOf(mark) - p_, barXStart_);
    return plan;
}

void C_VU::DrawVU(int pl, float level, float peak, const std::string& text, float mark) {
    if (!picture_ || !ValidBar(pl) || colours_[0].empty()) return;
    VUCanvas& pic = *picture_;
    const float y = BarCentreY(pl);
    const float width = pic.Width();
    if (!useBG_)
        pic.FillBox(barXStart_ + p_, y - barWidth_ * p_, barXStart_ + barLength_,
                    y + barWidth_ * p_, pic.BackColour());
    const VUBarPlan plan = Plan(level, peak, mark);
    if (plan.levelX <= redX_)
        ShadedBox(barXStart_, plan.levelX, y, kGreen);
    else
        ShadedPair(redX_ + p_, plan.levelX, redX_, y);
    ShadedBox(plan.peakX, plan.peakX + kPeakPixels * p_, y, kGrey);
    if (plan.hasMark) ShadedBox(plan.markX, plan.markX + p_, y, kGrey);
    if (!useBG_)
        pic.FillBox(barXStart_ + barLength_ + p_, y - halfHeight_[kTextFont], width,
                    y + halfHeight_[kTextFont], pic.BackColour());
    if (text.empty()) return;
    ApplyFont(pic, kTextFont);
    pic.Print(width - pic.TextWidth(text) - dbxNeg_, y - halfHeight_[kTextFont], text);
}

void C_VU::DrawScaleToPB(VUCanvas& picture) {
    const float t = BarThickness();
    ApplyFont(picture, kLabelFont);
    for (int i = 0; i <= numValue_; ++i) {
        if (labels_[i].empty()) continue;
        const float y = (barMargin_ + t) * i + topMargin_ + t / 2 - halfHeight_[kLabelFont];
        picture.Print(labelOffset_[i] + labelX_, y, labels_[i]);
    }
    ApplyFont(picture, kScaleFont);
    const float yS = (numValue_ + 1) * t + topMargin_ + numValue_ * barMargin_ + p_ + barMargin_;
    // The marks reach down to the foot of the meter's own picture, wherever they are drawn.
    const float foot = (picture_ ? picture_->Height() : picture.Height()) - 2 * p_;
    for (const ScaleMark& mark : kScale) {
        const float x = barXStart_ + StepX(mark.dB, false, barLength_);
        picture.Line(x, yS, x, foot, picture.ForeColour());
        if (*mark.text) picture.Print(x + 2 * p_, yS + p_, mark.text);
    }
}

}  // namespace sonivex
