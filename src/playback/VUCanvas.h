// The drawing surface a meter draws on, addressed in twips: fonts, text, boxes, lines, colours.
#pragma once

#include <cmath>
#include <cstdint>
#include <string>

namespace sonivex {

constexpr int kTwipsPerPixel = 15;  // twips per screen pixel at 96 dots per inch
constexpr int kTwipsPerPoint = 20;

struct VUColour {
    uint8_t r = 0, g = 0, b = 0;
    bool operator==(const VUColour&) const = default;
};

class VUCanvas {
  public:
    virtual ~VUCanvas() = default;
    virtual float Width() const = 0;   // twips
    virtual float Height() const = 0;  // twips
    virtual void SetFontSize(float points) = 0;
    virtual float TextWidth(const std::string& text) = 0;   // twips, in the current font
    virtual float TextHeight(const std::string& text) = 0;  // twips, in the current font
    // Text whose top left corner is at (x, y), in the fore colour.
    virtual void Print(float x, float y, const std::string& text) = 0;
    // The box covers the pixels of both corners, as the classic box fill does.
    virtual void FillBox(float x1, float y1, float x2, float y2, VUColour colour) = 0;
    virtual void Line(float x1, float y1, float x2, float y2, VUColour colour) = 0;
    virtual void Clear() = 0;  // the whole picture in the back colour
    virtual VUColour BackColour() const = 0;
    virtual VUColour ForeColour() const = 0;
};

// The pixel that holds a position in twips: whole pixels, the remainder dropped.
inline int PixelOf(float twips, int twipsPerPixel) {
    return static_cast<int>(std::floor(twips / static_cast<float>(twipsPerPixel)));
}

}  // namespace sonivex
