// The schedule window's controls, list, column widths, placement and close box.
#include "dialogs/FrmTimer.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "controls/Fonts.h"
#include "controls/WindowPlacement.h"
#include "monitor/BroadcastClock.h"
#include "monitor/Monitor.h"
#include "monitor/SettingsStore.h"
#include "playback/VUCanvas.h"

namespace sonivex {

namespace {

constexpr char kTitle[] = "休止時間";
constexpr char kPlacementSuffix[] = "_Timer";
constexpr char kColumnKey[] = "TabWidth_ListTimer_";
constexpr float kUiPoints = 9.0f;
constexpr int kDefaultWidthPx = 420;
constexpr int kDefaultHeightPx = 400;
constexpr int kMinColumnPx = 16;
constexpr int kMaxColumnPx = 2000;
constexpr int kTimeChars = 12;  // hh:mm:ss.fff
constexpr int kDateChars = 10;  // yyyy/mm/dd
constexpr int kBoxFramePx = 16;
const char* const kColumnTitles[kTimerColumns] = {"Ch", "開始時刻", "終了時刻", "開始日"};

QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

// A line box wide enough for `chars` digits and its frame.
QLineEdit* MakeBox(const char* name, int chars, QWidget* parent) {
    auto* box = new QLineEdit(parent);
    box->setObjectName(name);
    box->setMaxLength(chars);
    const int digit = box->fontMetrics().horizontalAdvance(QLatin1Char('0'));
    box->setFixedWidth(digit * chars + kBoxFramePx);
    return box;
}

}  // namespace

std::string WeekdayNames(int weekdays) {
    std::string names;
    for (int i = 0; i < 7; ++i)
        if ((weekdays >> i) & 1) names += WeekdayKanji(i);
    return names;
}

QStringList TimerRowTexts(const TimerEntry& entry) {
    const std::string day = entry.date.empty() ? WeekdayNames(entry.weekdays) : entry.date;
    return {QString::number(entry.channel + 1), Q(entry.start), Q(entry.end), Q(day)};
}

FrmTimer::FrmTimer(const Monitor& monitor, ScheduleTable& table, SettingsStore& store,
                   QWidget* owner)
    : QWidget(owner, Qt::Window), monitor_(monitor), table_(table), store_(store) {
    setObjectName("FrmTimer");
    setWindowTitle(QString::fromUtf8(kTitle));
    setFont(UiFont(monitor.settings.altFont, kUiPoints));
    BuildList();
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(listTimer_, 1);
    layout->addWidget(BuildTimes());
    layout->addWidget(BuildDays());
    layout->addWidget(BuildButtons());
    for (int i = 1; i <= monitor.NumInputs(); ++i) comboCh_->addItem(QString::number(i));
    comboCh_->setCurrentIndex(0);
    ApplyCheckDate();
    resize(kDefaultWidthPx, kDefaultHeightPx);
    winId();  // the native window, so that the stored outer size can lose the frame it knows
    RestoreWindowPlacement(*this, store_, kPlacementSuffix, true);
    RestoreColumnWidths();
    FillList();
}

FrmTimer::~FrmTimer() {
    SaveColumnWidths();
    SaveWindowPlacement(*this, store_, kPlacementSuffix);
}

void FrmTimer::BuildList() {
    listTimer_ = new QTreeWidget(this);
    listTimer_->setObjectName("ListTimer");
    listTimer_->setColumnCount(kTimerColumns);
    QStringList titles;
    for (const char* title : kColumnTitles) titles << QString::fromUtf8(title);
    listTimer_->setHeaderLabels(titles);
    listTimer_->setRootIsDecorated(false);
    listTimer_->setUniformRowHeights(true);
    listTimer_->setAllColumnsShowFocus(true);
    listTimer_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    // The last column keeps its own width too, so that every width comes back as saved.
    listTimer_->header()->setStretchLastSection(false);
    connect(listTimer_, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* item) {
        if (item) ShowEntry(listTimer_->indexOfTopLevelItem(item));
    });
    connect(listTimer_, &QTreeWidget::itemClicked, this,
            [this](QTreeWidgetItem* item) { ShowEntry(listTimer_->indexOfTopLevelItem(item)); });
}

QWidget* FrmTimer::BuildTimes() {
    auto* row = new QWidget(this);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    comboCh_ = new QComboBox(row);
    comboCh_->setObjectName("ComboCh");
    layout->addWidget(new QLabel(QStringLiteral("Ch"), row));
    layout->addWidget(comboCh_);
    for (int k = 0; k < 2; ++k) {
        const std::string name = "TextTime" + std::to_string(k);
        textTime_[k] = MakeBox(name.c_str(), kTimeChars, row);
        layout->addSpacing(8);
        layout->addWidget(new QLabel(QString::fromUtf8(kColumnTitles[1 + k]), row));
        layout->addWidget(textTime_[k]);
        QLineEdit* box = textTime_[k];
        connect(box, &QLineEdit::textChanged, this,
                [this, box](const QString& text) { Reformat(box, text); });
    }
    layout->addStretch(1);
    return row;
}

QWidget* FrmTimer::BuildDays() {
    auto* days = new QWidget(this);
    auto* layout = new QVBoxLayout(days);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* dateRow = new QHBoxLayout;
    checkDate_ = new QCheckBox(QString::fromUtf8("日付"), days);
    checkDate_->setObjectName("CheckDate");
    textDate_ = MakeBox("TextDate", kDateChars, days);
    textDate_->setReadOnly(true);
    textDate_->installEventFilter(this);
    dateRow->addWidget(checkDate_);
    dateRow->addWidget(textDate_);
    dateRow->addStretch(1);
    auto* weekRow = new QHBoxLayout;
    for (int i = 0; i < 7; ++i) {
        checkWD_[i] = new QCheckBox(QString::fromUtf8(WeekdayKanji(i)), days);
        checkWD_[i]->setObjectName("CheckWD" + QString::number(i));
        weekRow->addWidget(checkWD_[i]);
    }
    weekRow->addStretch(1);
    layout->addLayout(dateRow);
    layout->addLayout(weekRow);
    connect(checkDate_, &QCheckBox::toggled, this, [this] { ApplyCheckDate(); });
    return days;
}

QWidget* FrmTimer::BuildButtons() {
    auto* row = new QWidget(this);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addStretch(1);
    const std::array<std::pair<const char*, void (FrmTimer::*)()>, 3> buttons = {
        {{"追加", &FrmTimer::AddClick},
         {"上書き", &FrmTimer::OverwriteClick},
         {"削除", &FrmTimer::DeleteClick}}};
    const std::array<const char*, 3> names = {"CmdAdd", "CmdOverwrite", "CmdDelete"};
    for (size_t b = 0; b < buttons.size(); ++b) {
        auto* button = new QPushButton(QString::fromUtf8(buttons[b].first), row);
        button->setObjectName(names[b]);
        button->setAutoDefault(false);
        connect(button, &QPushButton::clicked, this, buttons[b].second);
        layout->addWidget(button);
    }
    return row;
}

void FrmTimer::FillList() {
    listTimer_->clear();
    for (const TimerEntry& entry : table_.Entries)
        new QTreeWidgetItem(listTimer_, TimerRowTexts(entry));
}

// Widths in twips under the same keys both ways; a width out of reason falls back to the
// default rather than hiding a column or pushing the others off the window.
void FrmTimer::RestoreColumnWidths() {
    for (int c = 0; c < kTimerColumns; ++c) {
        const std::string key = kColumnKey + std::to_string(c + 1);
        const int32_t twips = store_.ReadSetting(key, kDefaultColumnTwips);
        int px = PixelOf(static_cast<float>(twips), kTwipsPerPixel);
        if (px < kMinColumnPx || px > kMaxColumnPx)
            px = PixelOf(static_cast<float>(kDefaultColumnTwips), kTwipsPerPixel);
        listTimer_->setColumnWidth(c, px);
    }
}

void FrmTimer::SaveColumnWidths() {
    for (int c = 0; c < kTimerColumns; ++c)
        store_.WriteSetting(kColumnKey + std::to_string(c + 1),
                            static_cast<int32_t>(listTimer_->columnWidth(c) * kTwipsPerPixel));
}

// Accepted, not refused: a window without delete-on-close only hides, and the application's
// quit closes every window and gives up when one of them refuses.
void FrmTimer::closeEvent(QCloseEvent* event) {
    event->accept();
}

bool FrmTimer::eventFilter(QObject* watched, QEvent* event) {
    if (watched == textDate_ && textDate_->isEnabled()) {
        const bool clicked = event->type() == QEvent::MouseButtonRelease &&
                             static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton;
        const bool keyed = event->type() == QEvent::KeyPress &&
                           (static_cast<QKeyEvent*>(event)->key() == Qt::Key_Space ||
                            static_cast<QKeyEvent*>(event)->key() == Qt::Key_Return);
        if (clicked || keyed) {
            PickDate();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

}  // namespace sonivex
