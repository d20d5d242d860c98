#pragma once
// A cutter page shown offscreen with options of its own (no file manager after a cut), sound on the
// silent clock, and MP3 files made in the test.
#include "tests/gui_support/GuiTestEnvironment.h"
#include "tests/support/EncodedAudio.h"
#include "tests/support/FrameBuilder.h"
#include "ui/playback/AudioOutput.h"
#include "ui/cutter/CutterPage.h"
#include "ui/OptionValues.h"

#include <QTreeWidget>
#include <memory>

class CutterPageFixture : public GuiTest {
protected:
    explicit CutterPageFixture(double clockSpeed = 1.0)
    {
        SetAudioOutputChoice(AudioOutputChoice::SilentClock, clockSpeed);
        options.CutterBrowseFolder = false;
        page = std::make_unique<CutterPage>();
        page->SetLiveOptions(&options);
        page->show();
    }
    ~CutterPageFixture() override
    {
        page.reset();
        SetAudioOutputChoice(AudioOutputChoice::SilentClock);
    }

    // A real tone, with an ID3v1 tag when a title is given.
    std::string Tone(const std::string& name, double seconds, const std::string& title = {}, int track = 0,
        int genre = 255, bool vbr = false)
    {
        ToneSpec shape;
        shape.seconds = seconds;
        shape.vbr = vbr;
        shape.sampleRate = 22050;
        shape.bitrate = 64;
        Bytes bytes = EncodeTone(shape);
        if (!title.empty())
            Append(bytes, ID3v1(title, "Singer", track, genre));
        WriteFile(folder.File(name), bytes);
        return folder.File(name);
    }

    QString Cell(int row, int column) const { return page->PiecesList()->topLevelItem(row)->text(column); }
    int Rows() const { return page->PiecesList()->topLevelItemCount(); }
    // "start-end" of every piece in tenths, for compact comparisons.
    std::string Layout() const
    {
        std::string text;
        for (const PieceEntry& piece : page->Pieces().Entries())
            text += (text.empty() ? "" : " ") + std::to_string(piece.start) + "-" + std::to_string(piece.end);
        return text;
    }
    void MoveSlider(int32_t tenths) { page->MoveSliderByUser(tenths); }

    TempDir folder;
    OptionValues options;
    std::unique_ptr<CutterPage> page;
};
