// A JACK server of the test's own on the dummy backend (nothing is heard, nothing else connects), and
// a test client that plays a signal into another client's inputs and records its outputs.
#pragma once

#include "tests/support/ScopedEnvironment.h"

#include <jack/jack.h>

#include <atomic>
#include <optional>
#include <string>
#include <vector>

namespace testing_support {

class DummyJackServer {
  public:
    // Starts jackd under a name of its own and waits until a client can connect. While this object
    // lives, JACK_DEFAULT_SERVER names it to the programs the test starts. The server waits for every
    // client each cycle (a busy machine makes it slower, never makes it drop a block).
    DummyJackServer(int sampleRate, int periodFrames);
    // Stops the server, whatever the test did.
    ~DummyJackServer() { stop(); }
    // Stops it now, as a user who quits the server does.
    void stop();
    DummyJackServer(const DummyJackServer&) = delete;
    DummyJackServer& operator=(const DummyJackServer&) = delete;

    // Whether it came up; why not when it did not.
    bool running() const { return failure.empty(); }
    const std::string& whyNot() const { return failure; }

  private:
    int pid = -1;
    std::string failure;
    std::optional<ScopedEnvironment> server;
};

// A test's JACK client on the default server (two in fact: the player runs before the client under
// test in every cycle, the recorder after it, so that a block goes through all three in one cycle).
class JackLoopback {
  public:
    // Connects the player to `target`'s in_L and in_R and its out_L and out_R to the recorder, once
    // the target is active (up to twenty seconds: far longer than a busy machine takes to start one).
    explicit JackLoopback(const std::string& target);
    ~JackLoopback();
    JackLoopback(const JackLoopback&) = delete;
    JackLoopback& operator=(const JackLoopback&) = delete;

    bool connected() const { return isConnected; }

    // Plays the signal from the start of the next block and records `frames` frames from then on:
    // recorded(c)[k] is what came out k frames after the signal's first frame went in. False when the
    // recording did not complete in a minute.
    bool playAndRecord(const std::vector<float>& left, const std::vector<float>& right, long frames);
    // The same in two steps, for a test that looks at something else while the signal plays: the
    // signal starts (false when the last recording did not end), then the recording completes.
    bool startPlaying(const std::vector<float>& left, const std::vector<float>& right, long frames);
    bool awaitRecording();
    const std::vector<float>& recorded(int channel) const { return recording[channel]; }

    // Asks the server for another block size; true when it took it.
    bool setBlockFrames(int frames);
    // The latency the server reports at the recorder's inputs (what a recorder behind the target
    // would compensate): the most frames between the player's output and there.
    long recordedLatency() const;

  private:
    static int play(jack_nframes_t frames, void* self);
    static int record(jack_nframes_t frames, void* self);

    jack_client_t* player = nullptr;
    jack_client_t* recorder = nullptr;
    jack_port_t* outputs[2] = {};
    jack_port_t* inputs[2] = {};
    bool isConnected = false;

    // Set before the player is armed, read by both process callbacks after.
    const std::vector<float>* signal[2] = {};
    std::vector<float> recording[2];
    enum State { idle, armed, playing };
    std::atomic<int> state{idle};
    std::atomic<jack_nframes_t> startFrame{0};
    std::atomic<long> played{0};
    std::atomic<long> recordedFrames{0};
};

} // namespace testing_support
