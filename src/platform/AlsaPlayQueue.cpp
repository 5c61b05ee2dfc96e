// Playback queue walking: a loop run is replayed from its first header until its count is used.
#include "platform/AlsaPlayQueue.h"

#include "platform/AlsaPcm.h"

namespace sonivex {

void PlayQueue::Add(WaveHeader& header) {
    queue_.push_back(&header);
    Settle();
}

std::span<const uint8_t> PlayQueue::Next() {
    Settle();
    if (cursor_ >= queue_.size()) return {};
    const WaveHeader& header = *queue_[cursor_];
    const size_t rest = header.bufferLength - offset_;
    return {header.data + offset_, rest - rest % frameBytes_};
}

void PlayQueue::Consume(size_t bytes) {
    offset_ += bytes;
    if (inLoop_) passBytes_ += bytes;
    Settle();
}

void PlayQueue::Clear() {
    FinishThrough(queue_.size());
    inLoop_ = false;
}

// Moves past every header that has no whole frame left, so that done flags are set as soon as
// a header has been written.
void PlayQueue::Settle() {
    while (cursor_ < queue_.size()) {
        WaveHeader& header = *queue_[cursor_];
        if (!inLoop_ && offset_ == 0 && (header.flags & WHDR_BEGINLOOP) != 0) {
            inLoop_ = true;
            loopsLeft_ = header.loops > 0 ? header.loops : 1;
            passBytes_ = 0;
        }
        if (header.bufferLength - offset_ >= frameBytes_ && header.data != nullptr) return;
        EndHeader();
    }
}

void PlayQueue::EndHeader() {
    const WaveHeader& header = *queue_[cursor_];
    offset_ = 0;
    if (!inLoop_) {
        FinishThrough(1);
        return;
    }
    if ((header.flags & WHDR_ENDLOOP) == 0) {
        ++cursor_;
        return;
    }
    // A pass that played nothing would repeat forever without sound: end the run instead.
    const bool again = passBytes_ > 0 && (loopsLeft_ == kEndlessLoops || --loopsLeft_ > 0);
    if (again) {
        cursor_ = 0;
        passBytes_ = 0;
        return;
    }
    inLoop_ = false;
    FinishThrough(cursor_ + 1);
}

// Marks the first `count` headers done and drops them from the queue.
void PlayQueue::FinishThrough(size_t count) {
    for (size_t i = 0; i < count && !queue_.empty(); ++i) {
        MarkHeaderDone(*queue_.front());
        queue_.pop_front();
    }
    cursor_ = 0;
    offset_ = 0;
}

}  // namespace sonivex
