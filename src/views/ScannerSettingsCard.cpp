#include "views/ScannerSettingsCard.h"

#include "app/settings/CaptureConfig.h"
#include "app/settings/ScannerSettingsTexts.h"
#include "app/settings/SettingsKeys.h"
#include "app/settings/SettingsStore.h"
#include "views/SettingBindings.h"
#include "views/Theme.h"
#include "core/intake/ScanResolution.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QToolButton>
#include <QVBoxLayout>

namespace vantry {

namespace K = SettingsKeys;
namespace T = ScannerSettingsTexts;
using Theme::Size;
using Theme::Tone;

namespace {

enum class Glyph { checklist, checkmarkCircle, infoCircle, lightbulb };

// Small line drawings in place of the platform's symbol images (no icon theme needed).
QPixmap glyph(Glyph kind, const QColor& color, int side, qreal ratio)
{
    QPixmap pixmap(QSize(side, side) * ratio);
    pixmap.setDevicePixelRatio(ratio);
    pixmap.fill(Theme::clear);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal s = side;
    QPen pen(color, std::max(1.2, s / 11));
    pen.setCapStyle(Qt::RoundCap);
    pen.setJoinStyle(Qt::RoundJoin);
    p.setPen(pen);
    switch (kind) {
    case Glyph::checklist:
        for (int i = 0; i < 3; ++i) {
            const qreal y = s * (0.22 + 0.28 * i);
            QPainterPath tick;
            tick.moveTo(s * 0.08, y);
            tick.lineTo(s * 0.16, y + s * 0.08);
            tick.lineTo(s * 0.30, y - s * 0.08);
            p.drawPath(tick);
            p.drawLine(QPointF(s * 0.42, y), QPointF(s * 0.92, y));
        }
        break;
    case Glyph::checkmarkCircle: {
        p.drawEllipse(QRectF(s * 0.08, s * 0.08, s * 0.84, s * 0.84));
        QPainterPath tick;
        tick.moveTo(s * 0.30, s * 0.52);
        tick.lineTo(s * 0.45, s * 0.66);
        tick.lineTo(s * 0.70, s * 0.36);
        p.drawPath(tick);
        break;
    }
    case Glyph::infoCircle:
        p.drawEllipse(QRectF(s * 0.08, s * 0.08, s * 0.84, s * 0.84));
        p.drawLine(QPointF(s * 0.5, s * 0.46), QPointF(s * 0.5, s * 0.72));
        p.setBrush(color);
        p.drawEllipse(QPointF(s * 0.5, s * 0.30), s * 0.03, s * 0.03);
        break;
    case Glyph::lightbulb:
        p.drawEllipse(QRectF(s * 0.24, s * 0.06, s * 0.52, s * 0.52));
        p.drawLine(QPointF(s * 0.38, s * 0.70), QPointF(s * 0.62, s * 0.70));
        p.drawLine(QPointF(s * 0.40, s * 0.84), QPointF(s * 0.60, s * 0.84));
        break;
    }
    return pixmap;
}

QLabel* glyphLabel(Glyph kind, Tone tone, const QString& objectName, int side, QWidget* parent)
{
    auto* label = new QLabel(parent);
    label->setObjectName(objectName);
    label->setPixmap(glyph(kind, Theme::color(parent, tone), side, parent->devicePixelRatioF()));
    label->setFixedSize(side, side);
    return label;
}

// A rounded panel on a faint fill, like the platform's grouped inset.
QFrame* panel(const QString& objectName, QWidget* parent)
{
    auto* frame = new QFrame(parent);
    frame->setObjectName(objectName);
    QColor fill = Theme::color(parent, Tone::primary);
    fill.setAlphaF(0.07);
    frame->setStyleSheet(Theme::panelStyle(objectName, fill));
    return frame;
}

QFrame* divider(QWidget* parent)
{
    auto* line = new QFrame(parent);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Plain);
    QPalette p = line->palette();
    QColor c = Theme::color(parent, Tone::primary);
    c.setAlphaF(0.15);
    p.setColor(QPalette::WindowText, c);
    line->setPalette(p);
    return line;
}

// An icon beside a wrapped text, the icon on the text's first line.
QHBoxLayout* iconRow(QLabel* icon, QLabel* text)
{
    auto* row = new QHBoxLayout;
    row->setSpacing(6);
    row->addWidget(icon, 0, Qt::AlignTop);
    row->addWidget(text, 1);
    return row;
}

} // namespace

ScannerSettingsCard::ScannerSettingsCard(std::shared_ptr<SettingsStore> settings, QWidget* parent)
    : QWidget(parent), settings_(std::move(settings))
{
    setObjectName(QStringLiteral("scannerSettingsCard"));
    setAccessibleName(T::title());
    setMaximumWidth(maximumCardWidth);

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(10);
    column->addLayout(buildHeader());
    intro_ = Theme::label(QString(), QStringLiteral("scannerSettingsIntro"), Size::caption, Tone::secondary,
                                  this);
    column->addWidget(intro_);
    column->addWidget(buildSpeedPanel());
    column->addWidget(buildRecommendedSettings());
    column->addLayout(buildTip());
    followSettings();
}

QHBoxLayout* ScannerSettingsCard::buildHeader()
{
    auto* title = Theme::label(T::title(), QStringLiteral("scannerSettingsTitle"), Size::body, Tone::primary,
                                       this);
    title->setFont(Theme::font(this, Size::body, true));
    title->setWordWrap(false);
    auto* header = new QHBoxLayout;
    header->setSpacing(8);
    header->addWidget(glyphLabel(Glyph::checklist, Tone::primary, QStringLiteral("checklistIcon"), 18, this));
    header->addWidget(title, 1);
    return header;
}

// The scan speed, what it means, whether it is applied, and the switch that applies it.
QFrame* ScannerSettingsCard::buildSpeedPanel()
{
    QFrame* speed = panel(QStringLiteral("scanSpeedPanel"), this);
    auto* speedColumn = new QVBoxLayout(speed);
    speedColumn->setContentsMargins(12, 12, 12, 12);
    speedColumn->setSpacing(6);

    auto* speedTitle = Theme::label(QStringLiteral("Scan speed"), QStringLiteral("scanSpeedTitle"),
                                            Size::callout, Tone::primary, speed);
    speedTitle->setWordWrap(false);
    speedValue_ = Theme::label(QString(), QStringLiteral("scanSpeedValue"), Size::callout, Tone::accent, speed);
    speedValue_->setFont(Theme::font(this, Size::callout, true));
    speedValue_->setWordWrap(false);
    speedValue_->setAccessibleName(QStringLiteral("Scan resolution"));
    auto* speedHeader = new QHBoxLayout;
    speedHeader->addWidget(speedTitle);
    speedHeader->addStretch();
    speedHeader->addWidget(speedValue_);
    speedColumn->addLayout(speedHeader);

    speedColumn->addWidget(buildSpeedPicker(speed));

    speedDetail_ = Theme::label(QString(), QStringLiteral("scanSpeedDetail"), Size::caption2, Tone::secondary,
                                        speed);
    speedColumn->addWidget(speedDetail_);
    speedColumn->addWidget(Theme::label(T::hardwareNote(), QStringLiteral("scanSpeedHardwareNote"),
                                                Size::caption2, Tone::tertiary, speed));

    appliedNote_ = Theme::label(QString(), QStringLiteral("scanSpeedAppliedNote"), Size::caption2,
                                        Tone::primary, speed);
    appliedIcon_ = new QLabel(speed);
    appliedIcon_->setObjectName(QStringLiteral("scanSpeedAppliedIcon"));
    appliedIcon_->setFixedSize(14, 14);
    speedColumn->addLayout(iconRow(appliedIcon_, appliedNote_));

    speedColumn->addSpacing(2);
    speedColumn->addWidget(divider(speed));
    speedColumn->addSpacing(2);

    directScan_ = new QCheckBox(T::switchLabel(), speed);
    directScan_->setObjectName(QStringLiteral("driveScannerToggle"));
    directScan_->setAccessibleName(T::switchLabel());
    directScan_->setFont(Theme::font(this, Size::callout));
    speedColumn->addWidget(directScan_);
    switchNote_ = Theme::label(QString(), QStringLiteral("driveScannerNote"), Size::caption2, Tone::tertiary,
                                       speed);
    speedColumn->addWidget(switchNote_);
    return speed;
}

QWidget* ScannerSettingsCard::buildSpeedPicker(QWidget* speed)
{
    auto* segments = new QWidget(speed);
    segments->setObjectName(QStringLiteral("scanSpeedPicker"));
    segments->setAccessibleName(QStringLiteral("Scan speed"));
    auto* segmentRow = new QHBoxLayout(segments);
    segmentRow->setContentsMargins(0, 0, 0, 0);
    segmentRow->setSpacing(0);
    speeds_ = new QButtonGroup(this);
    speeds_->setExclusive(true);
    for (std::size_t i = 0; i < ScanResolution::allCases.size(); ++i) {
        const ScanResolution resolution = ScanResolution::allCases[i];
        auto* segment = new QToolButton(segments);
        segment->setObjectName(QStringLiteral("scanSpeed") + resolution.label());
        segment->setText(resolution.label());
        segment->setAccessibleName(resolution.label());
        segment->setToolTip(resolution.displayValue());
        segment->setCheckable(true);
        segment->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
        segment->setFont(Theme::font(this, Size::caption));
        const bool first = i == 0;
        const bool last = i + 1 == ScanResolution::allCases.size();
        segment->setStyleSheet(Theme::segmentStyle(this, first, last, 2));
        speeds_->addButton(segment, resolution.dpi());
        segmentRow->addWidget(segment);
    }
    connect(speeds_, &QButtonGroup::idClicked, this, [this](int dpi) {
        settings_->setInteger(K::scanResolutionDpi, dpi);
    });
    return segments;
}

QFrame* ScannerSettingsCard::buildRecommendedSettings()
{
    QFrame* table = panel(QStringLiteral("recommendedSettingsPanel"), this);
    table->setAccessibleName(T::title());
    auto* rows = new QVBoxLayout(table);
    rows->setContentsMargins(12, 7, 12, 7);
    rows->setSpacing(0);
    const auto& settingsTable = T::recommendedSettings();
    for (std::size_t i = 0; i < settingsTable.size(); ++i) {
        const T::Setting& entry = settingsTable[i];
        const QString id = QStringLiteral("recommendedSetting%1").arg(i);
        auto* name = Theme::label(entry.name, id + QStringLiteral("Name"), Size::callout,
                                          entry.key ? Tone::primary : Tone::secondary, table);
        name->setWordWrap(false);
        auto* value = Theme::label(entry.value, id + QStringLiteral("Value"), Size::callout,
                                           entry.key ? Tone::accent : Tone::primary, table);
        value->setFont(Theme::font(this, Size::callout, entry.key));
        value->setWordWrap(false);
        value->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        auto* row = new QHBoxLayout;
        row->setContentsMargins(0, 5, 0, 5);
        row->addWidget(name);
        row->addStretch();
        row->addWidget(value);
        rows->addLayout(row);
        if (i + 1 < settingsTable.size())
            rows->addWidget(divider(table));
    }
    return table;
}

QHBoxLayout* ScannerSettingsCard::buildTip()
{
    auto* tip = Theme::label(T::tip(), QStringLiteral("scannerSettingsTip"), Size::caption, Tone::secondary,
                                     this);
    return iconRow(glyphLabel(Glyph::lightbulb, Tone::secondary, QStringLiteral("tipIcon"), 14, this), tip);
}

void ScannerSettingsCard::followSettings()
{
    SettingsStore& s = *settings_;
    SettingBindings::toggle(directScan_, s, K::directScanEnabled,
                            [&s] { return CaptureConfig::read(s).directScanEnabled; });
    s.observe(K::directScanEnabled, this, [this] { showDirectScan(); });
    s.observe(K::scanResolutionDpi, this, [this] { showResolution(); });
    showResolution();
    showDirectScan();
}

ScannerSettingsCard::~ScannerSettingsCard() = default;

void ScannerSettingsCard::showResolution()
{
    const ScanResolution shown = CaptureConfig::read(*settings_).scanResolution();
    speeds_->button(shown.dpi())->setChecked(true);
    speedValue_->setText(shown.displayValue());
    speedDetail_->setText(shown.detail());
    speedDetail_->setAccessibleName(shown.detail());
}

void ScannerSettingsCard::showDirectScan()
{
    const bool on = CaptureConfig::read(*settings_).directScanEnabled;
    intro_->setText(T::intro(on));
    appliedNote_->setText(T::appliedNote(on));
    Theme::setTone(appliedNote_, on ? Tone::green : Tone::secondary);
    appliedIcon_->setPixmap(glyph(on ? Glyph::checkmarkCircle : Glyph::infoCircle,
                                  Theme::color(this, on ? Tone::green : Tone::secondary), 14,
                                  devicePixelRatioF()));
    appliedIcon_->setAccessibleName(on ? QStringLiteral("Applied") : QStringLiteral("Recommendation only"));
    switchNote_->setText(T::switchNote(on));
    switchNote_->setAccessibleName(switchNote_->text());
    intro_->setAccessibleName(intro_->text());
    appliedNote_->setAccessibleName(appliedNote_->text());
}

} // namespace vantry
