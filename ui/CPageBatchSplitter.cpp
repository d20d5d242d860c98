#include "ui/CPageBatchSplitter.h"

#include "ui/WindowHelpers.h"

#include <QLabel>

CPageBatchSplitter::CPageBatchSplitter(QWidget* parent)
    : CPropertyPage("MP3 Batch Cutter", parent)
{
    LoadBatchSplitterSettings(settings_);
    auto* summary = new QLabel("Cut a list of MP3 files, each the same way: by size, by count or by time.", this);
    summary->setObjectName("PageSummary");
    summary->setWordWrap(true);
    summary->setGeometry(DialogRect(7, 7, 427, 20));
}

CPageBatchSplitter::~CPageBatchSplitter()
{
    if (IsInitialised())
        SaveBatchSplitterSettings(settings_, kGroupSplitMode);
}

void CPageBatchSplitter::FolderChosen(const std::string& folder)
{
    settings_.Folder = folder;
    SaveBatchSplitterSettings(settings_, kGroupFolder);
}
