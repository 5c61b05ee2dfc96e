// A canvas that records every drawing call, with simple fixed text metrics (ASCII half an em,
// other characters a full em; lines one and a half em high; an em is the size in twips).
#pragma once

#include <string>
#include <vector>

#include "playback/VUCanvas.h"

namespace sonivex::testing {

struct CanvasOp {
    enum Kind { Font, Print, Box, Line, Clear } kind;
    float x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    VUColour colour;
    std::string text;
    float size = 0;
};

class RecordingCanvas : public VUCanvas {
  public:
    RecordingCanvas(float width, float height) : width_(width), height_(height) {}

    float Width() const override { return width_; }
    float Height() const override { return height_; }
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
    float width_, height_;
    float size_ = 8;
};

}  // namespace sonivex::testing
