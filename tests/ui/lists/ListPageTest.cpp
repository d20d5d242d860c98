#include "tests/ui/lists/ListPageTest.h"

#include "platform/desktop/RevealInExplorer.h"
#include "ui/widgets/ProgressDialogBase.h"

#include <QApplication>
#include <QProgressBar>
#include <algorithm>
#include <filesystem>

ListPageTest::ListPageTest()
{
    SetRevealerForTests([this](const std::string& path) {
        revealed_.push_back(path);
        return revealSucceeds_;
    });
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

namespace {

class BarPaintCounter : public QObject {
public:
    int paints = 0;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint && qobject_cast<QProgressBar*>(watched))
            ++paints;
        return false;
    }
};

} // namespace

int ListPageTest::BarPaintsOutsideEventPasses(const std::function<void()>& job)
{
    BarPaintCounter counter;
    int passes = 0; // passes of the event loop: a zero timer fires once in each
    QTimer pass;
    pass.setInterval(0);
    QObject::connect(&pass, &QTimer::timeout, [&passes] { ++passes; });
    pass.start();
    qApp->installEventFilter(&counter);
    job();
    qApp->removeEventFilter(&counter);
    // Each pass paints each of the two bars at most once.
    return std::max(0, counter.paints - 2 * passes);
}
