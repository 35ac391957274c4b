// The consumer: the staged record queue sending through the HTTP batch sender.
#include "analytics/record_queue.h"

#include <utility>

#include "analytics/batch_sender.h"
#include "analytics/staged_queue.h"

namespace usage_analytics {

static_assert(Consumer::kMaxRecords == StagedQueue::kMaxRecords && Consumer::kBatchSize == StagedQueue::kBatchSize);

Consumer::Consumer(std::string serverUrl, std::string stagingPath)
    : queue_(std::make_unique<StagedQueue>(std::make_unique<BatchSender>(std::move(serverUrl)), std::move(stagingPath))) {}

Consumer::~Consumer() = default;

void Consumer::Add(std::string record) { queue_->Add(std::move(record)); }
bool Consumer::FlushPart() { return queue_->FlushPart(); }
bool Consumer::FlushAll() { return queue_->FlushAll(); }
void Consumer::Shutdown() { queue_->Shutdown(); }
std::size_t Consumer::QueuedCount() const { return queue_->QueuedCount(); }

}  // namespace usage_analytics
