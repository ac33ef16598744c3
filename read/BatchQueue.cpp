#include "read/BatchQueue.h"

#include <algorithm>

namespace korvul {

TBatchQueue::TBatchQueue(const QStringList &keys, int jobs) : keys_(keys), jobs_(std::max(1, jobs)) {
    for (int i = 0; i < keys.size(); ++i) waiting_ << i;
}

std::optional<int> TBatchQueue::StartNext() {
    if (int(running_.size()) >= jobs_) return std::nullopt;
    for (qsizetype i = 0; i < waiting_.size(); ++i) {
        const int device = waiting_[i];
        if (busyLines_.contains(keys_[device])) continue;
        waiting_.removeAt(i);
        running_.insert(device);
        busyLines_.insert(keys_[device]);
        return device;
    }
    return std::nullopt;
}

void TBatchQueue::Finished(int device) {
    if (!running_.remove(device)) return;
    busyLines_.remove(keys_[device]);
}

QList<int> TBatchQueue::Cancel() {
    const QList<int> never = waiting_;
    waiting_.clear();
    return never;
}

} // namespace korvul
