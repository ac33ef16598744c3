#pragma once
// The order in which a batch reads its devices: at most `jobs` at a time, never two on the same line
// (LineKey), otherwise in list order. Pure logic.
#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>

#include <optional>

namespace korvul {

class TBatchQueue {
public:
    // keys: each device's LineKey, in list order. jobs: at least 1.
    TBatchQueue(const QStringList &keys, int jobs);

    // The first waiting device whose line is free, while fewer than `jobs` run; it counts as running.
    std::optional<int> StartNext();
    void Finished(int device);
    // Devices never started (all of them once Cancel was called with nothing started).
    QList<int> Cancel();

    int Running() const { return int(running_.size()); }
    bool Done() const { return waiting_.isEmpty() && running_.isEmpty(); }

private:
    QStringList keys_;
    int jobs_;
    QList<int> waiting_;
    QSet<int> running_;
    QSet<QString> busyLines_;
};

} // namespace korvul
