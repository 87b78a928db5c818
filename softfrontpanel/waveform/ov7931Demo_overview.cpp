// The recording overview widget (see ov7931Demo_overview.h). The strokes
// are written straight into an image whenever new groups come in or the
// width changes; a paint only copies the image and draws the marker and the
// progress text, so neither the timer's tick nor a repaint takes long.
#include "ov7931Demo_overview.h"

#include "ov7931Demo_AppInterface.h"
#include "ov7931Demo_ChCfg.h"
#include "ov7931Demo_Waveform.h"
#include "ov7931Demo_channelModel.h"
#include "ov9174fp_windowPlacement.h"

#include <QMouseEvent>
#include <QPainter>
#include <QSlider>
#include <QTimer>

#include <algorithm>
#include <climits>
#include <cmath>

namespace {

constexpr int kLabelWidth = 26; // the bands' unit texts at the left
constexpr int kBandHeight = 14;    // with room to spare
constexpr int kMinBandHeight = 8;  // in a window at its smallest
constexpr int kBandGap = 1;
constexpr int kPollMs = 50;

const QColor kCanvas(0, 0, 128); // as the plots' canvases
const QColor kUnread(72, 72, 72);

QString unitOfPlot(int plot)
{
    switch (plot) {
    case 0: return QStringLiteral("V");
    case 1: return QString(QChar(0x03A9));
    default: return temperatureUnitText();
    }
}

} // namespace

ov7931Demo_overview::ov7931Demo_overview(const recordingInfo &info, const std::vector<Segment> &segments,
                                         QSlider *slider, QWidget *parent)
    : QWidget(parent), slider_(slider), segments_(segments)
{
    segments_.resize(size_t(std::max(info.numberOfChannels, 0)));
    for (int p = 0; p < 3; ++p)
        if (std::any_of(segments_.begin(), segments_.end(), [p](const Segment &s) { return s.plotKind == p; }))
            bands_.push_back(p);

    const QString help = QStringLiteral("The minimum and maximum of every channel over the whole recording. "
                                        "Click or drag to show the block at that place.");
    setToolTip(help);
    setWhatsThis(help);
    setCursor(Qt::PointingHandCursor);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    setMaximumHeight(sizeHint().height());
    connect(slider_, &QSlider::valueChanged, this, qOverload<>(&QWidget::update));

    progress_.blocks = info.blockCount;
    groups_.reset(info.blockCount, info.numberOfChannels);
    task_ = std::make_unique<RecordingOverviewTask>(info);
    timer_ = new QTimer(this);
    connect(timer_, &QTimer::timeout, this, &ov7931Demo_overview::poll);
    timer_->start(kPollMs);
}

ov7931Demo_overview::~ov7931Demo_overview()
{
    timer_->stop();
    task_.reset(); // stops the reading and joins its thread
}

QSize ov7931Demo_overview::sizeHint() const
{
    const int n = std::max<int>(int(bands_.size()), 1);
    return QSize(640, n * kBandHeight + (n - 1) * kBandGap);
}

QSize ov7931Demo_overview::minimumSizeHint() const
{
    const int n = std::max<int>(int(bands_.size()), 1);
    return QSize(kLabelWidth + 100, n * kMinBandHeight + (n - 1) * kBandGap);
}

int ov7931Demo_overview::columns() const { return std::max(0, width() - kLabelWidth); }

QRect ov7931Demo_overview::bandRect(int band) const
{
    const int n = std::max<int>(int(bands_.size()), 1);
    const int h = std::max(1, (height() - (n - 1) * kBandGap) / n);
    return QRect(kLabelWidth, band * (h + kBandGap), columns(), h);
}

void ov7931Demo_overview::poll()
{
    const uint32_t had = groupsHave_;
    const RecordingOverviewTask::State was = progress_.state;
    progress_ = task_->takeNew(groups_, groupsHave_);
    if (progress_.state != RecordingOverviewTask::State::Reading)
        timer_->stop();
    if (groupsHave_ != had || progress_.state != was) {
        layOut();
        update();
    }
}

void ov7931Demo_overview::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    layOut();
}

// The columns for the present width, each band's value span over what has
// been read, and the picture.
void ov7931Demo_overview::layOut()
{
    layout_ = layOutColumns(groups_, groupsHave_, columns());
    weight_.assign(segments_.size(), 0.0);
    for (int p : bands_) {
        double lo = INFINITY, hi = -INFINITY;
        for (int c = 0; c < layout_.columns; ++c)
            for (size_t s = 0; s < segments_.size(); ++s) {
                const Extent &e = layout_.at(c, int(s));
                if (segments_[s].plotKind != p || e.empty())
                    continue;
                if (std::isfinite(e.min))
                    lo = std::min(lo, e.min);
                if (std::isfinite(e.max))
                    hi = std::max(hi, e.max);
            }
        bandLow_[p] = lo;
        bandHigh_[p] = hi;
        const double span = hi > lo ? hi - lo : 1.0;
        for (size_t s = 0; s < segments_.size(); ++s)
            if (segments_[s].plotKind == p)
                weight_[s] = 1.0 / span;
    }
    render();
}

void ov7931Demo_overview::render()
{
    const int w = columns();
    if (w <= 0 || height() <= 0) {
        picture_ = QImage();
        return;
    }
    picture_ = QImage(w, height(), QImage::Format_RGB32);
    picture_.fill(palette().color(QPalette::Window));

    // Columns read in full form a prefix.
    int readColumns = 0;
    for (; readColumns < w; ++readColumns) {
        uint32_t first = 0, end = 0;
        groupsOfColumn(readColumns, w, groups_.groups, first, end);
        if (end > groupsHave_)
            break;
    }

    QPainter painter(&picture_);
    for (size_t b = 0; b < bands_.size(); ++b) {
        const QRect r = bandRect(int(b)).translated(-kLabelWidth, 0);
        painter.fillRect(QRect(r.left(), r.top(), readColumns, r.height()), kCanvas);
        painter.fillRect(QRect(r.left() + readColumns, r.top(), w - readColumns, r.height()), kUnread);
    }
    painter.end();

    for (size_t b = 0; b < bands_.size(); ++b) {
        const int p = bands_[b];
        const QRect r = bandRect(int(b));
        // Top of the band: the band's maximum; bottom: its minimum. A band
        // of one value draws it in the middle.
        const double lo = bandLow_[p], hi = bandHigh_[p];
        if (!(lo <= hi))
            continue;
        const double span = hi > lo ? hi - lo : 1.0;
        const double mid = hi > lo ? 0.0 : 0.5;
        const int last = r.height() - 1;
        auto rowOf = [&](double v) {
            // Infinite samples are drawn at the band's edge.
            const double f = std::clamp((hi - v) / span + mid, 0.0, 1.0);
            return r.top() + int(std::lround(f * last));
        };
        QRgb *bits = reinterpret_cast<QRgb *>(picture_.bits());
        const int stride = picture_.bytesPerLine() / int(sizeof(QRgb));
        for (size_t s = 0; s < segments_.size(); ++s) {
            if (segments_[s].plotKind != p)
                continue;
            const QRgb colour = ov7931Demo_Waveform::channelColour(segments_[s].channel).rgb();
            for (int c = 0; c < w; ++c) {
                const Extent &e = layout_.at(c, int(s));
                if (e.empty())
                    continue; // NaN only: a gap
                for (int y = rowOf(e.max), y1 = rowOf(e.min); y <= y1; ++y)
                    bits[y * stride + c] = colour;
            }
        }
    }
}

int ov7931Demo_overview::xOfBlock(uint64_t block) const
{
    const int w = columns();
    if (w <= 0 || groups_.groups == 0)
        return kLabelWidth;
    int first = 0, end = 0;
    columnsOfGroup(groupOfBlock(std::min(block, groups_.blocks - 1), groups_.blocks, groups_.groups), groups_.groups,
                   w, first, end);
    return kLabelWidth + (first + std::max(first, end - 1)) / 2;
}

void ov7931Demo_overview::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    QFont small = font();
    small.setPixelSize(std::clamp(bandRect(0).height(), 8, 11)); // as tall as a band
    painter.setFont(small);
    painter.setPen(palette().color(QPalette::WindowText));
    for (size_t b = 0; b < bands_.size(); ++b) {
        const QRect r = bandRect(int(b));
        painter.drawText(QRect(0, r.top(), kLabelWidth - 3, r.height()), Qt::AlignRight | Qt::AlignVCenter,
                         unitOfPlot(bands_[b]));
    }
    if (!picture_.isNull())
        painter.drawImage(kLabelWidth, 0, picture_);

    // The marker: the slider's block, white edged in black.
    if (slider_->value() >= 1 && progress_.blocks > 0) {
        const int x = xOfBlock(uint64_t(slider_->value()) - 1);
        painter.fillRect(QRect(x - 1, 0, 3, height()), Qt::black);
        painter.fillRect(QRect(x, 0, 1, height()), Qt::white);
    }

    QString text;
    if (progress_.state == RecordingOverviewTask::State::Reading && progress_.blocks > 0)
        text = QStringLiteral("Reading the recording: %1 %")
                   .arg(int(progress_.blocksRead * 100 / progress_.blocks));
    else if (progress_.state == RecordingOverviewTask::State::Failed)
        text = QStringLiteral("The recording could not be read to its end.");
    if (!text.isEmpty()) {
        painter.setPen(Qt::white);
        painter.drawText(rect().adjusted(kLabelWidth, 0, -6, 0), Qt::AlignRight | Qt::AlignVCenter, text);
    }
}

void ov7931Demo_overview::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return QWidget::mousePressEvent(event);
    lastColumn_ = -1;
    goTo(event->pos().x());
}

void ov7931Demo_overview::mouseMoveEvent(QMouseEvent *event)
{
    if (event->buttons() & Qt::LeftButton)
        goTo(event->pos().x());
}

void ov7931Demo_overview::goTo(int x)
{
    const int w = columns();
    if (w <= 0 || progress_.blocks == 0)
        return;
    const int column = std::clamp(x - kLabelWidth, 0, w - 1);
    if (column == lastColumn_)
        return;
    lastColumn_ = column;
    const uint64_t block = blockForColumn(layout_, column, weight_, w > 1 ? double(column) / double(w - 1) : 0.0);
    slider_->setValue(int(std::min<uint64_t>(block + 1, INT_MAX)));
}

void showRecordingOverview(ov7931Demo_AppInterface *app, const recordingInfo &info)
{
    // Segment k of a block is the k-th channel of the mask.
    std::vector<ov7931Demo_overview::Segment> segments;
    for (int c = 0; c < 16 && int(segments.size()) < info.numberOfChannels; ++c)
        if (info.channelMasks[0] & (1u << c))
            segments.push_back({c, app->chCfg[c] ? app->chCfg[c]->plotKind : -1});
    ov7931Demo_Waveform *w = app->waveform;
    auto *overview = new ov7931Demo_overview(info, segments, w->blockSlider, w);
    w->addBelowSlider(overview);
    // The plots give way to the overview's full height where the screen has
    // room for the window at its smallest with it; on a smaller screen its
    // bands are narrower. The window grows by it where it can.
    const QRect available = availableArea(app);
    const int frame = app->frameGeometry().height() - app->height();
    const int fullHeight = overview->sizeHint().height();
    if (available.isValid() &&
        app->minimumSizeHint().height() + frame + fullHeight - overview->minimumSizeHint().height() <= available.height())
        overview->setMinimumHeight(fullHeight);
    fitToScreen(app);
}
