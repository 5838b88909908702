// A connection to the desktop's audio server for a program that processes sound as it plays: two
// input and two output channels, and a function that the server calls for every block on its
// real-time thread.
#pragma once

#include <memory>
#include <stdexcept>
#include <string>

namespace platform {

// No server to connect to, or one that refused us; the message is one line for the user.
class AudioDeviceError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// One block as the server hands it over. The server picks the block size and may change it (and,
// rarely, the sample rate) while it runs: every block says what it is.
struct AudioBlock {
    const float* inLeft;
    const float* inRight;
    float* outLeft;
    float* outRight;
    int frames;
    int sampleRate;
};

// What the program does with each block. Process runs on the server's real-time thread: it may not
// allocate, lock, log or make a system call, and it must fill both outputs.
class AudioProcessor {
  public:
    virtual void Process(const AudioBlock& block) noexcept = 0;

  protected:
    ~AudioProcessor() = default;
};

struct AudioFormat {
    int sampleRate = 0;
    int blockFrames = 0;
};

class AudioDevice {
  public:
    // Connects to the running server as a client called `name` (or the name the server makes of it
    // when that one is taken) with the ports in_L, in_R, out_L and out_R. Never starts a server: throws
    // AudioDeviceError when none is running or it refuses the client.
    static std::unique_ptr<AudioDevice> Open(const std::string& name);

    // Stops the calls and leaves the server.
    virtual ~AudioDevice() = default;

    // The name the server knows us by.
    virtual std::string Name() const = 0;
    // The server's sample rate and block size now.
    virtual AudioFormat Format() const = 0;
    // The processor's calls begin; throws AudioDeviceError when the server refuses. The processor
    // must outlive the calls: until Stop() or the device goes.
    virtual void Start(AudioProcessor& processor) = 0;
    // Process calls end: once this returns, none is under way or comes again.
    virtual void Stop() = 0;
    // Whether the server has gone (shut down, or it threw us out): no more blocks come.
    virtual bool Lost() const = 0;
    // The frames the processor delays its inputs by: the server adds them to the latency it reports
    // downstream of our outputs and upstream of our inputs, so that a recorder behind us can
    // compensate. May be called at any time on the program's thread.
    virtual void SetLatency(int frames) = 0;
};

} // namespace platform
