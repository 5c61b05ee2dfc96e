// The playback queue: headers in write order, loop runs repeated, finished headers marked done.
#pragma once

#include <cstdint>
#include <deque>
#include <span>

#include "platform/WaveTypes.h"

namespace sonivex {

constexpr uint32_t kEndlessLoops = 0xFFFFFFFF;

class PlayQueue {
  public:
    // frameBytes: only whole frames are handed out; a shorter rest of a header is skipped.
    void SetFrameBytes(uint32_t frameBytes) { frameBytes_ = frameBytes > 0 ? frameBytes : 1; }
    void Add(WaveHeader& header);
    // The bytes to play next, all from one header; empty when the queue has nothing to play.
    std::span<const uint8_t> Next();
    // `bytes` from the front of Next() went to the device; headers finished by that are done.
    void Consume(size_t bytes);
    // Hands every queued header back marked done and starts afresh.
    void Clear();

  private:
    void Settle();
    void EndHeader();
    void FinishThrough(size_t index);

    std::deque<WaveHeader*> queue_;
    uint32_t frameBytes_ = 1;
    size_t cursor_ = 0;  // header being played; > 0 only inside a loop run
    size_t offset_ = 0;  // bytes of it played
    bool inLoop_ = false;
    uint32_t loopsLeft_ = 0;  // passes still to play, counting the current one
    uint64_t passBytes_ = 0;  // bytes played in the current pass
};

}  // namespace sonivex
