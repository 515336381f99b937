#include "app/preview/caption_lane_view.hpp"

#include "app/editor/editor_state.hpp"
#include "app/preview/caption_lane.hpp"
#include "app/ui/palette.hpp"
#include "app/window/title_cards_dialog.hpp"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include <cmath>

namespace kestro {

namespace {

constexpr CaptionPosition kPositions[] = {CaptionPosition::bottom, CaptionPosition::top,
                                          CaptionPosition::centre};

}  // namespace

CaptionLaneView::CaptionLaneView(EditorState& state, SimpleTimelineView& track, QWidget* parent)
    : QWidget(parent), state_(state) {
    auto* root = new QVBoxLayout(this);
    root->setContentsMargins(0, 0, 0, 0);
    root->setSpacing(2);

    auto* row = new QHBoxLayout();
    row->setSpacing(6);
    auto* title = new QLabel(QStringLiteral("Captions"), this);
    title->setFont(textFont(TextStyle::caption));
    row->addWidget(title);
    add_ = new QPushButton(QStringLiteral("Add at Playhead"), this);
    add_->setObjectName(QStringLiteral("addCaptionButton"));
    row->addWidget(add_);
    position_ = new QComboBox(this);
    position_->setObjectName(QStringLiteral("captionPosition"));
    position_->addItems({QStringLiteral("Bottom"), QStringLiteral("Top"), QStringLiteral("Centre")});
    position_->setToolTip(QStringLiteral("Where the caption sits: beside the device when the "
                                         "canvas leaves room, else over it"));
    row->addWidget(position_);
    size_ = new QSpinBox(this);
    size_->setObjectName(QStringLiteral("captionSize"));
    size_->setRange(int(kMinCaptionSizePercent), int(kMaxCaptionSizePercent));
    size_->setSuffix(QStringLiteral(" %"));
    size_->setToolTip(QStringLiteral("Text size, in percent of the canvas height"));
    row->addWidget(size_);
    delete_ = new QPushButton(QStringLiteral("Delete"), this);
    delete_->setObjectName(QStringLiteral("deleteCaptionButton"));
    row->addWidget(delete_);
    problem_ = new QLabel(this);
    QPalette red = problem_->palette();
    red.setColor(QPalette::WindowText, Palette::current().danger);
    problem_->setPalette(red);
    row->addWidget(problem_, 1);
    titles_ = new QPushButton(QStringLiteral("Titles…"), this);
    titles_->setObjectName(QStringLiteral("titlesButton"));
    titles_->setToolTip(QStringLiteral("Intro and outro title cards"));
    row->addWidget(titles_);
    // Kept low: the preview above needs the room more.
    for (QWidget* control : std::initializer_list<QWidget*>{add_, position_, size_, delete_, titles_}) {
        control->setFont(textFont(TextStyle::caption));
        control->setMaximumHeight(22);
    }
    root->addLayout(row);

    lane_ = new CaptionLane(state_, track, this);
    root->addWidget(lane_);

    connect(add_, &QPushButton::clicked, this, &CaptionLaneView::addCaptionAtPlayhead);
    connect(titles_, &QPushButton::clicked, this, &CaptionLaneView::openTitles);
    connect(delete_, &QPushButton::clicked, this, [this] {
        if (const auto index = lane_->selected()) {
            lane_->select(std::nullopt);
            state_.story().removeCaption(*index);
        }
    });
    connect(position_, &QComboBox::activated, this, [this](int choice) {
        if (const auto index = lane_->selected(); index && choice >= 0 && choice < 3)
            state_.story().setCaptionPosition(*index, kPositions[choice]);
    });
    connect(size_, &QSpinBox::valueChanged, this, [this](int percent) {
        if (const auto index = lane_->selected();
            index && std::lround(state_.story().caption(*index).sizePercent) != percent)
            state_.story().setCaptionSize(*index, percent);
    });
    connect(lane_, &CaptionLane::selectionChanged, this, &CaptionLaneView::syncControls);
    connect(lane_, &CaptionLane::textRefused, problem_, &QLabel::setText);
    connect(&state_.story(), &StoryTrack::changed, this, &CaptionLaneView::syncControls);
    connect(&state_.playback(), &PlaybackSession::durationChanged, this,
            &CaptionLaneView::syncControls);
    syncControls();
}

void CaptionLaneView::syncControls() {
    const std::optional<int> index = lane_->selected();
    const bool movie = state_.playback().duration() > 0;
    add_->setEnabled(movie);
    titles_->setEnabled(movie);
    lane_->setEnabled(movie);
    for (QWidget* control : std::initializer_list<QWidget*>{position_, size_, delete_})
        control->setEnabled(movie && index.has_value());
    if (!lane_->textEditor()) problem_->clear();
    if (!index) return;
    const Caption& c = state_.story().caption(*index);
    const QSignalBlocker quietPosition(position_);
    const QSignalBlocker quietSize(size_);
    for (int i = 0; i < 3; ++i) {
        if (kPositions[i] == c.position) position_->setCurrentIndex(i);
    }
    size_->setValue(int(std::lround(c.sizePercent)));
}

void CaptionLaneView::addCaptionAtPlayhead() {
    QString problem;
    const double at = state_.outputTimeAt(state_.playback().currentTime());
    const auto index = state_.story().addCaption(at, QStringLiteral("Caption"), &problem);
    if (!index) {
        problem_->setText(problem);
        return;
    }
    lane_->editText(*index);
}

void CaptionLaneView::openTitles() {
    if (dialog_) return;
    dialog_ = new TitleCardsDialog(state_.story(), this);
    dialog_->setAttribute(Qt::WA_DeleteOnClose);
    connect(dialog_, &QObject::destroyed, this, [this] { dialog_ = nullptr; });
    dialog_->open();
}

}  // namespace kestro
