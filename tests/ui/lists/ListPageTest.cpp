#include "tests/ui/lists/ListPageTest.h"

#include "platform/desktop/RevealInExplorer.h"
#include "ui/widgets/ProgressDialogBase.h"

#include <QApplication>
#include <filesystem>

ListPageTest::ListPageTest()
{
    SetRevealerForTests([this](const std::string& path) { revealed_.push_back(path); });
}

ListPageTest::~ListPageTest()
{
    watcher_.stop();
    SetRevealerForTests({});
    FinishEvents();
}

const Bytes& ListPageTest::Tone()
{
    static const Bytes tone = [] {
        ToneSpec shape;
        shape.seconds = 3.0;
        return EncodeTone(shape);
    }();
    return tone;
}

std::string ListPageTest::WriteMp3(const std::string& name, const Bytes& bytes)
{
    const std::filesystem::path path = files_.Path() / name;
    std::filesystem::create_directories(path.parent_path());
    WriteFile(path.string(), bytes);
    return path.string();
}

ProgressDialogBase* ListPageTest::OpenProgressDialog()
{
    for (QWidget* window : QApplication::topLevelWidgets())
        if (auto* dialog = qobject_cast<ProgressDialogBase*>(window); dialog && dialog->IsHeldByJob())
            return dialog;
    return nullptr;
}

void ListPageTest::WhenDialogShows(
    std::function<bool(ProgressDialogBase&)> condition, std::function<void(ProgressDialogBase&)> action)
{
    watcher_.disconnect();
    watcher_.setInterval(0);
    QObject::connect(&watcher_, &QTimer::timeout, [this, condition, action] {
        ProgressDialogBase* dialog = OpenProgressDialog();
        if (dialog && condition(*dialog)) {
            watcher_.stop();
            action(*dialog);
        }
    });
    watcher_.start();
}

void ListPageTest::FinishEvents()
{
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}
