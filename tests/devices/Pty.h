// A pseudo-terminal for serial port tests: the code under test opens the slave by its path, the
// test plays the far end on the master.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

namespace sonivex::testing {

class Pty {
  public:
    Pty() {
        int slave = -1;
        char name[256] = {};
        if (::openpty(&master_, &slave, name, nullptr, nullptr) != 0) return;
        ::close(slave);
        path_ = name;
        ::fcntl(master_, F_SETFL, ::fcntl(master_, F_GETFL) | O_NONBLOCK);
    }
    ~Pty() { Close(); }

    const std::string& SlavePath() const { return path_; }
    // The far end sends; the pause lets the terminal layer hand the bytes on to the slave.
    void Write(const std::string& bytes) {
        if (::write(master_, bytes.data(), bytes.size()) < 0) return;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    void Write(const std::vector<uint8_t>& bytes) {
        Write(std::string(bytes.begin(), bytes.end()));
    }
    // Everything the slave side wrote, waiting up to 200 ms for the first bytes.
    std::vector<uint8_t> Read() {
        std::vector<uint8_t> out;
        pollfd p{master_, POLLIN, 0};
        uint8_t buffer[256];
        for (int wait = 200; ::poll(&p, 1, wait) > 0; wait = 10) {
            const ssize_t n = ::read(master_, buffer, sizeof buffer);
            if (n <= 0) break;
            out.insert(out.end(), buffer, buffer + n);
        }
        return out;
    }
    // The line's classic speed code as the slave has it (a master shares its slave's settings).
    speed_t Speed() const {
        termios tio{};
        return ::tcgetattr(master_, &tio) == 0 ? ::cfgetospeed(&tio) : B0;
    }
    // The far end goes away, as when a USB adapter is pulled.
    void Close() {
        if (master_ >= 0) ::close(master_);
        master_ = -1;
    }

  private:
    int master_ = -1;
    std::string path_;
};

}  // namespace sonivex::testing
