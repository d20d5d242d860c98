#pragma once
// The "MP3 Joiner" page. It loads its settings share when constructed and, when its window was ever
// shown, saves it when destroyed.
#include "ui/CPropertyPage.h"
#include "ui/PageSettings.h"

class CPageJoiner : public CPropertyPage {
    Q_OBJECT
public:
    explicit CPageJoiner(QWidget* parent = nullptr);
    ~CPageJoiner() override;

    const JoinerSettings& Settings() const { return settings_; }
    // A folder picked with "Add Folder" is stored at once.
    void FolderChosen(const std::string& folder);

private:
    JoinerSettings settings_;
};
