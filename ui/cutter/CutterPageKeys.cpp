// The cutter page's keys for working while listening, the undo history of the pieces list, and
// the position finer than the slider's tenths that a nudge by a frame or the playing position
// gives: a boundary set there is kept to the sample (the pieces' start and end samples).
#include "ui/cutter/CutterPage.h"
#include "ui/cutter/LevelStrip.h"
#include "ui/cutter/SelectionSlider.h"
#include "ui/playback/MediaPlayer.h"

#include <QKeyEvent>
#include <QPushButton>
#include <QTreeWidget>
#include <algorithm>
#include <cmath>

void CutterPage::OnPageKey(int key, Qt::KeyboardModifiers modifiers)
{
    switch (key) {
    case Qt::Key_Plus:
    case Qt::Key_Equal:
        strip_->ZoomAroundPosition(2.0);
        break;
    case Qt::Key_Minus:
        strip_->ZoomAroundPosition(0.5);
        break;
    case Qt::Key_0:
        strip_->ShowWholeFile();
        break;
    case Qt::Key_BracketLeft:
    case Qt::Key_BracketRight: {
        QPushButton* button = key == Qt::Key_BracketLeft ? setStartButton_ : setEndButton_;
        if (!button->isEnabled())
            break;
        if (state_ == kPlaying || state_ == kPreviewing)
            TakePlayingPosition();
        key == Qt::Key_BracketLeft ? OnSetStart() : OnSetEnd();
        break;
    }
    case Qt::Key_L:
        OnLoopKey();
        break;
    case Qt::Key_Left:
    case Qt::Key_Right: {
        if (!slider_->isEnabled())
            break;
        const int direction = key == Qt::Key_Left ? -1 : 1;
        if (modifiers & Qt::ShiftModifier)
            MoveSliderByUser(std::clamp(slider_->value() + 10 * direction, 0, duration_));
        else
            NudgePosition(int64_t { direction } * std::max(samplesPerFrame_, 1));
        break;
    }
    default:
        break;
    }
}

void CutterPage::keyPressEvent(QKeyEvent* event)
{
    // Keys the strip, the list, the slider or a button left alone reach the page; an edit with the
    // focus keeps Ctrl+Z for its own text.
    const Qt::KeyboardModifiers modifiers = event->modifiers() & ~Qt::KeypadModifier;
    const int key = event->key();
    if (key == Qt::Key_Z
        && (modifiers == Qt::ControlModifier || modifiers == (Qt::ControlModifier | Qt::ShiftModifier))) {
        modifiers& Qt::ShiftModifier ? OnRedo() : OnUndo();
        event->accept();
        return;
    }
    const bool pageKey = key == Qt::Key_BracketLeft || key == Qt::Key_BracketRight || key == Qt::Key_L
        || key == Qt::Key_Left || key == Qt::Key_Right;
    if (pageKey && (modifiers & ~Qt::ShiftModifier) == Qt::NoModifier) {
        OnPageKey(key, modifiers);
        event->accept();
        return;
    }
    PropertyPage::keyPressEvent(event);
}

int64_t CutterPage::PositionSample() const
{
    if (fineSample_ >= 0 && fineTenths_ == slider_->value())
        return fineSample_;
    return (int64_t { slider_->value() } * sampleRate_ + 5) / 10;
}

void CutterPage::ForgetFinePosition()
{
    fineSample_ = -1;
    fineTenths_ = -1;
}

void CutterPage::NudgePosition(int64_t samples)
{
    if (!HasSource() || sampleRate_ <= 0)
        return;
    MovePositionToSample(PositionSample() + samples);
}

void CutterPage::MovePositionToSample(int64_t sample)
{
    if (sampleRate_ <= 0)
        return;
    const int64_t last = (int64_t { duration_ } * sampleRate_ + 5) / 10;
    sample = std::clamp<int64_t>(sample, 0, last);
    const auto tenths
        = static_cast<int32_t>(std::clamp<int64_t>((sample * 10 + sampleRate_ / 2) / sampleRate_, 0, duration_));
    const double ms = static_cast<double>(sample) * 1000.0 / sampleRate_;
    strip_->SetPositionMs(ms); // first: the strip keeps it when the slider gives its tenth
    MoveSliderByUser(tenths);
    fineSample_ = sample;
    fineTenths_ = tenths;
    strip_->SetPositionMs(ms);
}

void CutterPage::TakePlayingPosition()
{
    if (!device_)
        return;
    const int64_t ms = std::max<int64_t>(device_->PositionMs(), 0);
    const auto tenths = static_cast<int32_t>(std::clamp<int64_t>((ms + 50) / 100, 0, duration_));
    ShowPosition(tenths);
    if (sampleRate_ > 0) {
        fineSample_ = (ms * sampleRate_ + 500) / 1000;
        fineTenths_ = tenths;
    }
}

void CutterPage::MarkFineBoundary(int32_t tenths)
{
    // The first piece's start and the last piece's end are the source's own.
    if (fineSample_ < 0 || fineTenths_ != tenths || tenths <= 0 || tenths >= duration_)
        return;
    for (PieceEntry& entry : pieces_.Entries()) {
        if (entry.start == tenths)
            entry.startSample = fineSample_;
        if (entry.end == tenths)
            entry.endSample = fineSample_;
    }
    ShowBoundariesOnStrip(); // the markers at the new sample
}

void CutterPage::OnLoopKey()
{
    if (!HasSource() || !device_ || !previewButton_->isEnabled())
        return;
    if (looping_) {
        looping_ = false; // the pass under way plays to its end
        return;
    }
    if (state_ != kPreviewing && state_ != kPreviewPaused)
        OnPreview();
    looping_ = state_ == kPreviewing || state_ == kPreviewPaused;
}

void CutterPage::FollowSelectedPieceInPreview()
{
    if (state_ != kPreviewing && state_ != kPreviewPaused)
        return;
    const int row = SelectedRow();
    if (row < 0)
        return;
    const PieceEntry& piece = pieces_.Entries()[static_cast<size_t>(row)];
    if (piece.start == previewStart_ && piece.end == previewEnd_)
        return;
    previewStart_ = piece.start;
    previewEnd_ = piece.end;
    if (state_ != kPreviewing)
        return;
    int32_t from = DevicePosition();
    if (from < previewStart_ || from >= previewEnd_)
        from = previewStart_;
    PlayRange(from, previewEnd_);
}

PieceListSnapshot CutterPage::Snapshot() const { return { pieces_.Entries(), SelectedRow() }; }

void CutterPage::BeginEdit()
{
    if (editDepth_++ == 0)
        editBefore_ = Snapshot();
}

void CutterPage::EndEdit()
{
    if (editDepth_ == 0 || --editDepth_ > 0)
        return;
    // Refused edits and edits that changed nothing are no step; nor is a list the source's
    // closing emptied.
    if (HasSource() && !editBefore_.entries.empty() && !SamePieces(editBefore_.entries, pieces_.Entries()))
        history_.Record(std::move(editBefore_));
    editBefore_ = {};
}

void CutterPage::RestoreSnapshot(const PieceListSnapshot& snapshot)
{
    pieces_.Entries() = snapshot.entries;
    // A row names only a file the last run left.
    for (PieceEntry& entry : pieces_.Entries()) {
        const auto& outputs = source_.outputFiles;
        if (std::find(outputs.begin(), outputs.end(), entry.outputPath) == outputs.end())
            entry.outputPath.clear();
    }
    list_->clearSelection();
    RefreshRows();
    if (snapshot.selectedRow >= 0 && snapshot.selectedRow < static_cast<int>(pieces_.Size()))
        SelectRow(snapshot.selectedRow);
    ShowSelectedPieceOnSlider();
    FollowSelectedPieceInPreview();
}

void CutterPage::OnUndo()
{
    if (!HasSource() || !list_->isEnabled())
        return;
    if (const std::optional<PieceListSnapshot> previous = history_.Undo(Snapshot()))
        RestoreSnapshot(*previous);
}

void CutterPage::OnRedo()
{
    if (!HasSource() || !list_->isEnabled())
        return;
    if (const std::optional<PieceListSnapshot> next = history_.Redo(Snapshot()))
        RestoreSnapshot(*next);
}
