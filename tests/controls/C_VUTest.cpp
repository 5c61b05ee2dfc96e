// The meter's geometry against a recording canvas: a 360 x 45 pixel picture (5400 x 675 twips),
// bars from 300 to 690 twips short of the right edge (L = 4410), red point -20 dB.
#include <gtest/gtest.h>

#include "RecordingCanvas.h"
#include "playback/C_VU.h"

namespace sonivex::testing {
namespace {

constexpr float kLeft = 300, kLength = 4410, kRedX = 1980;  // 1983.04 cut to a whole pixel
constexpr float kP = kTwipsPerPixel;
constexpr float kCentre0 = 128, kCentre1 = 308;  // nearest(127.5), nearest(307.5): halves to even

enum class Hue { Green, Red, Grey };

Hue HueOf(VUColour c) {
    if (c.g > c.r) return Hue::Green;
    if (c.r > c.g) return Hue::Red;
    return Hue::Grey;
}

std::vector<CanvasOp> BoxesOf(const RecordingCanvas& canvas, Hue hue) {
    std::vector<CanvasOp> out;
    for (const auto& op : canvas.Of(CanvasOp::Box))
        if (HueOf(op.colour) == hue) out.push_back(op);
    return out;
}

class VUTest : public ::testing::Test {
  protected:
    VUTest() : canvas(5400, 675) {
        vu.NumValue(1);
        vu.UseBG(1);
        vu.PictureBox(&canvas);
        vu.SetMargin(kLeft, 690, 31, 270);
        vu.BarWidth(5);
        vu.BarMargin(45);
        vu.TopMargin(60);
        vu.SetFontSize(0, 8);
        vu.SetFontSize(1, 8);
        vu.SetFontSize(2, 7);
        vu.SetStrType(0);
        vu.RedPoint(-20);
        vu.SetParms();
        canvas.ops.clear();
    }
    RecordingCanvas canvas;
    C_VU vu;
};

TEST_F(VUTest, SetParmsDerivesLengthRedXAndShades) {
    EXPECT_FLOAT_EQ(vu.BarLength(), kLength);
    EXPECT_FLOAT_EQ(vu.RedX(), kRedX);
    EXPECT_EQ(vu.BarXStart(), 300);
    EXPECT_EQ(vu.BarXEnd(), 690);
    vu.DrawVU(0, 0, -99.9f, "", kVUNoMark);  // full green and red bars: every shade
    const auto red = BoxesOf(canvas, Hue::Red);
    const auto green = BoxesOf(canvas, Hue::Green);
    ASSERT_EQ(red.size(), 5u);
    ASSERT_EQ(green.size(), 5u);
    // Outer edge darkest, centre brightest: a = 50..146, b = 10..74 in steps of 24 and 16.
    EXPECT_EQ(red.front().colour, (VUColour{50, 10, 10}));
    EXPECT_EQ(red.back().colour, (VUColour{146, 74, 74}));
    EXPECT_EQ(green[2].colour, (VUColour{42, 98, 42}));
}

TEST_F(VUTest, ResetDrawsEveryBarAtRestOnTheBackground) {
    vu.ResetVU(-1);
    EXPECT_TRUE(BoxesOf(canvas, Hue::Green).empty());
    EXPECT_TRUE(BoxesOf(canvas, Hue::Red).empty());
    EXPECT_TRUE(canvas.Of(CanvasOp::Print).empty());
    const auto grey = canvas.Of(CanvasOp::Box);  // UseBG: nothing is erased
    ASSERT_EQ(grey.size(), 10u);
    for (const auto& box : grey) {
        EXPECT_EQ(HueOf(box.colour), Hue::Grey);
        EXPECT_FLOAT_EQ(box.x1, kLeft);
        EXPECT_FLOAT_EQ(box.x2 - box.x1, 3 * kP);  // the peak mark, three pixels
    }
    EXPECT_FLOAT_EQ((grey[0].y1 + grey[0].y2) / 2, kCentre0);
    EXPECT_FLOAT_EQ((grey[5].y1 + grey[5].y2) / 2, kCentre1);
    EXPECT_FLOAT_EQ(grey[0].y2 - grey[0].y1, 8 * kP);  // the bar is 9 pixels thick
}

struct SplitCase {
    float level;
    float greenEnd;  // 0: no green
    float redEnd;    // 0: no red
};

class VUSplitTest : public VUTest, public ::testing::WithParamInterface<SplitCase> {};

// Green up to the level or the red x; red from one pixel past the red x; nothing for silence;
// levels above 0 dB run on to the curve's +10 dB step (255/207 of L).
TEST_P(VUSplitTest, GreenAndRedMeetAtTheRedX) {
    const SplitCase& c = GetParam();
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
}

INSTANTIATE_TEST_SUITE_P(Levels, VUSplitTest,
                         ::testing::Values(SplitCase{-30, 1216.09f, 0},      // step 43
                                           SplitCase{-21, 1906.35f, 0},      // step 75.4
                                           SplitCase{-10, kRedX, 3346.52f},  // step 143
                                           SplitCase{0, kRedX, kLeft + kLength},
                                           SplitCase{10, kRedX, 5732.61f},  // step 255
                                           SplitCase{40, kRedX, 5732.61f}, SplitCase{-99.9f, 0, 0},
                                           SplitCase{-150, 0, 0}));

TEST_F(VUTest, RedIsDrawnBeforeGreenAtEachShade) {
    vu.DrawVU(0, -10, -99.9f, "", kVUNoMark);
    const auto boxes = canvas.Of(CanvasOp::Box);
    ASSERT_GE(boxes.size(), 10u);
    for (int step = 0; step < 5; ++step) {
        EXPECT_EQ(HueOf(boxes[2 * step].colour), Hue::Red);
        EXPECT_EQ(HueOf(boxes[2 * step + 1].colour), Hue::Green);
        EXPECT_FLOAT_EQ(boxes[2 * step].y1, boxes[2 * step + 1].y1);
    }
}

TEST_F(VUTest, PeakAndSecondMarkSitLeftOfTheirLevels) {
    vu.DrawVU(0, -99.9f, -10, "", -30);
    const auto grey = BoxesOf(canvas, Hue::Grey);
    ASSERT_EQ(grey.size(), 10u);
    EXPECT_NEAR(grey[0].x1, 3346.52f - 3 * kP, 0.05);
    EXPECT_NEAR(grey[0].x2, 3346.52f, 0.05);
    EXPECT_NEAR(grey[5].x1, 1216.09f - kP, 0.05);
    EXPECT_NEAR(grey[5].x2, 1216.09f, 0.05);
}

TEST_F(VUTest, TextSitsAtTheRightDistanceAndOnlyThatMarginMoves) {
    vu.DrawVU(0, -10, -8, "-10.0", kVUNoMark);
    vu.SetMargin(-1, -1, -1, 50);
    EXPECT_EQ(vu.BarXStart(), 300);
    EXPECT_EQ(vu.BarXEnd(), 690);
    vu.DrawVU(0, -10, -8, "-10.0", kVUNoMark);
    const auto prints = canvas.Of(CanvasOp::Print);
    ASSERT_EQ(prints.size(), 2u);
    // "-10.0" is 400 twips wide at 8 points; the text is centred on the bar's centre line.
    EXPECT_FLOAT_EQ(prints[0].x1, 5400 - 400 - 270);
    EXPECT_FLOAT_EQ(prints[1].x1, 5400 - 400 - 50);
    EXPECT_FLOAT_EQ(prints[0].y1, kCentre0 - 120);
    EXPECT_FLOAT_EQ(prints[0].size, 8);
    // The bar itself did not move.
    const auto green = BoxesOf(canvas, Hue::Green);
    EXPECT_FLOAT_EQ(green.front().x2, green.back().x2);
}

TEST_F(VUTest, BarWidthStepTwoShadesEveryOtherRow) {
    vu.BarWidthStep(2);
    vu.DrawVU(0, -30, -99.9f, "", kVUNoMark);
    const auto green = BoxesOf(canvas, Hue::Green);
    ASSERT_EQ(green.size(), 3u);  // i = 4, 2, 0
    const float halves[] = {4 * kP, 2 * kP, 0};
    const VUColour shades[] = {{10, 50, 10}, {42, 98, 42}, {74, 146, 74}};
    for (int k = 0; k < 3; ++k) {
        EXPECT_FLOAT_EQ(green[k].y2 - kCentre0, halves[k]);
        EXPECT_EQ(green[k].colour, shades[k]);
    }
}

TEST_F(VUTest, WithoutBackgroundTheBarAndTextAreasAreErasedFirst) {
    vu.UseBG(0);
    vu.DrawVU(0, -30, -99.9f, "", kVUNoMark);
    const auto boxes = canvas.Of(CanvasOp::Box);
    ASSERT_GE(boxes.size(), 2u);
    EXPECT_EQ(boxes.front().colour, canvas.back);
    EXPECT_FLOAT_EQ(boxes.front().x1, kLeft + kP);
    EXPECT_FLOAT_EQ(boxes.front().x2, kLeft + kLength);
    EXPECT_EQ(boxes.back().colour, canvas.back);
    EXPECT_FLOAT_EQ(boxes.back().x1, kLeft + kLength + kP);
    EXPECT_FLOAT_EQ(boxes.back().x2, 5400);
}

struct LabelCase {
    int isNum;
    int last;
    std::vector<std::string> labels;
};

class VULabelTest : public ::testing::TestWithParam<LabelCase> {};

// Labels centred on one full-width character from the label x, on each bar's centre line.
TEST_P(VULabelTest, LabelsAndTheirPlaces) {
    const LabelCase& c = GetParam();
    RecordingCanvas canvas(5400, 900);
    C_VU vu;
    vu.NumValue(c.last);
    vu.PictureBox(&canvas);
    vu.SetMargin(300, 690, 31, 270);
    vu.BarWidth(5);
    vu.BarMargin(45);
    vu.TopMargin(60);
    vu.SetStrType(c.isNum);
    vu.SetParms();
    vu.CurrentFontSize(0);
    canvas.ops.clear();
    vu.DrawScale();
    std::vector<std::string> printed;
    const auto prints = canvas.Of(CanvasOp::Print);
    for (size_t i = 0; i < c.labels.size(); ++i) {
        ASSERT_LT(i, prints.size());
        printed.push_back(prints[i].text);
        // "漢" is 160 twips at 8 points, a label half of it: offset nearest(160 - 40).
        EXPECT_FLOAT_EQ(prints[i].x1, 120 + 31);
        EXPECT_FLOAT_EQ(prints[i].y1, 180 * i + 127.5f - 120);
    }
    EXPECT_EQ(printed, c.labels);
}

INSTANTIATE_TEST_SUITE_P(Kinds, VULabelTest,
                         ::testing::Values(LabelCase{1, 2, {"1", "2", "3"}},
                                           LabelCase{0, 1, {"L", "R"}},
                                           LabelCase{0, 3, {"L", "R", "L", "R"}}));

TEST_F(VUTest, ScaleMarksOnTheCurveBelowTheBars) {
    RecordingCanvas background(5400, 675);
    vu.CurrentFontSize(0);
    vu.DrawScaleToPB(background);
    EXPECT_TRUE(canvas.ops.empty());  // only the given picture is drawn on
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
    std::vector<std::string> texts;
    for (const auto& p : background.Of(CanvasOp::Print))
        if (p.y1 == 435 + kP) texts.push_back(p.text);
    EXPECT_EQ(texts, (std::vector<std::string>{"0db", "-6", "-12", "-20", "-40"}));
    const auto fonts = background.Of(CanvasOp::Font);
    ASSERT_EQ(fonts.size(), 2u);  // labels at 8, scale at 7: the tracker was cleared first
    EXPECT_FLOAT_EQ(fonts[1].size, 7);
}

TEST_F(VUTest, TheFontTrackerSkipsAFontAlreadyApplied) {
    vu.DrawVU(0, -10, -8, "-10.0", kVUNoMark);
    vu.DrawVU(1, -10, -8, "-10.0", kVUNoMark);
    EXPECT_EQ(canvas.Of(CanvasOp::Font).size(), 1u);
    vu.CurrentFontSize(0);
    vu.DrawVU(1, -10, -8, "-10.0", kVUNoMark);
    EXPECT_EQ(canvas.Of(CanvasOp::Font).size(), 2u);
}

TEST_F(VUTest, PictureHeightHoldsBarsScaleAndText) {
    EXPECT_FLOAT_EQ(vu.PictureHeight(), 645);  // 270 + 60 + 45 + 15 + 45 + 15 + 7 x 15 + 90
    vu.NumValue(2);
    EXPECT_FLOAT_EQ(vu.PictureHeight(), 645 + 135 + 45);
}

TEST_F(VUTest, BadArgumentsDrawNothingAndNeverHang) {
    vu.BarWidthStep(0);
    vu.DrawVU(0, -30, -99.9f, "", kVUNoMark);
    EXPECT_EQ(BoxesOf(canvas, Hue::Green).size(), 5u);
    canvas.ops.clear();
    vu.DrawVU(2, -30, -99.9f, "x", kVUNoMark);
    vu.DrawVU(-1, -30, -99.9f, "x", kVUNoMark);
    vu.SetStr(7, "x");
    EXPECT_TRUE(canvas.ops.empty());
    C_VU lonely;  // no picture, never set up
    lonely.SetParms();
    lonely.ResetVU(-1);
    lonely.DrawScale();
    // Defaults: one bar 7 pixels thick (105), margins 75 and 60, scale font 8.
    EXPECT_FLOAT_EQ(lonely.PictureHeight(), 105 + 75 + 15 + 60 + 15 + 8 * kP + 90);
}

}  // namespace
}  // namespace sonivex::testing
