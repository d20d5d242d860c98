#include "ui/CPageJoiner.h"

#include "ui/WindowHelpers.h"

#include <QLabel>

CPageJoiner::CPageJoiner(QWidget* parent)
    : CPropertyPage("MP3 Joiner", parent)
{
    LoadJoinerSettings(settings_);
    auto* summary = new QLabel("Join a list of MP3 files, in the order shown, into one MP3 file.", this);
    summary->setObjectName("PageSummary");
    summary->setWordWrap(true);
    summary->setGeometry(DialogRect(7, 7, 427, 20));
}

CPageJoiner::~CPageJoiner()
{
    if (IsInitialised())
        SaveJoinerSettings(settings_, kGroupTag);
}

void CPageJoiner::FolderChosen(const std::string& folder)
{
    settings_.Folder = folder;
    SaveJoinerSettings(settings_, kGroupFolder);
}
