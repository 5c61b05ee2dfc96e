// A horizontal bar meter, one shaded bar per channel on the fader law, drawn through a VUCanvas.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "playback/VUCanvas.h"

namespace sonivex {

constexpr float kVURestDB = -99.9f;  // a bar at rest
constexpr float kVUNoMark = 99.0f;   // DrawVU's mark value for "no mark"
constexpr int kVUMaxBars = 64;

// Where DrawVU puts a bar's level end, peak mark and second mark, in twips.
struct VUBarPlan {
    float levelX = 0;
    float peakX = 0;
    float markX = 0;
    bool hasMark = false;
};

class C_VU {
  public:
    explicit C_VU(int twipsPerPixel = kTwipsPerPixel);

    void PictureBox(VUCanvas* picture) { picture_ = picture; }
    void SetFontSize(int pType, float pValue);
    // The size the picture's font was last set to; 0 makes the next text set it again.
    void CurrentFontSize(float size) { currentFontSize_ = size; }
    void UseBG(int on) { useBG_ = on; }
    void NumValue(int last);  // bars 0..last; clears the labels
    void BarWidth(int halfPixels);
    void BarMargin(float value) { barMargin_ = value; }
    void TopMargin(float value) { topMargin_ = value; }
    void SetParms();
    void SetStrType(int pIsNum);
    void RedPoint(float dB) { redPoint_ = dB; }
    void SetMargin(float pBarXStart, float pBarXEnd, float pLabelX, float pDBXneg);
    void DrawVU(int pl, float level, float peak, const std::string& text, float mark);
    void DrawScaleToPB(VUCanvas& picture);

    // What DrawVU draws for these values; a window compares plans to skip needless redraws.
    VUBarPlan Plan(float level, float peak, float mark) const;

  private:
    enum Table { kRed, kGreen, kGrey };
    void ApplyFont(VUCanvas& picture, int type);
    void ShadedBox(float x1, float x2, float y, Table table);
    void ShadedPair(float redFrom, float x2, float green2, float y);
    bool ValidBar(int pl) const;
    float XOf(float dB) const;   // x of a level on the bar, fractional fader steps
    float BarThickness() const;  // twips
    float BarCentreY(int pl) const;

    int p_;  // twips per pixel
    VUCanvas* picture_ = nullptr;
    int numValue_ = 0;
    std::vector<std::string> labels_;
    std::vector<float> labelOffset_;
    int barWidth_ = 4;
    float barMargin_ = 60;
    float topMargin_ = 75;
    float barXStart_ = 0, barXEnd_ = 0, labelX_ = 60, dbxNeg_ = 120;
    float redPoint_ = -20.0f;
    std::array<float, 3> fontSize_{8.0f, 8.0f, 8.0f};
    float currentFontSize_ = 0;
    int useBG_ = 0;
    // Derived by SetParms.
    float barLength_ = 0;
    float redX_ = 0;
    std::array<std::vector<VUColour>, 3> colours_;
    std::array<float, 3> textHeight_{}, textWidth_{}, halfHeight_{};
};

}  // namespace sonivex
