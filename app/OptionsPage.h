#pragma once
// The "Options" page: the single live copy of the cutting and joining options. It takes the values
// from its controls and checks them whenever the user leaves the page or closes the program.
#include "app/OptionsSettings.h"
#include "ui/widgets/PropertyPage.h"

class SpinEdit;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

class OptionsPage : public PropertyPage {
    Q_OBJECT
public:
    explicit OptionsPage(QWidget* parent = nullptr);
    ~OptionsPage() override;

    // The option values as last taken from the controls, for the engines and the other pages.
    const OptionValues& Values() const { return values_; }
    CutOptions CutterOptions() const { return values_.cut; }
    EncodingOptions JoinEncoding() const { return values_.encoding; }
    bool BrowseFolderAfterCut() const { return values_.CutterBrowseFolder; }
    bool BrowseFolderAfterJoin() const { return values_.JoinerBrowseFolder; }

    // Takes every control into the fields; refuses (after saying why and focusing the field) when a
    // time cannot be read or an output folder is missing. A page never shown accepts at once.
    bool TakeAndCheck();
    bool OnKillActive() override { return TakeAndCheck(); }

    // The controls, for the main window's tests.
    QCheckBox* cutBrowseCheck() const { return cutBrowse_; }
    QCheckBox* fadeInCheck() const { return fadeIn_; }
    QCheckBox* fadeOutCheck() const { return fadeOut_; }
    SpinEdit* fadeInEdit() const { return fadeInEdit_; }
    SpinEdit* fadeOutEdit() const { return fadeOutEdit_; }
    SpinEdit* forwardOverlapEdit() const { return forwardEdit_; }
    SpinEdit* backwardOverlapEdit() const { return backwardEdit_; }
    QComboBox* trackRuleList() const { return trackRule_; }
    QComboBox* outputFolderList() const { return outputFolder_; }
    QLineEdit* folderEdit() const { return folderEdit_; }
    QPushButton* browseButton() const { return browse_; }
    QCheckBox* createFolderCheck() const { return createFolder_; }
    QCheckBox* joinBrowseCheck() const { return joinBrowse_; }
    QComboBox* encodingList() const { return encoding_; }
    QComboBox* sampleRateList() const { return sampleRate_; }
    QComboBox* bitRateList() const { return bitRate_; }
    QComboBox* channelList() const { return channels_; }
    QLabel* cutSectionLabel() const { return cutSection_; }
    int CustomRow() const { return customRow_; }

protected:
    void OnInitDialog() override;

private:
    void BuildControls();
    QLabel* AddSectionHeader(const QString& text, const QString& iconPath, int top);
    void TakeSwitches();
    bool ReadTimeEdit(SpinEdit* edit, bool emptyAsZero, int& field);
    void StepTime(SpinEdit* edit, int& field, int steps, int tenthsPerClick);
    void FadeClicked(QCheckBox* check, SpinEdit* edit);
    void OutputFolderChanged();
    void BrowseClicked();
    void EncodingChanged(int row);
    void SampleRateChanged(int row);
    void BitRateChanged(int row);
    void ChannelsChanged();
    void FillEncodingLists();

    OptionValues values_;
    int customRow_ = -1;

    QLabel* cutSection_ = nullptr;
    QCheckBox* cutBrowse_ = nullptr;
    QCheckBox* fadeIn_ = nullptr;
    SpinEdit* fadeInEdit_ = nullptr;
    QCheckBox* fadeOut_ = nullptr;
    SpinEdit* fadeOutEdit_ = nullptr;
    SpinEdit* forwardEdit_ = nullptr;
    SpinEdit* backwardEdit_ = nullptr;
    QComboBox* trackRule_ = nullptr;
    QComboBox* outputFolder_ = nullptr;
    QLineEdit* folderEdit_ = nullptr;
    QPushButton* browse_ = nullptr;
    QCheckBox* createFolder_ = nullptr;
    QCheckBox* joinBrowse_ = nullptr;
    QComboBox* encoding_ = nullptr;
    QComboBox* sampleRate_ = nullptr;
    QComboBox* bitRate_ = nullptr;
    QComboBox* channels_ = nullptr;
};
