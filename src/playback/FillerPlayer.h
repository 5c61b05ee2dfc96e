// What the monitor asks of an input's filler player; the streaming player implements it.
#pragma once

#include <string>

namespace sonivex {

class FillerPlayer {
public:
    virtual ~FillerPlayer() = default;
    virtual void FileName(const std::string& path) = 0;
    virtual void LoopOn(int on) = 0;
    virtual int Play() = 0;
    virtual void StopIO() = 0;
    virtual int ProgressionPlay() = 0;  // serviced every tick
};

}  // namespace sonivex
