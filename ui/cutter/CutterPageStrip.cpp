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
    connect(strip_, &LevelStrip::PositionClicked, this, [this](int32_t tenths) {
        if (slider_->isEnabled())
            MoveSliderByUser(tenths);
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

void CutterPage::ShowBoundariesOnStrip()
{
    if (!strip_)
        return;
    std::vector<int32_t> boundaries;
    const auto& entries = pieces_.Entries();
    for (size_t i = 1; i < entries.size(); ++i)
        boundaries.push_back(entries[i].start);
    strip_->SetBoundaries(std::move(boundaries));
}

void CutterPage::OnBoundaryDragged(int index, int32_t tenths)
{
    // Boundaries move only where the pieces list can be edited, by the list's own rules.
    if (!list_->isEnabled() || index < 0 || static_cast<size_t>(index) + 1 >= pieces_.Size())
        return;
    const int32_t from = pieces_.Entries()[static_cast<size_t>(index) + 1].start;
    if (tenths == from)
        return;
    ShowPosition(tenths);
    if (tenths < from) {
        SelectRow(index + 1);
        OnSetStart();
    } else {
        SelectRow(index);
        OnSetEnd();
    }
}
