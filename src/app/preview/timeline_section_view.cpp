#include "app/preview/timeline_section_view.hpp"

#include "app/editor/editor_state.hpp"
#include "app/preview/caption_lane_view.hpp"
#include "app/preview/filmstrip.hpp"
#include "app/preview/simple_timeline_view.hpp"
#include "app/preview/speed_lane_view.hpp"
#include "app/preview/zoom_lane_view.hpp"
#include "app/preview/time_format.hpp"
#include "app/preview/time_readout.hpp"
#include "app/ui/palette.hpp"

#include <QComboBox>
#include <QShortcut>
#include <QStackedWidget>
#include "app/ui/round_icon_button.hpp"
#include "app/ui/section_card.hpp"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace kestro {

TimelineSectionView::TimelineSectionView(EditorState& state, QWidget* parent, Filmstrip* filmstrip)
    : QWidget(parent), state_(state), filmstrip_(filmstrip ? filmstrip : new Filmstrip({}, this)) {
    auto* root = new QVBoxLayout(this);
    root->setContentsMargins(16, 10, 16, 10);
    root->setSpacing(6);

    // One row: play/pause, then caption and value pairs, the playhead's time at the far end.
    auto* row = new QHBoxLayout();
    row->setSpacing(8);
    playPause_ = new RoundIconButton(QStringLiteral("play.fill"), 30, this);
    playPause_->setToolTip(QStringLiteral("Play / Pause"));
    row->addWidget(playPause_);
    row->addSpacing(6);
    const auto pair = [this, row](QLabel*& caption, TimeReadout*& value, const QString& text) {
        caption = new QLabel(text, this);
        value = new TimeReadout(this);
        row->addWidget(caption);
        row->addWidget(value);
        row->addSpacing(14);
    };
    pair(startCaption_, startValue_, QStringLiteral("Start"));
    pair(durationCaption_, durationValue_, QStringLiteral("Duration"));
    pair(endCaption_, endValue_, QStringLiteral("End"));
    row->addStretch(1);
    current_ = new TimeReadout(this);
    current_->setAlignment(Qt::AlignRight);
    current_->setToolTip(QStringLiteral("Playhead"));
    row->addWidget(current_);
    root->addLayout(row);

    track_ = new SimpleTimelineView(this);
    root->addWidget(track_);
    // One lane under the track at a time, picked in the read-out row: the preview keeps its
    // room on a laptop screen.
    lanes_ = new QStackedWidget(this);
    zoomLane_ = new ZoomLaneView(state_, *track_, lanes_);
    speedLane_ = new SpeedLaneView(state_.speedTrack(), lanes_);
    captionLane_ = new CaptionLaneView(state_, *track_, lanes_);
    for (QWidget* lane : {static_cast<QWidget*>(zoomLane_), static_cast<QWidget*>(speedLane_),
                          static_cast<QWidget*>(captionLane_)})
        lanes_->addWidget(lane);
    root->addWidget(lanes_);
    lanePicker_ = new QComboBox(this);
    lanePicker_->setObjectName(QStringLiteral("lanePicker"));
    lanePicker_->setToolTip(QStringLiteral("The lane shown under the timeline"));
    lanePicker_->addItems({QStringLiteral("Zoom"), QStringLiteral("Speed"),
                           QStringLiteral("Captions")});
    // The lane's tools follow the read-outs on their row while it has the room, and take a row
    // of their own under it when the window is narrow.
    readouts_ = row;
    laneTools_ = new QWidget(this);
    auto* tools = new QHBoxLayout(laneTools_);
    tools->setContentsMargins(0, 0, 0, 0);
    tools->setSpacing(8);
    tools->addWidget(lanePicker_);
    tools->addWidget(zoomLane_->controls());
    laneTools_->installEventFilter(this);
    row->insertWidget(row->indexOf(current_), laneTools_);
    toolsRow_ = new QHBoxLayout();
    toolsRow_->addStretch(1);
    root->insertLayout(root->indexOf(row) + 1, toolsRow_);
    connect(lanePicker_, &QComboBox::currentIndexChanged, this, &TimelineSectionView::showLane);
    showLane(0);
    connect(&state_.speedTrack(), &SpeedTrackState::changed, this, &TimelineSectionView::refresh);
    connect(speedLane_, &SpeedLaneView::shortenWaitsRequested, this, [this](double seconds) {
        if (!state_.playback().videoPath()) return;
        state_.speedTrack().shortenWaits(*state_.playback().videoPath(),
                                         state_.playback().trimStart(), state_.playback().trimEnd(),
                                         seconds);
    });
    // Z adds a zoom at the playhead from anywhere in the window, and shows the zoom lane.
    auto* addZoom = new QShortcut(QKeySequence(Qt::Key_Z), this);
    addZoom->setContext(Qt::WindowShortcut);
    connect(addZoom, &QShortcut::activated, this, [this] {
        showLane(kZoomLane);
        zoomLane_->addAtPlayhead();
    });

    connect(playPause_, &QAbstractButton::clicked, &state_.playback(),
            &PlaybackSession::togglePlayPause);
    connect(track_, &SimpleTimelineView::trimStartEdited, &state_.playback(),
            &PlaybackSession::setTrimStart);
    connect(track_, &SimpleTimelineView::trimEndEdited, &state_.playback(),
            &PlaybackSession::setTrimEnd);
    connect(track_, &SimpleTimelineView::currentTimeEdited, &state_.playback(),
            &PlaybackSession::setCurrentTime);
    connect(track_, &SimpleTimelineView::seekRequested, &state_.playback(),
            &PlaybackSession::seekToTime);
    for (auto signal : {&PlaybackSession::durationChanged, &PlaybackSession::trimStartChanged,
                        &PlaybackSession::trimEndChanged, &PlaybackSession::currentTimeChanged})
        connect(&state_.playback(), signal, this, &TimelineSectionView::refresh);
    connect(&state_.playback(), &PlaybackSession::isPlayingChanged, this,
            &TimelineSectionView::refresh);
    connect(&state_.playback(), &PlaybackSession::playerChanged, this,
            &TimelineSectionView::requestFilmstrip);
    connect(&state_.playback(), &PlaybackSession::durationChanged, this,
            &TimelineSectionView::requestFilmstrip);
    connect(filmstrip_, &Filmstrip::ready, this,
            [this] { track_->setThumbnails(filmstrip_->thumbnails()); });
    restyle();
    refresh();
}

QString TimelineSectionView::startText() const {
    return startValue_->text();
}
QString TimelineSectionView::durationText() const {
    return durationValue_->text();
}
QString TimelineSectionView::endText() const {
    return endValue_->text();
}
QString TimelineSectionView::currentTimeText() const {
    return current_->text();
}

void TimelineSectionView::refresh() {
    const double start = state_.playback().trimStart();
    const double end = state_.playback().trimEnd();
    track_->setDuration(state_.playback().duration());
    track_->setTrimStart(start);
    track_->setTrimEnd(end);
    track_->setCurrentTime(state_.playback().currentTime());
    startValue_->setText(formatTime(start));
    speedLane_->setDuration(state_.playback().duration());
    durationValue_->setText(formatTime(state_.speedTrack().outputLength(start, end)));
    endValue_->setText(formatTime(end));
    // As the playhead is drawn: inside the range, so the time never reads past End.
    current_->setText(formatTime(std::max(start, std::min(state_.playback().currentTime(), end))));
    playPause_->setSymbol(state_.playback().isPlaying() ? QStringLiteral("pause.fill")
                                                        : QStringLiteral("play.fill"));
}

void TimelineSectionView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    placeLaneTools();
    requestFilmstrip();
}

bool TimelineSectionView::eventFilter(QObject* watched, QEvent* event) {
    // The tools ask for a new width when the lane or the zoom's status changes.
    if (watched == laneTools_ && event->type() == QEvent::LayoutRequest)
        QMetaObject::invokeMethod(this, &TimelineSectionView::placeLaneTools,
                                  Qt::QueuedConnection);
    return QWidget::eventFilter(watched, event);
}

void TimelineSectionView::placeLaneTools() {
    const bool inRow = readouts_->indexOf(laneTools_) >= 0;
    // What each needs at the least: a row squeezed to that still shows every word whole.
    const int tools = laneTools_->minimumSizeHint().width() + readouts_->spacing();
    const int readouts = readouts_->minimumSize().width() - (inRow ? tools : 0);
    const QMargins margins = layout()->contentsMargins();
    const bool fits = readouts + tools <= width() - margins.left() - margins.right();
    if (fits == inRow) return;
    if (fits) {
        toolsRow_->removeWidget(laneTools_);
        readouts_->insertWidget(readouts_->indexOf(current_), laneTools_);
    } else {
        readouts_->removeWidget(laneTools_);
        toolsRow_->insertWidget(0, laneTools_);
    }
}

// As many pictures as fit the track at the movie's shape; the strip caches each size it made.
void TimelineSectionView::requestFilmstrip() {
    const PlayerHandle* player = state_.playback().player();
    const QSize video = player ? player->videoSize() : QSize();
    const qreal trackWidth = track_->trackRect().width();
    if (!state_.playback().videoPath() || video.isEmpty() || trackWidth <= 0) {
        filmstrip_->request(QString(), 0, 0, QSize());
        return;
    }
    const int h = kThumbnailHeight;
    const int w =
        std::clamp(int(std::lround(h * double(video.width()) / video.height())), 16, 4 * h);
    // Enough pictures to see where to cut; each is cropped to its share of the track.
    const int count = std::clamp(int(std::ceil(trackWidth / w)), 1, kMaximumThumbnails);
    filmstrip_->request(*state_.playback().videoPath(), state_.playback().duration(), count,
                        QSize(w, h));
}

void TimelineSectionView::changeEvent(QEvent* event) {
    if (event->type() == QEvent::PaletteChange) restyle();
    QWidget::changeEvent(event);
}

void TimelineSectionView::restyle() {
    const Palette& pal = Palette::current();
    for (QLabel* caption : {startCaption_, durationCaption_, endCaption_}) {
        QPalette p = caption->palette();
        p.setColor(QPalette::WindowText, pal.secondaryText);
        caption->setPalette(p);
        caption->setFont(textFont(TextStyle::caption));
    }
    const auto value = [](TimeReadout* readout, const QColor& c, const QFont& f) {
        readout->setColor(c);
        readout->setFont(f);
    };
    value(startValue_, pal.primaryText, textFont(TextStyle::subheadline, QFont::Medium));
    value(endValue_, pal.primaryText, textFont(TextStyle::subheadline, QFont::Medium));
    value(durationValue_, pal.accentTint, textFont(TextStyle::headline, QFont::Bold));
    value(current_, pal.secondaryText, textFont(TextStyle::subheadline, QFont::Medium));
}

void TimelineSectionView::paintEvent(QPaintEvent*) {
    paintCardBackground(*this);
}

int TimelineSectionView::shownLane() const { return lanes_->currentIndex(); }

void TimelineSectionView::showLane(int index) {
    if (index < 0 || index >= lanes_->count()) return;
    // Only the lane shown asks for height; the others give theirs up.
    for (int i = 0; i < lanes_->count(); ++i) {
        lanes_->widget(i)->setSizePolicy(QSizePolicy::Preferred, i == index
                                                                     ? QSizePolicy::Fixed
                                                                     : QSizePolicy::Ignored);
    }
    lanes_->setCurrentIndex(index);
    zoomLane_->controls()->setVisible(index == kZoomLane);
    if (lanePicker_->currentIndex() != index) lanePicker_->setCurrentIndex(index);
    lanes_->adjustSize();
    placeLaneTools();
    updateGeometry();
}

}  // namespace kestro
