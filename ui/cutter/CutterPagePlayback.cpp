// Listening on the cutter page: "&Play" from the slider to the end of the file (toggling with
// pause), "Previe&w" of the selected piece, "S&top", the slider and the position box following the
// sound every 100 ms, and the slider moved by the user during playback.
//
// States: idle, playing, paused, previewing, preview paused. Every stop is a pause of the device;
// the device is closed only with the source. Positions are tenths of a second; the device counts
// milliseconds.
#include "ui/playback/MediaPlayer.h"
#include "ui/cutter/CutterPage.h"
#include "ui/cutter/SelectionSlider.h"
#include "ui/cutter/PositionText.h"
#include "ui/widgets/SpinEdit.h"

#include <QKeyEvent>
#include <QPushButton>
#include <algorithm>

void CutterPage::ResetPlayback()
{
    StopPlaybackTimer();
    state_ = kIdle;
    pausedPosition_ = 0;
    playStart_ = 0;
    previewStart_ = 0;
    previewEnd_ = 0;
    dragging_ = false;
    looping_ = false;
    SetPlayText(false);
    previewButton_->setText("Previe&w");
}

void CutterPage::StopPlaybackTimer() { playbackTimer_.stop(); }

void CutterPage::StartPlaybackTimer() { playbackTimer_.start(); }

void CutterPage::SetPlayText(bool playing) { playButton_->setText(playing ? "&Pause" : "&Play"); }

void CutterPage::ShowPosition(int32_t tenths)
{
    ForgetFinePosition();
    positionEdit_->SetText(TimeText(tenths));
    slider_->setValue(tenths);
}

void CutterPage::MoveSliderByUser(int32_t tenths)
{
    slider_->setValue(tenths);
    OnSliderScrolled(true);
}

bool CutterPage::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == positionEdit_ && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            OnPositionEntered();
            return true;
        }
    }
    return PropertyPage::eventFilter(watched, event);
}

void CutterPage::OnPositionEntered()
{
    if (!HasSource() || !positionEdit_->isEnabled())
        return;
    // A time past the end is the end; text that is no time gives the position back.
    const std::optional<int32_t> typed = ParsePositionText(positionEdit_->Text());
    if (!typed) {
        positionEdit_->SetText(TimeText(slider_->value()));
        return;
    }
    MoveSliderByUser(std::min(*typed, duration_));
}

int32_t CutterPage::DevicePosition() const
{
    // A closed device reads as the start; the page never asks one, but a stray tick may.
    return device_ ? static_cast<int32_t>(device_->PositionMs() / 100) : 0;
}

void CutterPage::PlayRest(int32_t from)
{
    device_->Seek(int64_t { from } * 100);
    device_->PlayToEnd();
}

void CutterPage::PlayRange(int32_t from, int32_t to)
{
    device_->PlayRange(int64_t { from } * 100, int64_t { to } * 100);
}

void CutterPage::PauseAndShowPosition()
{
    StopPlaybackTimer();
    device_->Pause();
    pausedPosition_ = DevicePosition();
    ShowPosition(pausedPosition_);
    SetPlayText(false);
}

void CutterPage::OnPlay()
{
    if (!HasSource() || !device_)
        return;
    switch (state_) {
    case kIdle: {
        const int32_t position = slider_->value();
        playStart_ = position;
        PlayRest(position);
        SetPlayText(true);
        StartPlaybackTimer();
        state_ = kPlaying;
        break;
    }
    case kPlaying:
        PauseAndShowPosition();
        state_ = kPaused;
        break;
    case kPaused: {
        const int32_t position = slider_->value();
        playStart_ = position;
        if (position == pausedPosition_)
            device_->Resume();
        else
            PlayRest(position);
        SetPlayText(true);
        StartPlaybackTimer();
        state_ = kPlaying;
        break;
    }
    case kPreviewing:
        PauseAndShowPosition();
        state_ = kPreviewPaused;
        break;
    case kPreviewPaused: {
        const int32_t position = slider_->value();
        if (position == pausedPosition_) {
            device_->Resume();
            state_ = kPreviewing;
        } else if (position < previewStart_ || position > previewEnd_) {
            previewButton_->setText("Previe&w");
            state_ = kPlaying;
            PlayRest(position);
        } else {
            PlayRange(position, previewEnd_);
            state_ = kPreviewing;
        }
        SetPlayText(true);
        StartPlaybackTimer();
        break;
    }
    }
}

void CutterPage::OnPreview()
{
    if (!HasSource() || !device_)
        return;
    if (state_ == kPreviewing || state_ == kPreviewPaused) {
        OnStop();
        return;
    }
    const int row = SelectedRow();
    if (row < 0)
        return;
    if (state_ == kPlaying) {
        StopPlaybackTimer();
        device_->Pause();
    }
    const PieceEntry& piece = Pieces().Entries()[static_cast<size_t>(row)];
    previewStart_ = piece.start;
    previewEnd_ = piece.end;
    ShowPosition(previewStart_);
    playStart_ = previewStart_;
    PlayRange(previewStart_, previewEnd_);
    SetPlayText(true);
    previewButton_->setText("Stop");
    StartPlaybackTimer();
    state_ = kPreviewing;
}

void CutterPage::OnStop()
{
    looping_ = false;
    if (!device_)
        return;
    switch (state_) {
    case kPlaying:
        StopPlaybackTimer();
        device_->Pause();
        [[fallthrough]];
    case kPaused:
        ShowPosition(playStart_);
        SetPlayText(false);
        state_ = kIdle;
        break;
    case kPreviewing:
        StopPlaybackTimer();
        device_->Pause();
        [[fallthrough]];
    case kPreviewPaused:
        ShowPosition(previewStart_);
        SetPlayText(false);
        previewButton_->setText("Previe&w");
        state_ = kIdle;
        break;
    case kIdle:
        break;
    }
}

void CutterPage::OnPlayedToEnd()
{
    // Only the device of the loaded source reports here; a closed one is gone with its source.
    if (sender() != device_.get())
        return;
    if (looping_ && state_ == kPreviewing) {
        ShowPosition(previewStart_);
        PlayRange(previewStart_, previewEnd_);
        return;
    }
    OnStop();
}

void CutterPage::OnPlaybackTimer()
{
    if (dragging_ || !device_)
        return;
    // A time being typed into the position box stays there until Enter or the focus leaves.
    if (positionEdit_->hasFocus()) {
        ForgetFinePosition();
        slider_->setValue(DevicePosition());
        return;
    }
    ShowPosition(DevicePosition());
}

void CutterPage::OnSliderScrolled(bool complete)
{
    // While the thumb is dragged the slider's value still holds the last move's: the position is
    // the thumb's.
    const int32_t position = slider_->sliderPosition();
    ForgetFinePosition();
    positionEdit_->SetText(TimeText(position));
    if (!complete) {
        dragging_ = true;
        return;
    }
    if (device_ && state_ == kPlaying) {
        PlayRest(position);
    } else if (device_ && state_ == kPreviewing) {
        if (position < previewStart_ || position > previewEnd_) {
            previewButton_->setText("Previe&w");
            state_ = kPlaying;
            PlayRest(position);
        } else {
            PlayRange(position, previewEnd_);
        }
    }
    dragging_ = false;
}
