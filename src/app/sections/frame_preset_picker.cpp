#include "app/sections/frame_preset_picker.hpp"

#include "app/editor/editor_state.hpp"
#include "app/editor/settings_file.hpp"
#include "app/ui/palette.hpp"
#include "core/model/frame_label.hpp"
#include "core/model/user_frames.hpp"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QSettings>
#include <QVariantAnimation>
#include <QWidgetAction>

namespace kestro {
namespace {

QString qs(const std::string& s) {
    return QString::fromStdString(s);
}

// One menu row: the preset's label and, for Pro models, the badge; or the prompt entry, in the
// secondary colour; or a family's title heading its section. Clicking an entry triggers it.
class PresetRow : public QWidget {
public:
    enum class Kind { prompt, preset, header };

    PresetRow(QWidgetAction* action, const QString& label, Kind kind, bool pro = false)
        : action_(action), label_(label), kind_(kind), pro_(pro) {
        setAttribute(Qt::WA_Hover);
        setMouseTracking(true);
        setMinimumHeight(kind == Kind::header ? 28 : 30);
        setMinimumWidth(QFontMetrics(textFont(TextStyle::body)).horizontalAdvance(label) + 110);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        const Palette& pal = Palette::current();
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        const QRectF r = QRectF(rect()).adjusted(6, 1, -6, -1);
        if (kind_ == Kind::header) {
            p.setFont(textFont(TextStyle::caption, QFont::DemiBold));
            p.setPen(pal.secondaryText);
            p.drawText(r.adjusted(8, 6, 0, 0), Qt::AlignLeft | Qt::AlignVCenter, label_);
            return;
        }
        const bool hot = underMouse();
        if (hot) {
            QPainterPath hl;
            hl.addRoundedRect(r, 6, 6);
            p.fillPath(hl, pal.accentTint);
        }
        const bool checked = action_->isChecked();
        p.setFont(textFont(TextStyle::body, checked ? QFont::DemiBold : QFont::Normal));
        const QColor text = hot                     ? pal.brandBlack
                            : kind_ == Kind::prompt ? pal.secondaryText
                                                    : pal.primaryText;
        const QFontMetricsF fm(p.font());
        const qreal textX = r.left() + 26;
        if (checked) {
            QPen pen(hot ? pal.brandBlack : pal.accentTint, 1.8);
            pen.setCapStyle(Qt::RoundCap);
            p.setPen(pen);
            const QPointF c(r.left() + 13, r.center().y());
            p.drawPolyline(
                QPolygonF({c + QPointF(-4, 0), c + QPointF(-1, 3), c + QPointF(4, -3.5)}));
        }
        p.setPen(text);
        p.drawText(QRectF(textX, r.top(), r.width() - 26, r.height()),
                   Qt::AlignVCenter | Qt::AlignLeft, label_);
        if (pro_) {
            // The badge: smallest caption, padded 6 x 2, blue at 10% with radius 4.
            const QFont badgeFont = textFont(TextStyle::caption2, QFont::DemiBold);
            const QFontMetricsF bm(badgeFont);
            const QRectF badge(textX + fm.horizontalAdvance(label_) + 8,
                               r.center().y() - (bm.height() + 4) / 2,
                               bm.horizontalAdvance("Pro") + 12, bm.height() + 4);
            QPainterPath shape;
            shape.addRoundedRect(badge, 4, 4);
            QColor fill = pal.systemBlue;
            fill.setAlphaF(hot ? 0.22f : 0.1f);
            p.fillPath(shape, fill);
            p.setFont(badgeFont);
            p.setPen(hot ? pal.brandBlack : pal.secondaryText);
            p.drawText(badge, Qt::AlignCenter, QStringLiteral("Pro"));
        }
    }
    void mouseReleaseEvent(QMouseEvent* event) override {
        if (kind_ == Kind::header || event->button() != Qt::LeftButton ||
            !rect().contains(event->position().toPoint()))
            return;
        // Close the menu first: triggering may rebuild what the menu shows.
        if (auto* menu = qobject_cast<QMenu*>(parentWidget())) menu->close();
        action_->trigger();
    }
    void enterEvent(QEnterEvent*) override { update(); }
    void leaveEvent(QEvent*) override { update(); }

private:
    QWidgetAction* action_;
    QString label_;
    Kind kind_;
    bool pro_;
};

QWidgetAction* addRow(QMenu* menu, const QString& label, const QString& key, PresetRow::Kind kind,
                      bool pro = false) {
    auto* action = new QWidgetAction(menu);
    action->setText(label);
    action->setData(key);
    action->setCheckable(kind != PresetRow::Kind::header);
    action->setEnabled(kind != PresetRow::Kind::header);
    action->setProperty("sectionTitle", kind == PresetRow::Kind::header);
    action->setDefaultWidget(new PresetRow(action, label, kind, pro));
    menu->addAction(action);
    return action;
}

// The pulsing outline drawn just outside the picker, above its neighbours.
class AttentionOverlay : public QWidget {
public:
    AttentionOverlay(QWidget* parent, const FramePresetPicker* picker)
        : QWidget(parent), picker_(picker) {
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setAttribute(Qt::WA_TranslucentBackground);
    }
    static constexpr int kMargin = 14;

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        const qreal phase = picker_->attentionPhase();
        const QRectF field = QRectF(rect()).adjusted(kMargin, kMargin, -kMargin, -kMargin);
        const qreal scale = 1.0 + 0.05 * phase;
        // The field is much wider than tall; growing the height by the same ratio would look
        // flat, so the height grows by as many points as the width does, capped.
        const qreal growX = field.width() * (scale - 1) / 2;
        const qreal growY = std::min(growX, 6.0 * phase);
        QColor blue = Palette::current().systemBlue;
        blue.setAlphaF(static_cast<float>(1.0 - 0.2 * phase));
        p.setPen(QPen(blue, 3));
        p.setBrush(Qt::NoBrush);
        p.drawRoundedRect(field.adjusted(-growX, -growY, growX, growY), 8, 8);
    }

private:
    const FramePresetPicker* picker_;
};

}  // namespace

FramePresetPicker::FramePresetPicker(EditorState& state, QWidget* parent)
    : FramePresetPicker(state, framePresetCatalog(), parent) {
    userFolders_ = savedFramesFolders();
    rebuildMenu();
}

FramePresetPicker::FramePresetPicker(EditorState& state, const std::vector<FramePreset>& catalog,
                                     QWidget* parent)
    : MenuPicker(parent), state_(state), shipped_(catalog), catalog_(catalog) {
    setAccessibleName(QStringLiteral("Frame Preset"));
    setToolTip(QStringLiteral("Choose a device frame, or drop a PNG frame of your own here"));
    setAcceptDrops(true);
    setMinimumHeight(34);
    menu()->setObjectName("framePresetMenu");
    rebuildMenu();

    pulse_ = new QVariantAnimation(this);
    pulse_->setStartValue(0.0);
    pulse_->setEndValue(1.0);
    pulse_->setDuration(1000);
    pulse_->setEasingCurve(QEasingCurve::InOutSine);
    connect(pulse_, &QVariantAnimation::valueChanged, this, [this](const QVariant& v) {
        phase_ = v.toReal();
        if (overlay_) overlay_->update();
    });
    // Auto-reverse: each finished stroke runs back the other way.
    connect(pulse_, &QVariantAnimation::finished, this, [this] {
        pulse_->setDirection(pulse_->direction() == QAbstractAnimation::Forward
                                 ? QAbstractAnimation::Backward
                                 : QAbstractAnimation::Forward);
        if (attentionOutlineVisible()) pulse_->start();
    });

    connect(&state_.frame(), &FrameSelection::framePresetChanged, this,
            &FramePresetPicker::refresh);
    connect(&state_.frame(), &FrameSelection::frameImageChanged, this, &FramePresetPicker::refresh);
    refresh();
}

FramePresetPicker::~FramePresetPicker() {
    delete overlay_.data();
}

QStringList FramePresetPicker::savedFramesFolders() {
    return openSettings()
        .value(QStringLiteral("framesFolders"))
        .toStringList();
}

void FramePresetPicker::addFramesFolder(const QString& folder) {
    if (folder.isEmpty() || userFolders_.contains(folder)) return;
    userFolders_.append(folder);
    openSettings()
        .setValue(QStringLiteral("framesFolders"), userFolders_);
    rebuildMenu();
}

void FramePresetPicker::rebuildMenu() {
    std::vector<std::filesystem::path> folders;
    for (const QString& folder : userFolders_) folders.emplace_back(folder.toStdString());
    const UserFrames user = scanUserFrames(folders);
    catalog_ = withUserFrames(shipped_, user);
    skipped_.clear();
    for (const SkippedFrame& skipped : user.skipped) {
        skipped_.append(
            QString::fromStdString(skipped.file.filename().string() + " " + skipped.reason));
    }

    QMenu* m = menu();
    m->clear();
    // A real choice: the recording alone, filling the canvas, in the preview and the export.
    QAction* none = addRow(m, noFrameText(), QString(), PresetRow::Kind::prompt);
    none->setObjectName(QStringLiteral("noFrameAction"));
    connect(none, &QAction::triggered, this, [this] { state_.frame().setFramePreset(QString()); });
    for (const FramePresetGroup& group : groupedFramePresets(catalog_)) {
        addRow(m, qs(group.title), QString(), PresetRow::Kind::header);
        for (const FramePreset& preset : group.presets) {
            const QString key = qs(preset.key);
            const QString label = qs(preset.label);
            QAction* action = addRow(m, label, key, PresetRow::Kind::preset, showsProBadge(label));
            // The user's own frames are PNGs outside the catalogue: loaded as custom frames.
            if (preset.userFrame) {
                connect(action, &QAction::triggered, this,
                        [this, key] { state_.frame().useCustomFrame(key); });
            } else {
                connect(action, &QAction::triggered, this,
                        [this, key] { state_.frame().setFramePreset(key); });
            }
        }
    }
    QAction* add = addRow(m, addFolderText(), QString(), PresetRow::Kind::prompt);
    add->setCheckable(false);
    add->setObjectName(QStringLiteral("addFramesFolder"));
    if (!skipped_.isEmpty()) {
        add->setToolTip(QStringLiteral("Left out: ") + skipped_.join(QStringLiteral("; ")));
    }
    connect(add, &QAction::triggered, this,
            [this] { addFramesFolder(QFileDialog::getExistingDirectory(this, addFolderText())); });
}

bool FramePresetPicker::showsProBadge(const QString& label) {
    return label.toLower().contains(QStringLiteral("pro"));
}

bool FramePresetPicker::attentionOutlineVisible() const {
    return state_.frame().frameImage() == nullptr;
}

void FramePresetPicker::refresh() {
    const QString key = state_.frame().framePreset();
    QString shown = promptText();
    bool prompt = true;
    for (QAction* action : menu()->actions()) {
        if (!action->isCheckable()) continue;
        const bool selected = action->data().toString() == key &&
                              (!key.isEmpty() || state_.frame().customFramePath().isEmpty());
        action->setChecked(selected);
        if (selected && !key.isEmpty()) {
            shown = action->text();
            prompt = false;
        }
    }
    if (prompt && !state_.frame().customFramePath().isEmpty()) {
        const QFileInfo custom(state_.frame().customFramePath());
        shown = QString::fromStdString(makeFrameLabel(custom.completeBaseName().toStdString())) +
                QStringLiteral(" (Custom)");
        prompt = false;
    }
    setDisplay(shown, prompt);
    const bool attention = attentionOutlineVisible();
    if (overlay_) overlay_->setVisible(attention && isVisible());
    if (attention && isVisible()) {
        if (pulse_->state() != QAbstractAnimation::Running) pulse_->start();
    } else {
        pulse_->stop();
    }
}

void FramePresetPicker::placeOverlay() {
    if (!overlay_ || !overlay_->parentWidget()) return;
    const int m = AttentionOverlay::kMargin;
    const QPoint at = mapTo(overlay_->parentWidget(), QPoint(0, 0));
    overlay_->setGeometry(QRect(at, size()).adjusted(-m, -m, m, m));
    overlay_->raise();
}

QString FramePresetPicker::droppedPng(const QMimeData* mime) {
    if (!mime || !mime->hasUrls() || mime->urls().size() != 1) return {};
    const QUrl url = mime->urls().front();
    if (!url.isLocalFile()) return {};
    const QString path = url.toLocalFile();
    return path.endsWith(QStringLiteral(".png"), Qt::CaseInsensitive) ? path : QString();
}

void FramePresetPicker::dragEnterEvent(QDragEnterEvent* event) {
    // Anything but one PNG is left to the window, which imports movies.
    if (droppedPng(event->mimeData()).isEmpty()) return event->ignore();
    event->acceptProposedAction();
}

void FramePresetPicker::dropEvent(QDropEvent* event) {
    const QString png = droppedPng(event->mimeData());
    if (png.isEmpty()) return event->ignore();
    event->acceptProposedAction();
    // After the drop has returned: the alert for a bad image must not run inside the drag.
    QMetaObject::invokeMethod(
        this, [this, png] { state_.frame().useCustomFrame(png); }, Qt::QueuedConnection);
}

bool FramePresetPicker::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Move || event->type() == QEvent::Resize) placeOverlay();
    return MenuPicker::eventFilter(watched, event);
}

void FramePresetPicker::moveEvent(QMoveEvent* event) {
    placeOverlay();
    MenuPicker::moveEvent(event);
}

void FramePresetPicker::resizeEvent(QResizeEvent* event) {
    placeOverlay();
    MenuPicker::resizeEvent(event);
}

void FramePresetPicker::showEvent(QShowEvent* event) {
    if (!overlay_ && parentWidget()) {
        // The outline reaches beyond the picker, so it lives in the nearest ancestor that has
        // room (the section card), and follows every move of the widgets in between.
        QWidget* host = parentWidget();
        for (QWidget* w = parentWidget(); w; w = w->parentWidget()) {
            w->installEventFilter(this);
            host = w;
            if (w->property("attentionHost").toBool()) break;
        }
        if (!host->property("attentionHost").toBool()) host = parentWidget();
        overlay_ = new AttentionOverlay(host, this);
    }
    placeOverlay();
    refresh();
    MenuPicker::showEvent(event);
}

void FramePresetPicker::hideEvent(QHideEvent* event) {
    if (overlay_) overlay_->hide();
    pulse_->stop();
    MenuPicker::hideEvent(event);
}

}  // namespace kestro
