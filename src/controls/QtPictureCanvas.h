// The meter's drawing surface on a Qt pixmap: twips in, whole pixels out.
#pragma once

#include <QFont>
#include <QPainter>
#include <QPixmap>
#include <QStringList>
#include <memory>

#include "playback/VUCanvas.h"

namespace sonivex {

class QtPictureCanvas : public VUCanvas {
  public:
    // families: the font to draw text in, first choice first.
    QtPictureCanvas(QPixmap& pixmap, const QStringList& families, VUColour back, VUColour fore,
                    int twipsPerPixel = kTwipsPerPixel);
    ~QtPictureCanvas() override;

    float Width() const override;
    float Height() const override;
    void SetFontSize(float points) override;
    float TextWidth(const std::string& text) override;
    float TextHeight(const std::string& text) override;
    void Print(float x, float y, const std::string& text) override;
    void FillBox(float x1, float y1, float x2, float y2, VUColour colour) override;
    void Line(float x1, float y1, float x2, float y2, VUColour colour) override;
    void Clear() override;
    VUColour BackColour() const override { return back_; }
    VUColour ForeColour() const override { return fore_; }

    // Text in the fore colour ringed by a one-pixel halo, so it stays legible over lit bars.
    void PrintWithHalo(float x, float y, const std::string& text, VUColour halo);

    // Many drawing calls in a row share one painter between Begin and End.
    void Begin();
    void End();
    const QFont& Font() const { return font_; }

  private:
    QPainter& Painter();
    int Px(float twips) const { return PixelOf(twips, p_); }

    QPixmap& pixmap_;
    QFont font_;
    VUColour back_, fore_;
    int p_;
    std::unique_ptr<QPainter> painter_;
    bool batch_ = false;
};

QColor ToQColor(VUColour c);

}  // namespace sonivex
