#pragma once
// A pseudo-terminal pair for talking to a SerialPort from a test. The code under
// test opens SlavePath() as its serial device; the test plays the receiver on
// the master side, with scripted bytes, either inline or on a peer thread.

#include <cstddef>
#include <functional>
#include <string>
#include <thread>
#include <vector>

using Bytes = std::vector<unsigned char>;

class PtyPair {
  public:
    PtyPair();
    ~PtyPair();
    PtyPair(const PtyPair&) = delete;
    PtyPair& operator=(const PtyPair&) = delete;

    // The device the code under test opens ("/dev/pts/5").
    const std::string& SlavePath() const { return slavePath_; }
    int MasterFd() const { return master_; }

    // Writes every byte to the line (as long as it is there).
    void Send(const Bytes& bytes);
    void Send(const std::string& text);
    // Reads until `count` bytes came or `timeoutMs` passed, and returns what came.
    Bytes Receive(size_t count, int timeoutMs);
    // Reads until nothing more arrived for `quietMs`.
    Bytes ReceiveUntilQuiet(int quietMs);

    // The receiver disappears: the code under test sees a hung-up line.
    void CloseMaster();
    // Drops the test's own descriptor of the slave side (it keeps the line up
    // while the code under test closes and reopens the device).
    void CloseSlave();

    // Runs `script` on a thread of its own; JoinPeer or the destructor waits for it.
    void StartPeer(std::function<void(PtyPair&)> script);
    void JoinPeer();

  private:
    int master_ = -1;
    int slave_ = -1;
    std::string slavePath_;
    std::thread peer_;
};
