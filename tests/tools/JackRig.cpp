#include "tests/tools/JackRig.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <thread>

namespace testing_support {

namespace {

// The library tells of every failed attempt on standard error; a test that waits for a server tries often.
void quiet(const char*) {}

// Polls `done` every ten milliseconds for up to `patience`.
template <class Condition> bool eventually(Condition done, std::chrono::seconds patience) {
    const auto end = std::chrono::steady_clock::now() + patience;
    while (!done()) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

jack_client_t* openClient(const char* name) {
    jack_set_error_function(&quiet);
    jack_set_info_function(&quiet);
    jack_status_t status{};
    return jack_client_open(name, JackNoStartServer, &status);
}

} // namespace

DummyJackServer::DummyJackServer(int sampleRate, int periodFrames) {
    static std::atomic<int> count{0};
    const std::string name = "tmx1-test-" + std::to_string(getpid()) + "-" + std::to_string(count++);
    const std::string rate = std::to_string(sampleRate), period = std::to_string(periodFrames);
    pid = fork();
    if (pid == 0) {
        prctl(PR_SET_PDEATHSIG, SIGKILL); // no server outlives a test program that crashed
        const int nothing = open("/dev/null", O_WRONLY);
        dup2(nothing, STDOUT_FILENO);
        dup2(nothing, STDERR_FILENO);
        execlp("jackd", "jackd", "-n", name.c_str(), "-S", "-t", "10000", "-d", "dummy", "-r", rate.c_str(),
               "-p", period.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    if (pid < 0) {
        failure = "cannot fork for jackd";
        return;
    }
    server.emplace("JACK_DEFAULT_SERVER", name);
    bool exited = false;
    const bool up = eventually(
        [&] {
            int status = 0;
            exited = waitpid(pid, &status, WNOHANG) == pid;
            jack_client_t* probe = exited ? nullptr : openClient("tmx1-test-probe");
            if (probe != nullptr)
                jack_client_close(probe);
            return exited || probe != nullptr;
        },
        std::chrono::seconds(20));
    if (exited) {
        pid = -1;
        failure = "jackd ended at once (is it installed?)";
    } else if (!up) {
        failure = "no client could connect to jackd in twenty seconds";
    }
}

void DummyJackServer::stop() {
    if (pid <= 0)
        return;
    kill(pid, SIGTERM);
    // A server that does not stop in time is made to.
    if (!eventually([&] { return waitpid(pid, nullptr, WNOHANG) == pid; }, std::chrono::seconds(10))) {
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
    }
    pid = -1;
}

JackLoopback::JackLoopback(const std::string& target) {
    player = openClient("tmx1-test-player");
    recorder = openClient("tmx1-test-recorder");
    if (player == nullptr || recorder == nullptr)
        return;
    const char* names[] = {"L", "R"};
    for (int c = 0; c < 2; ++c) {
        outputs[c] = jack_port_register(player, names[c], JACK_DEFAULT_AUDIO_TYPE, JackPortIsOutput, 0);
        inputs[c] = jack_port_register(recorder, names[c], JACK_DEFAULT_AUDIO_TYPE, JackPortIsInput, 0);
    }
    jack_set_process_callback(player, &JackLoopback::play, this);
    jack_set_process_callback(recorder, &JackLoopback::record, this);
    if (jack_activate(player) != 0 || jack_activate(recorder) != 0)
        return;
    const std::string in[] = {target + ":in_L", target + ":in_R"},
                      out[] = {target + ":out_L", target + ":out_R"};
    // The target's ports exist a while before it is active, and the server refuses connections to
    // them until then: they are asked for again until taken.
    const auto connect = [](jack_client_t* client, const char* from, const char* to) {
        const int result = jack_connect(client, from, to);
        return result == 0 || result == EEXIST;
    };
    isConnected = eventually(
        [&] {
            bool all = true;
            for (int c = 0; c < 2; ++c)
                all = connect(player, jack_port_name(outputs[c]), in[c].c_str()) &&
                      connect(recorder, out[c].c_str(), jack_port_name(inputs[c])) && all;
            return all;
        },
        std::chrono::seconds(20));
}

JackLoopback::~JackLoopback() {
    for (jack_client_t* client : {player, recorder})
        if (client != nullptr)
            jack_client_close(client);
}

bool JackLoopback::playAndRecord(const std::vector<float>& left, const std::vector<float>& right,
                                 long frames) {
    return startPlaying(left, right, frames) && awaitRecording();
}

bool JackLoopback::startPlaying(const std::vector<float>& left, const std::vector<float>& right,
                                long frames) {
    state.store(idle);
    // A block under way in the recorder when the state changed is over before the next cycle begins.
    const jack_nframes_t now = jack_frame_time(player);
    if (!eventually([&] { return jack_frame_time(player) - now > 2 * jack_get_buffer_size(player); },
                    std::chrono::seconds(20)))
        return false;
    signal[0] = &left;
    signal[1] = &right;
    for (auto& channel : recording)
        channel.assign(static_cast<std::size_t>(frames), 0.0f);
    played.store(0);
    recordedFrames.store(0);
    state.store(armed);
    return true;
}

bool JackLoopback::awaitRecording() {
    const long frames = static_cast<long>(recording[0].size());
    return eventually([&] { return recordedFrames.load() >= frames; }, std::chrono::seconds(60));
}

bool JackLoopback::setBlockFrames(int frames) {
    return jack_set_buffer_size(player, static_cast<jack_nframes_t>(frames)) == 0;
}

int JackLoopback::play(jack_nframes_t frames, void* self) {
    auto& loop = *static_cast<JackLoopback*>(self);
    if (loop.state.load() == armed) {
        loop.startFrame.store(jack_last_frame_time(loop.player));
        loop.state.store(playing);
    }
    const bool playing = loop.state.load() == JackLoopback::playing;
    for (int c = 0; c < 2; ++c) {
        auto* out = static_cast<float*>(jack_port_get_buffer(loop.outputs[c], frames));
        std::fill_n(out, frames, 0.0f);
        if (!playing)
            continue;
        const std::vector<float>& source = *loop.signal[c];
        const long from = std::min(loop.played.load(), static_cast<long>(source.size()));
        const long count = std::min(static_cast<long>(frames), static_cast<long>(source.size()) - from);
        std::copy_n(source.begin() + from, count, out);
    }
    if (playing)
        loop.played.fetch_add(frames);
    return 0;
}

int JackLoopback::record(jack_nframes_t frames, void* self) {
    auto& loop = *static_cast<JackLoopback*>(self);
    if (loop.state.load() != playing)
        return 0;
    // Frame times wrap around: their difference does not.
    const long offset =
        static_cast<std::int32_t>(jack_last_frame_time(loop.recorder) - loop.startFrame.load());
    if (offset < 0)
        return 0;
    const long capacity = static_cast<long>(loop.recording[0].size());
    for (int c = 0; c < 2; ++c) {
        const auto* in = static_cast<const float*>(jack_port_get_buffer(loop.inputs[c], frames));
        for (long i = 0; i < static_cast<long>(frames) && offset + i < capacity; ++i)
            loop.recording[c][static_cast<std::size_t>(offset + i)] = in[i];
    }
    loop.recordedFrames.store(std::min(capacity, offset + static_cast<long>(frames)));
    return 0;
}

long JackLoopback::recordedLatency() const {
    jack_latency_range_t range{};
    jack_port_get_latency_range(inputs[0], JackCaptureLatency, &range);
    return static_cast<long>(range.max);
}

} // namespace testing_support
