#include "ui/cutter/LevelLoader.h"

#include "engine/level/LevelOverview.h"

#include <QMetaObject>

LevelLoader::LevelLoader(QObject* parent)
    : QObject(parent)
    , cancel_(std::make_shared<std::atomic<bool>>(false))
    , finished_(std::make_shared<std::atomic<bool>>(true))
{
}

LevelLoader::~LevelLoader() { Stop(); }

void LevelLoader::Start(const std::string& path, double windowMs)
{
    Stop();
    cancel_ = std::make_shared<std::atomic<bool>>(false);
    finished_ = std::make_shared<std::atomic<bool>>(false);
    const uint64_t generation = ++generation_;
    // The destructor joins the worker, so this outlives it; the queued call is dropped by Qt when
    // this is gone before it runs.
    worker_ = std::thread([this, path, windowMs, generation, cancel = cancel_, finished = finished_] {
        std::string error;
        auto overview = ReadLevelOverview(path, windowMs, error, cancel.get());
        finished->store(true);
        if (!overview || cancel->load())
            return;
        // Queued to the window thread; dropped there when a newer read has started meanwhile.
        QMetaObject::invokeMethod(
            this,
            [this, generation, levels = std::move(overview->levelsDb)]() mutable {
                if (generation_ == generation)
                    Q_EMIT Loaded(std::move(levels));
            },
            Qt::QueuedConnection);
    });
}

void LevelLoader::Stop()
{
    ++generation_;
    cancel_->store(true);
    if (worker_.joinable())
        worker_.join();
}
