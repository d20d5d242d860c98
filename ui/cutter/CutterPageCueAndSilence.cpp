// The cutter page's pieces from a CUE sheet and at the silences of the source.
#include "engine/cue/CuePieceEntries.h"
#include "engine/cue/LoadCueSheet.h"
#include "engine/cut/CutBySilence.h"
#include "engine/stream/CountStreamSamples.h"
#include "platform/PathHelpers.h"
#include "ui/cutter/CutterPage.h"
#include "ui/widgets/FileDialogs.h"
#include "ui/widgets/MessageBox.h"
#include "ui/widgets/PumpMessages.h"

#include <QGuiApplication>
#include <QRadioButton>
#include <QTreeWidget>

namespace {

constexpr int kModeBySelection = 3;

SilenceSettings EngineSilenceSettings(const SilenceSplitSettings& values)
{
    SilenceSettings settings;
    settings.thresholdDb = values.SilenceThreshold / 10.0;
    settings.minSeconds = values.SilenceMinLength / 10.0;
    return settings;
}

} // namespace

void CutterPage::OnLoadCue()
{
    std::vector<std::string> files;
    if (!ShowFileDialog(this, "CUE Sheets (*.cue);;All Files (*)", kFileMustExist, files, QString(), true)
        || files.empty())
        return;
    PumpMessages();
    LoadCueSheetFile(files.front());
}

bool CutterPage::LoadCueSheetFile(const std::string& sheetPath)
{
    const auto refuse = [&](const std::string& text) {
        ShowMessageBox(this,
            QString("The CUE sheet \"%1\" cannot be used.\n\n%2")
                .arg(QString::fromStdString(GetFileNamePart(sheetPath)), QString::fromStdString(text)));
        return false;
    };
    LoadedCueSheet loaded;
    std::string errorText;
    if (!LoadCueSheet(sheetPath, loaded, errorText))
        return refuse(errorText);
    // The length the sheet's times are checked against, counted in samples as the cut counts them.
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    StreamSampleCount count;
    const bool counted = CountStreamSamples(loaded.audioPath, count);
    QGuiApplication::restoreOverrideCursor();
    std::vector<CuePiece> pieces;
    if (!counted)
        return refuse("Failed to load file \"" + loaded.audioPath + "\".");
    if (!PlanCuePieces(loaded.sheet, count.totalSamples, count.sampleRate, pieces, errorText))
        return refuse(errorText);
    if (source_.path != loaded.audioPath && !OpenSourceAndReport(loaded.audioPath))
        return false;

    // The list's last row ends at the page's length, and no row may be empty in tenths.
    std::vector<PieceEntry> entries = CuePieceEntries(pieces, count.sampleRate);
    for (size_t i = 0; i < entries.size(); ++i) {
        const int32_t end = i + 1 < entries.size() ? entries[i].end : duration_;
        if (entries[i].start >= end)
            return refuse("Track " + std::to_string(pieces[i].trackNumber)
                + " is shorter than a tenth of a second or starts past the end of the audio.");
    }
    entries.back().end = duration_;
    pieces_.Reset(duration_);
    pieces_.Entries() = std::move(entries);
    modeButtons_[kModeBySelection]->setChecked(true);
    ApplySplitMode();
    RefreshRows();
    SelectRow(0);
    return true;
}

void CutterPage::OnAddPiecesAtSilences()
{
    if (!HasSource())
        return;
    SilenceSplitSettings values;
    LoadSilenceSplitSettings(values);
    const bool confirmed = runSilenceDialog ? runSilenceDialog(values) : [&] {
        SilenceDialog dialog(values, this);
        if (dialog.exec() != QDialog::Accepted)
            return false;
        values = dialog.Values();
        return true;
    }();
    if (!confirmed)
        return;
    SaveSilenceSplitSettings(values);
    AddPiecesAtSilences(values);
}

bool CutterPage::AddPiecesAtSilences(const SilenceSplitSettings& values)
{
    if (!HasSource())
        return false;
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    std::vector<PieceEntry> found;
    std::string errorText;
    const bool ok
        = PlanSilencePieces(source_.path, source_.tag, TrackNoSequence, EngineSilenceSettings(values), found, errorText);
    QGuiApplication::restoreOverrideCursor();
    if (!ok) {
        ShowMessageBox(this, QString::fromStdString(errorText), MessageIcon::Information);
        return false;
    }
    modeButtons_[kModeBySelection]->setChecked(true);
    ApplySplitMode();
    // Each cut becomes a boundary of the list as "Add Piece" makes one; the rows on both sides keep
    // the cut's sample, so the cut falls exactly where the silence's middle is.
    std::optional<size_t> firstAdded;
    BeginEdit();
    for (size_t i = 1; i < found.size(); ++i) {
        const int32_t at = found[i].start;
        if (at <= 0 || at >= duration_)
            continue;
        const std::optional<size_t> row = pieces_.AddAt(at, NewPieceEntry());
        if (!row)
            continue;
        auto& entries = pieces_.Entries();
        entries[*row].startSample = found[i].startSample;
        entries[*row].endSample = entries[*row - 1].endSample; // the split row's exact end, if it had one
        entries[*row - 1].endSample = found[i].startSample;
        if (!firstAdded)
            firstAdded = row;
    }
    RefreshRows();
    SelectRow(static_cast<int>(firstAdded.value_or(0)));
    EndEdit();
    return true;
}
