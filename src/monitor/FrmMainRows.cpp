// The main window's layout, built once at start-up: clock, rows, meters and the window height.
#include <QLayout>
#include <QMenuBar>

#include "controls/BackgroundPainter.h"
#include "controls/Fonts.h"
#include "controls/QtPictureCanvas.h"
#include "controls/UC_Backdrop.h"
#include "controls/UC_Picture.h"
#include "controls/UC_TextButton.h"
#include "monitor/FrmMain.h"
#include "monitor/MonitorSettings.h"

namespace sonivex {

namespace {

const ColourSet kIdle{QColor(160, 160, 160), QColor(64, 64, 64), QColor(176, 176, 176)};
const ColourSet kMonitoring{QColor(192, 192, 255), QColor(32, 32, 80), QColor(160, 160, 255)};
const ColourSet kAlert{QColor(255, 192, 192), QColor(80, 32, 32), QColor(255, 160, 160)};
const ColourSet kClockColours{QColor(236, 236, 236), QColor(24, 24, 30), QColor(120, 120, 132)};
constexpr int kClockColourSet = 4;  // the standard set of a plain display

const QColor kBackdropDark(9, 9, 9);
const QColor kBackdropLight(112, 112, 112);
constexpr VUColour kMeterBack{9, 9, 9};
constexpr VUColour kMeterFore{200, 200, 200};

void Place(QWidget* widget, const PixelRect& r) {
    widget->setGeometry(r.left, r.top, r.width, r.height);
}

int Px(float twips) {
    return PixelOf(twips, kTwipsPerPixel);
}

}  // namespace

void FrmMain::Layout(const MonitorSettings& settings) {
    layout_ = ComputeMainLayout(settings.sizeRate, settings.numRec);
    altFont_ = settings.altFont;
    errorCatch_ = settings.errorCatch;
    vuLevelTrim_ = settings.vuLevelTrim;
    rows_.clear();
    face_ = new UC_Backdrop(this);
    setCentralWidget(face_);  // a layout built before goes with its old face
    BuildClock();
    BuildBackground();
    rows_.resize(layout_.rows);
    for (int i = 0; i < layout_.rows; ++i) BuildRow(i);
    SizeWindow();
}

void FrmMain::BuildClock() {
    clock_ = new UC_TextButton(face_);
    Place(clock_, layout_.Clock());
    clock_->SetColourSet(kClockColourSet, kClockColours);
    clock_->UseColourSet(kClockColourSet);
    clock_->SetLine(0, UiFont(altFont_, layout_.DateFontSize()), Px(layout_.DateLeft()));
    clock_->SetLine(1, DisplayFont(layout_.ButtonFontSize()), Px(layout_.TimeLeft()));
}

void FrmMain::BuildBackground() {
    vugCanvas_.reset();
    vug_ = QPixmap(Px(layout_.background.width), Px(layout_.background.height));
    PaintMeterBackground(vug_, kBackdropDark, kBackdropLight);
    vugCanvas_ =
        std::make_unique<QtPictureCanvas>(vug_, UiFamilies(altFont_), kMeterBack, kMeterFore);
}

void FrmMain::ConfigureMeter(Row& row, QPixmap& picture) {
    const MainLayout& l = layout_;
    row.canvas =
        std::make_unique<QtPictureCanvas>(picture, UiFamilies(altFont_), kMeterBack, kMeterFore);
    row.vu = std::make_unique<C_VU>();
    C_VU& vu = *row.vu;
    vu.NumValue(1);
    vu.UseBG(1);
    vu.PictureBox(row.canvas.get());
    vu.SetMargin(l.BarXStart(), l.BarXEnd(), l.LabelX(), l.DBXneg());
    vu.BarWidth(l.BarWidth());
    vu.BarMargin(l.BarMargin());
    vu.TopMargin(l.TopMargin());
    vu.SetFontSize(0, l.TextFontSize());
    vu.SetFontSize(1, l.TextFontSize());
    vu.SetFontSize(2, l.ScaleFontSize());
    vu.SetStrType(0);
    vu.RedPoint(vuLevelTrim_);
    vu.SetParms();
}

void FrmMain::BuildRow(int i) {
    Row& row = rows_[i];
    const QFont font = DisplayFont(layout_.ButtonFontSize());
    auto makeButton = [&](const PixelRect& where, const ColourSet& on, const char* text) {
        auto* button = new UC_TextButton(face_);
        Place(button, where);
        button->SetColourSet(0, kIdle);
        button->SetColourSet(1, on);
        button->UseColourSet(0);
        button->SetLine(0, font);
        button->SetText(0, text);
        return button;
    };
    row.audit = makeButton(layout_.Audit(i), kMonitoring, "Audit");
    row.alert = makeButton(layout_.Alert(i), kAlert, "Alert");
    row.audit->onRelease = [this, i] {
        if (onAuditRelease) onAuditRelease(i);
    };
    row.alert->onRelease = [this, i] {
        if (onAlertRelease) onAlertRelease(i);
    };
    row.picture = new UC_Picture(face_);
    const PixelRect at = layout_.Picture(i);
    row.picture->move(at.left, at.top);
    row.picture->SetPictureSize(at.width, at.height, ToQColor(kMeterBack));
    ConfigureMeter(row, row.picture->Pixmap());
    if (i == 0) {
        // The labels and the dB scale go once into the background that every meter copies.
        row.vu->CurrentFontSize(0);
        row.vu->DrawScaleToPB(*vugCanvas_);
        row.vu->CurrentFontSize(0);
        vugCanvas_->End();
    }
    row.level.fill(ChannelLevel{kVURestDB, kVURestDB, ""});
    SetMeter(i, row.level[0], row.level[1]);  // the first picture: background and bars at rest
}

// The rows need the inner height of the layout; the menu bar and frame come on top of it.
void FrmMain::SizeWindow() {
    const QSize inner(layout_.ClientWidthPx(), layout_.ClientHeightPx());
    face_->setMinimumSize(inner);
    resize(inner.width(), inner.height() + menuBar()->sizeHint().height());
    if (QLayout* frame = QMainWindow::layout()) frame->activate();
    const int missing = inner.height() - face_->height();
    if (missing > 0) resize(width(), height() + missing);
}

}  // namespace sonivex
