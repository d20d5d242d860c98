#pragma once
// What every GUI test needs: a settings file in a temporary folder, message boxes recorded instead
// of shown, and URLs recorded instead of opened.
#include "tests/support/TempDir.h"
#include "ui/widgets/MessageBox.h"

#include <QString>
#include <QUrl>
#include <gtest/gtest.h>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

// Readable QStrings in failure messages.
inline void PrintTo(const QString& text, std::ostream* out) { *out << '"' << text.toStdString() << '"'; }

struct RecordedMessage {
    QString text;
    MessageIcon icon;
    MessageButtons buttons;
};

class GuiTest : public ::testing::Test {
protected:
    GuiTest();
    ~GuiTest() override;

    // The settings file as text ("" when absent).
    std::string SettingsFileText() const;
    // A value stored under "Software/Sonicrop/Options" + subkey.
    std::optional<int> StoredNumber(const std::string& subkey, const std::string& name) const;
    std::optional<std::string> StoredText(const std::string& subkey, const std::string& name) const;
    void StoreNumber(const std::string& subkey, const std::string& name, int value);
    void StoreText(const std::string& subkey, const std::string& name, const std::string& value);
    bool HasStoredValue(const std::string& subkey, const std::string& name) const;

    TempDir settingsFolder_;
    std::vector<RecordedMessage> messages_;
    std::vector<QUrl> openedUrls_;
    bool urlOpensSucceed_ = true;
};
