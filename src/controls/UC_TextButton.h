// A drawn text button: numbered text lines, each with its own font, and numbered colour sets of a
// text colour and two fill colours. It reports press and release; handlers act on the release.
#pragma once

#include <QColor>
#include <QFont>
#include <QString>
#include <QWidget>
#include <array>
#include <functional>

namespace sonivex {

struct ColourSet {
    QColor text;
    QColor fill1;  // the face
    QColor fill2;  // the rim and the face's highlight
};

constexpr int kColourSets = 8;
constexpr int kTextLines = 4;

class UC_TextButton : public QWidget {
  public:
    explicit UC_TextButton(QWidget* parent = nullptr);

    void SetColourSet(int n, const ColourSet& set);
    // Switches to colour set n and redraws when that changes the look.
    void UseColourSet(int n);
    int ColourSetInUse() const { return inUse_; }
    const ColourSet& CurrentColours() const { return sets_[inUse_]; }

    // Line n's font and left edge in pixels; -1 centres the line.
    void SetLine(int n, const QFont& font, int left = -1);
    // Redraws only when the text changes.
    void SetText(int n, const QString& text);
    QString Text(int n) const;

    bool IsPressed() const { return pressed_; }
    int Paints() const { return paints_; }

    std::function<void()> onPress;
    std::function<void()> onRelease;  // only for a release inside the button

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

  private:
    struct Line {
        QString text;
        QFont font;
        int left = -1;
        bool used = false;
    };
    void PaintFace(QPainter& painter) const;

    std::array<ColourSet, kColourSets> sets_{};
    std::array<Line, kTextLines> lines_{};
    int inUse_ = 0;
    bool pressed_ = false;
    int paints_ = 0;
};

}  // namespace sonivex
