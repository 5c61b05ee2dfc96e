// The meter's geometry against a recording canvas: a 360 x 45 pixel picture (5400 x 675 twips),
// bars from 300 to 690 twips short of the right edge (L = 4410), red point -20 dB.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "playback/C_VU.h"

namespace sonivex::testing {
namespace {

// A canvas that records every drawing call, with simple fixed text metrics (ASCII half an em,
// other characters a full em; lines one and a half em high; an em is the size in twips).
struct CanvasOp {
    enum Kind { Font, Print, Box, Line, Clear } kind;
    float x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    VUColour colour;
    std::string text;
    float size = 0;
};

class RecordingCanvas : public VUCanvas {
  public:
    float Width() const override { return 5400; }
    float Height() const override { return 675; }
    void SetFontSize(float points) override {
        size_ = points;
        ops.push_back({CanvasOp::Font, 0, 0, 0, 0, {}, "", points});
    }
    float TextWidth(const std::string& text) override {
        float ems = 0;
        for (unsigned char c : text) {
            if (c < 0x80)
                ems += 0.5f;
            else if (c >= 0xC0)
                ems += 1.0f;  // the lead byte of a wider character
        }
        return ems * size_ * kTwipsPerPoint;
    }
    float TextHeight(const std::string&) override { return 1.5f * size_ * kTwipsPerPoint; }
    void Print(float x, float y, const std::string& text) override {
        ops.push_back({CanvasOp::Print, x, y, 0, 0, fore, text, size_});
    }
    void FillBox(float x1, float y1, float x2, float y2, VUColour c) override {
        ops.push_back({CanvasOp::Box, x1, y1, x2, y2, c, "", 0});
    }
    void Line(float x1, float y1, float x2, float y2, VUColour c) override {
        ops.push_back({CanvasOp::Line, x1, y1, x2, y2, c, "", 0});
    }
    void Clear() override { ops.push_back({CanvasOp::Clear, 0, 0, 0, 0, {}, "", 0}); }
    VUColour BackColour() const override { return back; }
    VUColour ForeColour() const override { return fore; }

    std::vector<CanvasOp> Of(CanvasOp::Kind kind) const {
        std::vector<CanvasOp> out;
        for (const auto& op : ops)
            if (op.kind == kind) out.push_back(op);
        return out;
    }

    std::vector<CanvasOp> ops;
    VUColour back{9, 9, 9};
    VUColour fore{200, 200, 200};

  private:
    float size_ = 8;
};

constexpr float kLeft = 300, kLength = 4410, kRedX = 1980;  // 1983.04 cut to a whole pixel
constexpr float kP = kTwipsPerPixel;
constexpr float kCentre0 = 128, kCentre1 = 308;  // nearest(127.5), nearest(307.5): halves to even

enum class Hue { Green, Red, Grey };

Hue HueOf(VUColour c) {
    return c.g > c.r ? Hue::Green : c.r > c.g ? Hue::Red : Hue::Grey;
}

std::vector<CanvasOp> BoxesOf(const RecordingCanvas& canvas, Hue hue) {
    std::vector<CanvasOp> out;
    for (const auto& op : canvas.Of(CanvasOp::Box))
        if (HueOf(op.colour) == hue) out.push_back(op);
    return out;
}

class VUTest : public ::testing::Test {
  protected:
    VUTest() {
        vu.NumValue(1);
        vu.UseBG(1);
        vu.PictureBox(&canvas);
        vu.SetMargin(kLeft, 690, 31, 270);
        vu.BarWidth(5);
        vu.BarMargin(45);
        vu.TopMargin(60);
        vu.SetFontSize(2, 7);  // the others stay at 8
        vu.SetStrType(0);
        vu.SetParms();
        canvas.ops.clear();
    }
    RecordingCanvas canvas;
    C_VU vu;
};

// Every shade of both colours for a full bar, outer edge darkest, on each bar's centre line; the
// peak mark three pixels wide ending at its level; the text at its distance from the right edge,
// its font set again only when the tracker was cleared; nothing erases the background.
TEST_F(VUTest, ShadesPeakMarkAndTextOnEachBarsCentreLine) {
    for (int bar = 0; bar < 2; ++bar) vu.DrawVU(bar, 0, -10, "-10.0", kVUNoMark);
    const auto red = BoxesOf(canvas, Hue::Red);
    const auto green = BoxesOf(canvas, Hue::Green);
    const auto grey = BoxesOf(canvas, Hue::Grey);
    for (const auto* boxes : {&red, &green, &grey}) ASSERT_EQ(boxes->size(), 10u);
    // a = 50..146, b = 10..74 in steps of 24 and 16.
    EXPECT_EQ(red.front().colour, (VUColour{50, 10, 10}));
    EXPECT_EQ(red[4].colour, (VUColour{146, 74, 74}));
    EXPECT_EQ(green[2].colour, (VUColour{42, 98, 42}));
    EXPECT_NEAR(grey[0].x1, 3346.52f - 3 * kP, 0.05);
    EXPECT_NEAR(grey[0].x2, 3346.52f, 0.05);
    EXPECT_FLOAT_EQ((red[0].y1 + red[0].y2) / 2, kCentre0);
    EXPECT_FLOAT_EQ((red[5].y1 + red[5].y2) / 2, kCentre1);
    EXPECT_FLOAT_EQ(red[0].y2 - red[0].y1, 8 * kP);  // the bar is 9 pixels thick
    const auto prints = canvas.Of(CanvasOp::Print);
    ASSERT_EQ(prints.size(), 2u);
    // "-10.0" is 400 twips wide at 8 points (the text font), centred on the bar's centre line.
    EXPECT_FLOAT_EQ(prints[0].x1, 5400 - 400 - 270);
    EXPECT_FLOAT_EQ(prints[1].y1, kCentre1 - 120);
    EXPECT_EQ(canvas.Of(CanvasOp::Font).size(), 1u);
    vu.CurrentFontSize(0);
    vu.DrawVU(1, -10, -8, "-10.0", kVUNoMark);
    EXPECT_EQ(canvas.Of(CanvasOp::Font).size(), 2u);
}

// Green up to the level or the red x; red from one pixel past the red x, each red shade drawn
// just before the green one; nothing for silence; levels above 0 dB run on to the curve's +10 dB
// step (255/207 of L).
TEST_F(VUTest, GreenAndRedMeetAtTheRedX) {
    const struct {
        float level, greenEnd, redEnd;  // 0: no bar of that colour
    } cases[] = {{-21, 1906.35f, 0},    {-10, kRedX, 3346.52f}, {0, kRedX, kLeft + kLength},
                 {40, kRedX, 5732.61f}, {-99.9f, 0, 0},         {-150, 0, 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.level);
        canvas.ops.clear();
        vu.DrawVU(1, c.level, -99.9f, "", kVUNoMark);
        const auto green = BoxesOf(canvas, Hue::Green);
        const auto red = BoxesOf(canvas, Hue::Red);
        ASSERT_EQ(green.size(), c.greenEnd > 0 ? 5u : 0u);
        ASSERT_EQ(red.size(), c.redEnd > 0 ? 5u : 0u);
        for (const auto& box : green) {
            EXPECT_FLOAT_EQ(box.x1, kLeft);
            EXPECT_NEAR(box.x2, c.greenEnd, 0.05);
        }
        for (const auto& box : red) {
            EXPECT_FLOAT_EQ(box.x1, kRedX + kP);
            EXPECT_NEAR(box.x2, c.redEnd, 0.05);
        }
        const auto boxes = canvas.Of(CanvasOp::Box);
        for (size_t k = 0; k < red.size(); ++k) {
            EXPECT_EQ(HueOf(boxes[2 * k].colour), Hue::Red);
            EXPECT_EQ(boxes[2 * k + 1].y1, boxes[2 * k].y1);
        }
    }
}

TEST_F(VUTest, ScaleMarksOnTheCurveBelowTheBars) {
    RecordingCanvas background;
    vu.CurrentFontSize(0);
    vu.DrawScaleToPB(background);
    const auto lines = background.Of(CanvasOp::Line);
    // 0, -6 (step 172), -12 (128), -20 (79), -30 (43), -40 (23), -60 (9), -99.9 (0).
    const float xs[] = {4710, 3964.35f, 3026.96f, 1983.04f, 1216.09f, 790, 491.74f, 300};
    ASSERT_EQ(lines.size(), 8u);
    for (size_t k = 0; k < lines.size(); ++k) {
        EXPECT_NEAR(lines[k].x1, xs[k], 0.05) << k;
        EXPECT_FLOAT_EQ(lines[k].y1, 435);  // (1+1) x 135 + 60 + 45 + 15 + 45
        EXPECT_FLOAT_EQ(lines[k].y2, 675 - 2 * kP);
        EXPECT_EQ(lines[k].colour, background.fore);
    }
    // The labels, centred on one full-width character from the label x, on each bar's centre
    // line ("漢" is 160 twips at 8 points, a label half of it: offset nearest(160 - 40)); then
    // the scale's figures under the marks.
    const auto prints = background.Of(CanvasOp::Print);
    std::vector<std::string> texts;
    for (const auto& p : prints) {
        texts.push_back(p.text);
        EXPECT_TRUE(texts.size() <= 2 || p.y1 == 435 + kP) << p.text;
    }
    EXPECT_EQ(texts, (std::vector<std::string>{"L", "R", "0db", "-6", "-12", "-20", "-40"}));
    EXPECT_FLOAT_EQ(prints[1].x1, 120 + 31);
    EXPECT_FLOAT_EQ(prints[1].y1, 180 + 127.5f - 120);
    EXPECT_FLOAT_EQ(prints[2].size, 7);  // labels at 8, scale at 7
}

}  // namespace
}  // namespace sonivex::testing
