// The meters of the main window: a meter is redrawn only when what it shows changes to the pixel.
#include "controls/QtPictureCanvas.h"
#include "controls/UC_Picture.h"
#include "monitor/FrmMain.h"

namespace sonivex {

void FrmMain::ShowLevels(int i, const ChannelLevel& left, const ChannelLevel& right) {
    if (ValidRow(i)) SetMeter(i, left, right);
}

void FrmMain::ResetMeter(int i) {
    if (!ValidRow(i)) return;
    const ChannelLevel rest{kVURestDB, kVURestDB, ""};
    SetMeter(i, rest, rest);
}

void FrmMain::PrintName(int i, const std::string& name) {
    if (!ValidRow(i) || rows_[i].face.name == name) return;
    rows_[i].face.name = name;
    RenderMeter(rows_[i]);
}

void FrmMain::SetMeter(int i, const ChannelLevel& left, const ChannelLevel& right) {
    Row& row = rows_[i];
    MeterFace face = row.face;
    const ChannelLevel* levels[2] = {&left, &right};
    for (int c = 0; c < 2; ++c) {
        const VUBarPlan plan = row.vu->Plan(levels[c]->rmsDB, levels[c]->peakDB, kVUNoMark);
        face.levelPx[c] = PixelOf(plan.levelX, kTwipsPerPixel);
        face.peakPx[c] = PixelOf(plan.peakX, kTwipsPerPixel);
        face.text[c] = levels[c]->text;
    }
    row.level = {left, right};
    if (face == row.face && row.renders > 0) return;
    row.face = face;
    RenderMeter(row);
}

// The background copy, both bars and the name, as one fresh picture.
void FrmMain::RenderMeter(Row& row) {
    QtPictureCanvas& canvas = *row.canvas;
    canvas.End();
    row.picture->Pixmap() = vug_;
    canvas.Begin();
    for (int c = 0; c < 2; ++c)
        row.vu->DrawVU(c, row.level[c].rmsDB, row.level[c].peakDB, row.level[c].text, kVUNoMark);
    if (!row.face.name.empty()) {
        const float size = layout_.NameFontSize();
        canvas.SetFontSize(size);
        row.vu->CurrentFontSize(size);
        canvas.PrintWithHalo(layout_.NameX(), layout_.NameY(), row.face.name, canvas.BackColour());
    }
    canvas.End();
    ++row.renders;
    row.picture->Refresh();
}

}  // namespace sonivex
