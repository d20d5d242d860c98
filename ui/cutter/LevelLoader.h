#pragma once
// Reads a source's level overview on a worker thread, so opening a file never waits for it, and
// hands the levels to the window thread (Loaded). A new Start or Stop cancels the read under way;
// its result is never delivered.
#include <QObject>

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <thread>
#include <vector>

class LevelLoader : public QObject {
    Q_OBJECT
public:
    explicit LevelLoader(QObject* parent = nullptr);
    ~LevelLoader() override;

    void Start(const std::string& path, double windowMs);
    void Stop();
    bool Busy() const { return worker_.joinable() && !finished_->load(); }

Q_SIGNALS:
    void Loaded(std::vector<float> levels);

private:
    std::thread worker_;
    std::shared_ptr<std::atomic<bool>> cancel_;
    std::shared_ptr<std::atomic<bool>> finished_;
    uint64_t generation_ = 0;
};
