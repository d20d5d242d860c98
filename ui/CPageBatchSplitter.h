#pragma once
// The "MP3 Batch Cutter" page. It loads its settings share when constructed and, when its window was ever
// shown, saves it when destroyed.
#include "ui/CPropertyPage.h"
#include "ui/PageSettings.h"

class CPageBatchSplitter : public CPropertyPage {
    Q_OBJECT
public:
    explicit CPageBatchSplitter(QWidget* parent = nullptr);
    ~CPageBatchSplitter() override;

    const BatchSplitterSettings& Settings() const { return settings_; }
    // A folder picked with "Add Folder" is stored at once.
    void FolderChosen(const std::string& folder);

private:
    BatchSplitterSettings settings_;
};
