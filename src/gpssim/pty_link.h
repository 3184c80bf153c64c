#pragma once
// The simulator's end of the serial line: the master side of a pseudo-terminal.
// The slave side is what hosts open as their serial device; the simulator keeps
// its own descriptor on the slave open, so a host closing and reopening the
// device finds the same line with its settings and loses nothing.

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

// Set from the SIGTERM/SIGINT handler; every wait of the simulator checks it.
bool StopRequested();
void RequestStop();

class PtyLink {
  public:
    PtyLink() = default;
    ~PtyLink();
    PtyLink(const PtyLink&) = delete;
    PtyLink& operator=(const PtyLink&) = delete;

    bool Open(std::string& error);
    // Also makes `path` a symbolic link to the slave device (replacing an old link).
    bool MakeLink(const std::string& path, std::string& error);
    // Closes both sides and removes the link: the device disappears.
    void Close();
    // Lets the host read what was sent (at most `timeoutMs`), then closes:
    // closing a pseudo-terminal throws away what its reader has not taken yet.
    void CloseAfterDrain(int timeoutMs);
    bool IsOpen() const { return master_ >= 0; }
    const std::string& SlavePath() const { return slavePath_; }

    // Paces both directions at `baud` (10 bits a byte); 0 switches pacing off.
    void SetBaud(int baud);

    // The next byte from the host, or -1 when none came within `timeoutMs`
    // (or a stop was requested).
    int ReadByte(int timeoutMs);
    // Writes all bytes (paced when a baud rate is set). False when the line is
    // closed or a stop was requested before everything went out.
    bool Write(const std::vector<uint8_t>& bytes);
    bool Write(const std::string& text) {
        return Write(std::vector<uint8_t>(text.begin(), text.end()));
    }

  private:
    using Clock = std::chrono::steady_clock;

    bool FillBuffer(int timeoutMs);
    bool WriteNow(const uint8_t* data, size_t size);
    void ReleaseExclusive();

    int master_ = -1;
    int slave_ = -1;
    std::string slavePath_;
    std::string linkPath_;

    std::vector<uint8_t> rx_;
    size_t rxPos_ = 0;
    std::vector<Clock::time_point> rxArrival_;  // paced arrival time of each byte in rx_

    Clock::duration byteTime_{0};
    Clock::time_point txNext_{};
    Clock::time_point rxNext_{};
    Clock::time_point lastExclusiveClear_{};
};
