#include "ui/CPageSplitter.h"

#include "ui/WindowHelpers.h"

#include <QLabel>

CPageSplitter::CPageSplitter(QWidget* parent)
    : CPropertyPage("MP3 Cutter", parent)
{
    LoadSplitterSettings(settings_);
    auto* summary = new QLabel(
        "Cut one MP3 file into pieces: by size, by count, by time, or at points chosen while listening.", this);
    summary->setObjectName("PageSummary");
    summary->setWordWrap(true);
    summary->setGeometry(DialogRect(7, 7, 427, 20));
}

CPageSplitter::~CPageSplitter()
{
    if (IsInitialised())
        SaveSplitterSettings(settings_, kGroupSplitMode);
}
