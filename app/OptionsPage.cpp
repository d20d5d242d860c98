#include "app/OptionsPage.h"

#include "app/EncodingChoices.h"
#include "app/SecondsText.h"
#include "ui/widgets/SpinEdit.h"
#include "ui/widgets/FileDialogs.h"
#include "ui/widgets/MessageBox.h"
#include "ui/widgets/WindowHelpers.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <algorithm>

namespace {

// Selects the entry whose item data is value, or the first entry; false when none matched.
// Programmatic selections never run the list's change handler (only `activated` does).
bool SelectByValue(QComboBox* list, int value)
{
    const int row = list->findData(value);
    list->setCurrentIndex(row >= 0 ? row : 0);
    return row >= 0;
}

int SelectedValue(const QComboBox* list) { return list->currentData().toInt(); }

QLabel* AddLabel(QWidget* page, const QString& text, const QRect& area, QWidget* buddy = nullptr)
{
    auto* label = new QLabel(text, page);
    label->setGeometry(area);
    if (buddy)
        label->setBuddy(buddy);
    return label;
}

} // namespace

OptionsPage::OptionsPage(QWidget* parent)
    : PropertyPage("Options", parent)
{
    LoadCutterOptions(values_);
    LoadJoinerOptions(values_);
    BuildControls();
}

OptionsPage::~OptionsPage()
{
    if (IsInitialised()) {
        SaveCutterOptions(values_);
        SaveJoinerOptions(values_);
    }
}

QLabel* OptionsPage::AddSectionHeader(const QString& text, const QString& iconPath, int top)
{
    auto* icon = new QLabel(this);
    icon->setGeometry(DialogRect(7, top - 1, 12, 11));
    icon->setPixmap(QPixmap(iconPath).scaled(16, 16, Qt::KeepAspectRatio, Qt::SmoothTransformation));
    auto* label = new QLabel(text, this);
    label->setGeometry(DialogRect(22, top, 60, 9));
    // Bold through the style sheet: it survives the page font set on every child at initialisation.
    label->setStyleSheet("font-weight: bold;");
    auto* line = new QFrame(this);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    line->setGeometry(DialogRect(84, top + 3, 350, 3));
    AnchorControl(line, kAnchorWide); // the line runs to the page's right edge
    return label;
}

void OptionsPage::BuildControls()
{
    // Cut options.
    cutSection_ = AddSectionHeader("Split Options", ":/icons/cut-options.png", 7);
    cutBrowse_ = new QCheckBox("Browse folder of o&utputted files after splitting", this);
    cutBrowse_->setGeometry(DialogRect(22, 21, 300, 10));

    fadeIn_ = new QCheckBox("E&nable fade-in", this);
    fadeIn_->setGeometry(DialogRect(22, 36, 100, 10));
    fadeInEdit_ = new SpinEdit(this);
    fadeInEdit_->setGeometry(DialogRect(222, 34, 50, 13));
    AddLabel(this, "Fade-in &length:", DialogRect(150, 36, 70, 9), fadeInEdit_);
    AddLabel(this, "Seconds", DialogRect(277, 36, 50, 9));

    fadeOut_ = new QCheckBox("Enable fa&de-out", this);
    fadeOut_->setGeometry(DialogRect(22, 52, 100, 10));
    fadeOutEdit_ = new SpinEdit(this);
    fadeOutEdit_->setGeometry(DialogRect(222, 50, 50, 13));
    AddLabel(this, "Fade-out lengt&h:", DialogRect(150, 52, 70, 9), fadeOutEdit_);
    AddLabel(this, "Seconds", DialogRect(277, 52, 50, 9));

    auto* note = AddLabel(this, "* Note: The fade-in/out features above requir re-encoding, this may take more time. ",
        DialogRect(22, 66, 400, 9));
    note->setObjectName("FadeNote");

    forwardEdit_ = new SpinEdit(this);
    forwardEdit_->setGeometry(DialogRect(95, 80, 50, 13));
    AddLabel(this, "&Forward Overlap:", DialogRect(22, 82, 72, 9), forwardEdit_);
    AddLabel(this, "Seconds", DialogRect(150, 82, 40, 9));
    backwardEdit_ = new SpinEdit(this);
    backwardEdit_->setGeometry(DialogRect(300, 80, 50, 13));
    AddLabel(this, "&Backward Overlap:", DialogRect(222, 82, 76, 9), backwardEdit_);
    AddLabel(this, "Seconds", DialogRect(355, 82, 40, 9));

    trackRule_ = new QComboBox(this);
    trackRule_->setGeometry(DialogRect(120, 98, 180, 13));
    AddLabel(this, "&ID3 tag Track # Type:", DialogRect(22, 100, 95, 9), trackRule_);

    outputFolder_ = new QComboBox(this);
    outputFolder_->setGeometry(DialogRect(120, 115, 180, 13));
    AddLabel(this, "&Output Folder:", DialogRect(22, 117, 95, 9), outputFolder_);

    folderEdit_ = new QLineEdit(this);
    folderEdit_->setGeometry(DialogRect(120, 132, 250, 13));
    AddLabel(this, "Specific &Folder:", DialogRect(22, 134, 95, 9), folderEdit_);
    browse_ = new QPushButton("Bro&wse", this);
    browse_->setGeometry(DialogRect(375, 131, 59, 15));

    createFolder_ = new QCheckBox("Create a folder for each MP3 file", this);
    createFolder_->setGeometry(DialogRect(22, 150, 300, 10));

    // Join options.
    AddSectionHeader("Join Options", ":/icons/join-options.png", 172);
    joinBrowse_ = new QCheckBox("Browse folder of ou&tputted files after joining", this);
    joinBrowse_->setGeometry(DialogRect(22, 186, 300, 10));

    encoding_ = new QComboBox(this);
    encoding_->setGeometry(DialogRect(160, 201, 274, 13));
    AddLabel(this, "&Encoding options of target MP3 file:", DialogRect(22, 203, 136, 9), encoding_);

    sampleRate_ = new QComboBox(this);
    sampleRate_->setGeometry(DialogRect(22, 229, 110, 13));
    QLabel* sampleRateLabel = AddLabel(this, "&Sample Frequency:", DialogRect(22, 219, 110, 9), sampleRate_);
    bitRate_ = new QComboBox(this);
    bitRate_->setGeometry(DialogRect(160, 229, 110, 13));
    QLabel* bitRateLabel = AddLabel(this, "Bit &Rate:", DialogRect(160, 219, 110, 9), bitRate_);
    channels_ = new QComboBox(this);
    channels_->setGeometry(DialogRect(300, 229, 110, 13));
    QLabel* channelsLabel = AddLabel(this, "&Channels:", DialogRect(300, 219, 110, 9), channels_);

    // A wider page widens the folder and the encoding fields and keeps Browse at their end; the
    // three format lists share the extra width, each keeping its label above it.
    AnchorControl(folderEdit_, kAnchorWide);
    AnchorControl(browse_, kAnchorRight);
    AnchorControl(encoding_, kAnchorWide);
    constexpr double kThird = 1.0 / 3;
    AnchorControl(sampleRate_, { 0, 0, kThird, 0 });
    AnchorControl(sampleRateLabel, { 0, 0, kThird, 0 });
    AnchorControl(bitRate_, { kThird, 0, 2 * kThird, 0 });
    AnchorControl(bitRateLabel, { kThird, 0, 2 * kThird, 0 });
    AnchorControl(channels_, { 2 * kThird, 0, 1, 0 });
    AnchorControl(channelsLabel, { 2 * kThird, 0, 1, 0 });

    connect(fadeInEdit_, &SpinEdit::StepRequested, this,
        [this](int steps) { StepTime(fadeInEdit_, values_.cut.FadeInLen, steps, 1); });
    connect(fadeOutEdit_, &SpinEdit::StepRequested, this,
        [this](int steps) { StepTime(fadeOutEdit_, values_.cut.FadeOutLen, steps, 1); });
    connect(forwardEdit_, &SpinEdit::StepRequested, this,
        [this](int steps) { StepTime(forwardEdit_, values_.cut.ForwardOverlap, steps, 10); });
    connect(backwardEdit_, &SpinEdit::StepRequested, this,
        [this](int steps) { StepTime(backwardEdit_, values_.cut.BackwardOverlap, steps, 10); });
    connect(fadeIn_, &QCheckBox::clicked, this, [this] { FadeClicked(fadeIn_, fadeInEdit_); });
    connect(fadeOut_, &QCheckBox::clicked, this, [this] { FadeClicked(fadeOut_, fadeOutEdit_); });
    connect(outputFolder_, &QComboBox::activated, this, &OptionsPage::OutputFolderChanged);
    connect(browse_, &QPushButton::clicked, this, &OptionsPage::BrowseClicked);
    connect(encoding_, &QComboBox::activated, this, &OptionsPage::EncodingChanged);
    connect(sampleRate_, &QComboBox::activated, this, &OptionsPage::SampleRateChanged);
    connect(bitRate_, &QComboBox::activated, this, &OptionsPage::BitRateChanged);
    connect(channels_, &QComboBox::activated, this, &OptionsPage::ChannelsChanged);
}

void OptionsPage::OnInitDialog()
{
    cutBrowse_->setChecked(values_.CutterBrowseFolder);
    fadeIn_->setChecked(values_.cut.EnableFadeIn);
    fadeOut_->setChecked(values_.cut.EnableFadeOut);
    createFolder_->setChecked(values_.cut.CreateFolderForEachMP3);
    joinBrowse_->setChecked(values_.JoinerBrowseFolder);
    folderEdit_->setText(QString::fromStdString(values_.cut.SpecifiedOutputFolder));

    fadeInEdit_->SetText(QString::fromStdString(FormatTenths(values_.cut.FadeInLen)));
    fadeOutEdit_->SetText(QString::fromStdString(FormatTenths(values_.cut.FadeOutLen)));
    fadeInEdit_->setEnabled(values_.cut.EnableFadeIn);
    fadeOutEdit_->setEnabled(values_.cut.EnableFadeOut);
    forwardEdit_->SetText(QString::fromStdString(FormatTenths(values_.cut.ForwardOverlap)));
    backwardEdit_->SetText(QString::fromStdString(FormatTenths(values_.cut.BackwardOverlap)));

    for (const TrackRuleChoice& choice : kTrackRuleChoices)
        trackRule_->addItem(choice.text, choice.trackNoType);
    SelectByValue(trackRule_, values_.cut.ID3v1TagTrackNoType);

    outputFolder_->addItem("Same as source file", kOutputFolderSameAsSource);
    outputFolder_->addItem("Specify output folder", kOutputFolderSpecified);
    if (!SelectByValue(outputFolder_, values_.cut.OutputFolderOpt))
        values_.cut.OutputFolderOpt = kOutputFolderSameAsSource;
    const bool specified = values_.cut.OutputFolderOpt == kOutputFolderSpecified;
    folderEdit_->setEnabled(specified);
    browse_->setEnabled(specified);

    FillEncodingLists();

    cutSection_->setText("Cut Options");
    cutBrowse_->setText("Browse folder of o&utputted files after cutting");
}

void OptionsPage::FillEncodingLists()
{
    const EncodingOptions& encoding = values_.encoding;
    const bool automatic = encoding.AutoMP3EncodingParam;
    sampleRate_->setEnabled(!automatic);
    bitRate_->setEnabled(!automatic);
    channels_->setEnabled(!automatic);

    int selected = -1;
    encoding_->addItem("Auto");
    if (automatic)
        selected = 0;
    for (const EncodingPreset& preset : kEncodingPresets) {
        encoding_->addItem(preset.text);
        if (!automatic && encoding.MP3BitRate == preset.bitRate && encoding.MP3SampleRate == preset.sampleRate
            && encoding.MP3ChannelMode == preset.channelMode && selected < 0)
            selected = encoding_->count() - 1;
    }
    encoding_->addItem("Custom");
    customRow_ = encoding_->count() - 1;
    encoding_->setCurrentIndex(selected >= 0 ? selected : customRow_);

    for (int rate : kBitRates)
        bitRate_->addItem(QString("%1 kbps").arg(rate), rate);
    for (int rate : kSampleRates)
        sampleRate_->addItem(QString("%1 Hz").arg(rate), rate);
    for (const ChannelChoice& choice : kChannelChoices)
        channels_->addItem(choice.text, choice.mode);
    SelectByValue(bitRate_, encoding.MP3BitRate);
    SelectByValue(sampleRate_, encoding.MP3SampleRate);
    SelectByValue(channels_, encoding.MP3ChannelMode);
}

void OptionsPage::TakeSwitches()
{
    values_.CutterBrowseFolder = cutBrowse_->isChecked();
    values_.cut.EnableFadeIn = fadeIn_->isChecked();
    values_.cut.EnableFadeOut = fadeOut_->isChecked();
    values_.cut.CreateFolderForEachMP3 = createFolder_->isChecked();
    values_.JoinerBrowseFolder = joinBrowse_->isChecked();
    values_.cut.SpecifiedOutputFolder = folderEdit_->text().toStdString();
}

bool OptionsPage::ReadTimeEdit(SpinEdit* edit, bool emptyAsZero, int& field)
{
    const QString text = edit->Text();
    const auto tenths = ParseTenths(text.toStdString(), emptyAsZero);
    if (!tenths) {
        ShowMessageBox(window(), QString("Invalid number: %1, please enter it again.").arg(text));
        edit->setFocus();
        return false;
    }
    field = *tenths;
    return true;
}

void OptionsPage::StepTime(SpinEdit* edit, int& field, int steps, int tenthsPerClick)
{
    TakeSwitches();
    if (const auto tenths = ParseTenths(edit->Text().toStdString(), true))
        field = *tenths;
    const long long stepped = static_cast<long long>(field) + static_cast<long long>(steps) * tenthsPerClick;
    field = static_cast<int>(std::clamp<long long>(stepped, 0, 214748364LL * 10 - 1));
    edit->SetText(QString::fromStdString(FormatTenths(field)));
}

void OptionsPage::FadeClicked(QCheckBox* check, SpinEdit* edit)
{
    TakeSwitches();
    edit->setEnabled(check->isChecked());
    if (check->isChecked())
        edit->setFocus();
}

void OptionsPage::OutputFolderChanged()
{
    const bool specified = SelectedValue(outputFolder_) == kOutputFolderSpecified;
    folderEdit_->setEnabled(specified);
    browse_->setEnabled(specified);
}

void OptionsPage::BrowseClicked()
{
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    TakeSwitches();
    QGuiApplication::restoreOverrideCursor();
    std::string chosen;
    if (BrowseForFolder(this, "Please choose an output folder:", values_.cut.SpecifiedOutputFolder, chosen)) {
        values_.cut.SpecifiedOutputFolder = chosen;
        folderEdit_->setText(QString::fromStdString(chosen));
    }
}

void OptionsPage::EncodingChanged(int row)
{
    if (row == 0) {
        sampleRate_->setEnabled(false);
        bitRate_->setEnabled(false);
        channels_->setEnabled(false);
        return;
    }
    if (row == customRow_ || row < 1 || row > static_cast<int>(kEncodingPresets.size()))
        return;
    if (!bitRate_->isEnabled()) {
        sampleRate_->setEnabled(true);
        bitRate_->setEnabled(true);
        channels_->setEnabled(true);
    }
    const EncodingPreset& preset = kEncodingPresets[static_cast<size_t>(row - 1)];
    values_.encoding.MP3BitRate = preset.bitRate;
    values_.encoding.MP3SampleRate = preset.sampleRate;
    values_.encoding.MP3ChannelMode = preset.channelMode;
    SelectByValue(bitRate_, preset.bitRate);
    SelectByValue(sampleRate_, preset.sampleRate);
    SelectByValue(channels_, preset.channelMode);
}

void OptionsPage::SampleRateChanged(int row)
{
    const int sampleRate = sampleRate_->itemData(row).toInt();
    if (sampleRate == values_.encoding.MP3SampleRate)
        return;
    const int bitRate = SelectedValue(bitRate_);
    const int fitting = BitRateForSampleRate(sampleRate, bitRate);
    if (fitting != bitRate)
        SelectByValue(bitRate_, fitting);
    encoding_->setCurrentIndex(customRow_);
    values_.encoding.MP3SampleRate = sampleRate;
    values_.encoding.MP3BitRate = fitting;
}

void OptionsPage::BitRateChanged(int row)
{
    const int bitRate = bitRate_->itemData(row).toInt();
    if (bitRate == values_.encoding.MP3BitRate)
        return;
    const int sampleRate = SelectedValue(sampleRate_);
    const int fitting = SampleRateForBitRate(bitRate, sampleRate);
    if (fitting != sampleRate)
        SelectByValue(sampleRate_, fitting);
    encoding_->setCurrentIndex(customRow_);
    values_.encoding.MP3SampleRate = fitting;
    values_.encoding.MP3BitRate = bitRate;
}

void OptionsPage::ChannelsChanged() { encoding_->setCurrentIndex(customRow_); }

bool OptionsPage::TakeAndCheck()
{
    if (!IsInitialised())
        return true;
    TakeSwitches();
    CutOptions& cut = values_.cut;
    if (cut.EnableFadeIn && !ReadTimeEdit(fadeInEdit_, true, cut.FadeInLen))
        return false;
    if (cut.EnableFadeOut && !ReadTimeEdit(fadeOutEdit_, true, cut.FadeOutLen))
        return false;
    if (!ReadTimeEdit(forwardEdit_, false, cut.ForwardOverlap))
        return false;
    if (!ReadTimeEdit(backwardEdit_, false, cut.BackwardOverlap))
        return false;
    cut.OutputFolderOpt = SelectedValue(outputFolder_);
    if (cut.OutputFolderOpt == kOutputFolderSpecified && folderEdit_->text().isEmpty()) {
        ShowMessageBox(window(), "Please choose an output folder.");
        folderEdit_->setFocus();
        return false;
    }
    cut.ID3v1TagTrackNoType = SelectedValue(trackRule_);
    values_.encoding.AutoMP3EncodingParam = encoding_->currentIndex() == 0;
    values_.encoding.MP3BitRate = SelectedValue(bitRate_);
    values_.encoding.MP3SampleRate = SelectedValue(sampleRate_);
    values_.encoding.MP3ChannelMode = SelectedValue(channels_);
    return true;
}
