#pragma once
// The "MP3 Cutter" page. It loads its settings share when constructed and, when its window was ever
// shown, saves it when destroyed.
#include "ui/CPropertyPage.h"
#include "ui/PageSettings.h"

class CPageSplitter : public CPropertyPage {
    Q_OBJECT
public:
    explicit CPageSplitter(QWidget* parent = nullptr);
    ~CPageSplitter() override;

    const SplitterSettings& Settings() const { return settings_; }

private:
    SplitterSettings settings_;
};
