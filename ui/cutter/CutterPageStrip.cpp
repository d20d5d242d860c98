// The cutter page's level strip: built above the slider, filled from a worker thread when a source
// opens, kept in step with the position, the selected piece and the pieces' boundaries.
#include "engine/stream/Mp3SourceFile.h"
#include "ui/cutter/CutterPage.h"
#include "ui/cutter/LevelLoader.h"
#include "ui/cutter/LevelStrip.h"
#include "ui/cutter/SelectionSlider.h"
#include "ui/widgets/WindowHelpers.h"

#include <QPushButton>
#include <QTreeWidget>
#include <algorithm>
#include <cmath>

void CutterPage::BuildLevelStrip()
{
    strip_ = new LevelStrip(this);
    strip_->setGeometry(DialogRect(7, 135, 427, 40));
    strip_->setEnabled(false);
    levelLoader_ = new LevelLoader(this);
    connect(levelLoader_, &LevelLoader::Loaded, strip_, &LevelStrip::SetLevels);
    connect(slider_, &QSlider::valueChanged, strip_, &LevelStrip::SetPosition);
    connect(slider_, &QSlider::sliderMoved, strip_, &LevelStrip::SetPosition);
    connect(slider_, &SelectionSlider::SelectionChanged, strip_, &LevelStrip::SetSelection);
    connect(slider_, &SelectionSlider::PageKey, this, &CutterPage::OnPageKey);
    connect(strip_, &LevelStrip::PositionClicked, this, [this](double ms) {
        if (!slider_->isEnabled())
            return;
        // Zoomed in, a pixel is finer than the slider's tenth: the position takes the sample.
        if (sampleRate_ > 0)
            MovePositionToSample(std::llround(ms * sampleRate_ / 1000.0));
        else
            MoveSliderByUser(static_cast<int32_t>(std::clamp<double>(std::round(ms / 100.0), 0, duration_)));
    });
    connect(strip_, &LevelStrip::BoundaryDragged, this, &CutterPage::OnBoundaryDragged);
}

void CutterPage::OpenLevelStrip(const std::string& path)
{
    // The strip needs the frame length for its deepest zoom; the levels come later.
    Mp3SourceFile stream;
    const bool opened = stream.Open(path);
    sampleRate_ = opened ? stream.SampleRate() : 0;
    samplesPerFrame_ = opened ? stream.SamplesPerFrame() : 0;
    strip_->SetSource(duration_, sampleRate_, samplesPerFrame_);
    stream.Close();
    strip_->SetPosition(slider_->value());
    strip_->SetSelection(slider_->SelectionStart(), slider_->SelectionEnd());
    ShowBoundariesOnStrip();
    strip_->setEnabled(true);
    levelLoader_->Start(path, LevelStrip::kLevelWindowMs);
}

double CutterPage::BoundMs(int64_t sample, int32_t tenths, int64_t ms) const
{
    // The rule a cut reads a row's bounds by: a sample counts while it lies within half a tenth of
    // the row's time.
    if (sampleRate_ > 0 && sample >= 0) {
        const int64_t fromTenths = (int64_t { tenths } * sampleRate_ + 5) / 10;
        const int64_t halfTenth = (int64_t { sampleRate_ } + 10) / 20;
        if (sample >= fromTenths - halfTenth && sample <= fromTenths + halfTenth)
            return static_cast<double>(sample) * 1000.0 / sampleRate_;
    }
    return ms >= 0 ? static_cast<double>(ms) : tenths * 100.0;
}

void CutterPage::ShowBoundariesOnStrip()
{
    if (!strip_)
        return;
    std::vector<double> boundaries;
    const auto& entries = pieces_.Entries();
    for (size_t i = 1; i < entries.size(); ++i)
        boundaries.push_back(BoundMs(entries[i].startSample, entries[i].start, entries[i].startMs));
    strip_->SetBoundaries(std::move(boundaries));
    // The shaded piece at its exact bounds while the slider shows the selected row.
    const int row = SelectedRow();
    if (row >= 0 && static_cast<size_t>(row) < entries.size()) {
        const PieceEntry& piece = entries[static_cast<size_t>(row)];
        if (piece.start == slider_->SelectionStart() && piece.end == slider_->SelectionEnd())
            strip_->SetSelectionMs(BoundMs(piece.startSample, piece.start, piece.startMs),
                BoundMs(piece.endSample, piece.end, piece.endMs));
    }
}

void CutterPage::OnBoundaryDragged(int index, double ms)
{
    // Boundaries move only where the pieces list can be edited, by the list's own rules.
    if (!list_->isEnabled() || index < 0 || static_cast<size_t>(index) + 1 >= pieces_.Size())
        return;
    const auto later = static_cast<size_t>(index) + 1;
    const PieceEntry& next = pieces_.Entries()[later];
    const int32_t from = next.start;
    const double fromMs = BoundMs(next.startSample, next.start, next.startMs);
    if (sampleRate_ <= 0) {
        // No stream details: the boundary goes to the nearest tenth.
        const auto tenths = static_cast<int32_t>(std::clamp<double>(std::round(ms / 100.0), 0, duration_));
        if (tenths == from)
            return;
        ShowPosition(tenths);
        SelectRow(tenths < from ? index + 1 : index);
        tenths < from ? OnSetStart() : OnSetEnd();
        return;
    }
    const int64_t last = (int64_t { duration_ } * sampleRate_ + 5) / 10;
    const int64_t sample = std::clamp<int64_t>(std::llround(ms * sampleRate_ / 1000.0), 0, last);
    const auto tenths
        = static_cast<int32_t>(std::clamp<int64_t>((sample * 10 + sampleRate_ / 2) / sampleRate_, 0, duration_));
    const double toMs = static_cast<double>(sample) * 1000.0 / sampleRate_;
    if (toMs == fromMs)
        return;
    const bool left = toMs < fromMs;
    strip_->SetPositionMs(toMs); // first: the slider's tenth then leaves it alone
    ShowPosition(tenths);
    fineSample_ = sample;
    fineTenths_ = tenths;
    SelectRow(left ? index + 1 : index);
    if (tenths != from) {
        left ? OnSetStart() : OnSetEnd();
    } else if (tenths > 0 && tenths < duration_) {
        // A move within the boundary's tenth: the rows keep their times, the boundary its new sample.
        BeginEdit();
        MarkFineBoundary(tenths);
        EndEdit();
        RefreshRows();
        ShowSelectedPieceOnSlider();
        FollowSelectedPieceInPreview();
    }
}
