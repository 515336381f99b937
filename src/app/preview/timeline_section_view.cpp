#include "app/preview/timeline_section_view.hpp"

#include "app/editor/editor_state.hpp"
#include "app/preview/simple_timeline_view.hpp"
#include "app/preview/time_format.hpp"
#include "app/ui/palette.hpp"
#include "app/ui/round_icon_button.hpp"
#include "app/ui/section_card.hpp"
#include "app/ui/shadow.hpp"
#include "app/ui/symbol.hpp"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QVBoxLayout>

namespace kestro {
namespace {

// The accent disc with the timeline glyph that opens the header.
class TimelineBadge : public QWidget {
public:
    explicit TimelineBadge(QWidget* parent) : QWidget(parent) { setFixedSize(40, 40); }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        const QRectF disc(4, 3, 32, 32);
        paintShadow(p, disc, 16, {QColor(0, 0, 0, 26), 4, QPointF(0, 2)});
        p.setPen(Qt::NoPen);
        p.setBrush(Palette::current().accentTint);
        p.drawEllipse(disc);
        paintSymbol(p, "timeline.selection", disc.adjusted(8, 8, -8, -8), Qt::black);
    }
};

// A read-out chip: caption over value, on a rounded translucent plate.
class Chip : public QWidget {
public:
    Chip(QWidget* parent, qreal radius) : QWidget(parent), radius_(radius) {}

protected:
    void paintEvent(QPaintEvent*) override {
        const Palette& pal = Palette::current();
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        QPainterPath shape;
        shape.addRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), radius_, radius_);
        p.fillPath(shape, pal.dark ? QColor(255, 255, 255, 12) : QColor(0, 0, 0, 9));
        p.setPen(QPen(pal.hairline, 1));
        p.drawPath(shape);
    }

private:
    qreal radius_;
};

}  // namespace

TimelineSectionView::TimelineSectionView(EditorState& state, QWidget* parent)
    : QWidget(parent), state_(state) {
    auto* root = new QVBoxLayout(this);
    root->setContentsMargins(20, 20, 20, 20);
    root->setSpacing(16);

    // Header.
    auto* header = new QHBoxLayout();
    header->setSpacing(10);
    header->addWidget(new TimelineBadge(this));
    auto* title = new QLabel(QStringLiteral("Timeline"), this);
    title->setObjectName("sectionTitle");
    header->addWidget(title);
    header->addStretch(1);
    playPause_ = new RoundIconButton(QStringLiteral("play.fill"), 36, this);
    playPause_->setToolTip(QStringLiteral("Play / Pause"));
    header->addWidget(playPause_);
    root->addLayout(header);

    track_ = new SimpleTimelineView(this);
    root->addWidget(track_);

    // Read-outs.
    const auto makeChip = [this](QLabel*& caption, QLabel*& value, const QString& text,
                                 Qt::Alignment align, QMargins padding, qreal radius) {
        auto* chip = new Chip(this, radius);
        auto* v = new QVBoxLayout(chip);
        v->setContentsMargins(padding);
        v->setSpacing(6);
        caption = new QLabel(text, chip);
        value = new QLabel(chip);
        caption->setAlignment(align);
        value->setAlignment(align);
        v->addWidget(caption);
        v->addWidget(value);
        chip->setMinimumWidth(radius > 8 ? 112 : 76);
        chips_.append(chip);
        return chip;
    };
    auto* chips = new QHBoxLayout();
    chips->setSpacing(20);
    chips->addWidget(makeChip(startCaption_, startValue_, QStringLiteral("Start"),
                              Qt::AlignLeft, QMargins(12, 8, 12, 8), 8));
    chips->addStretch(1);
    chips->addWidget(makeChip(durationCaption_, durationValue_, QStringLiteral("Duration"),
                              Qt::AlignHCenter, QMargins(16, 12, 16, 12), 10));
    chips->addStretch(1);
    chips->addWidget(makeChip(endCaption_, endValue_, QStringLiteral("End"), Qt::AlignRight,
                              QMargins(12, 8, 12, 8), 8));
    auto* readouts = new QVBoxLayout();
    readouts->setSpacing(16);
    readouts->addLayout(chips);
    auto* currentRow = new QHBoxLayout();
    currentRow->addStretch(1);
    current_ = new QLabel(this);
    currentRow->addWidget(current_);
    readouts->addLayout(currentRow);
    root->addLayout(readouts);

    connect(playPause_, &QAbstractButton::clicked, &state_, &EditorState::togglePlayPause);
    connect(track_, &SimpleTimelineView::trimStartEdited, &state_, &EditorState::setTrimStart);
    connect(track_, &SimpleTimelineView::trimEndEdited, &state_, &EditorState::setTrimEnd);
    connect(track_, &SimpleTimelineView::currentTimeEdited, &state_, &EditorState::setCurrentTime);
    connect(track_, &SimpleTimelineView::seekRequested, &state_, &EditorState::seekToTime);
    for (auto signal : {&EditorState::durationChanged, &EditorState::trimStartChanged,
                        &EditorState::trimEndChanged, &EditorState::currentTimeChanged})
        connect(&state_, signal, this, &TimelineSectionView::refresh);
    connect(&state_, &EditorState::isPlayingChanged, this, &TimelineSectionView::refresh);
    restyle();
    refresh();
}

QString TimelineSectionView::startText() const { return startValue_->text(); }
QString TimelineSectionView::durationText() const { return durationValue_->text(); }
QString TimelineSectionView::endText() const { return endValue_->text(); }
QString TimelineSectionView::currentTimeText() const { return current_->text(); }

void TimelineSectionView::refresh() {
    track_->setDuration(state_.duration());
    track_->setTrimStart(state_.trimStart());
    track_->setTrimEnd(state_.trimEnd());
    track_->setCurrentTime(state_.currentTime());
    startValue_->setText(formatTime(state_.trimStart()));
    durationValue_->setText(formatTime(std::max(state_.trimEnd() - state_.trimStart(), 0.0)));
    endValue_->setText(formatTime(state_.trimEnd()));
    current_->setText(formatTime(state_.currentTime()));
    playPause_->setSymbol(state_.isPlaying() ? QStringLiteral("pause.fill") : QStringLiteral("play.fill"));
}

void TimelineSectionView::changeEvent(QEvent* event) {
    if (event->type() == QEvent::PaletteChange) restyle();
    QWidget::changeEvent(event);
}

void TimelineSectionView::restyle() {
    const Palette& pal = Palette::current();
    const auto colour = [](QLabel* label, const QColor& c, const QFont& f) {
        QPalette p = label->palette();
        p.setColor(QPalette::WindowText, c);
        label->setPalette(p);
        label->setFont(f);
    };
    if (auto* title = findChild<QLabel*>("sectionTitle"))
        colour(title, pal.accentTint, textFont(TextStyle::title2, QFont::Bold));
    for (QLabel* caption : {startCaption_, durationCaption_, endCaption_})
        colour(caption, pal.secondaryText, textFont(TextStyle::caption));
    colour(startValue_, pal.primaryText, textFont(TextStyle::subheadline, QFont::Medium));
    colour(endValue_, pal.primaryText, textFont(TextStyle::subheadline, QFont::Medium));
    colour(durationValue_, pal.accentTint, textFont(TextStyle::title3, QFont::Bold));
    colour(current_, pal.secondaryText, textFont(TextStyle::caption));
}

void TimelineSectionView::paintEvent(QPaintEvent*) {
    paintCardBackground(*this);
}

}  // namespace kestro
