#include "tests/lv2/PipeWireSession.h"

#include <algorithm>
#include <array>
#include <csignal>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>
#include <thread>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace lv2test {

namespace fs = std::filesystem;

namespace {

// The server's own settings beside its packaged ones: one clock rate, so that nothing is resampled;
// the longest period (170 ms), so that a busy machine seldom makes it miss one; and the null sink
// standing in for a sound card.
constexpr const char* kServerSettings = R"(context.properties = {
    default.clock.rate          = 48000
    default.clock.allowed-rates = [ 48000 ]
    default.clock.quantum       = 8192
    default.clock.min-quantum   = 8192
    default.clock.max-quantum   = 8192
}
context.objects = [
    { factory = adapter
      args = {
          factory.name   = support.null-audio-sink
          node.name      = "test_output"
          media.class    = Audio/Sink
          audio.position = [ FL FR ]
          object.linger  = true
      }
    }
]
)";

// How often a wait looks again.
constexpr auto kPollInterval = std::chrono::milliseconds(50);

std::string contents(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Whether a started process has ended (and is reaped); its status then.
bool ended(pid_t pid, int& status) { return waitpid(pid, &status, WNOHANG) == pid; }

} // namespace

PipeWireSession::PipeWireSession(const std::string& lv2Path) : lv2Path_(lv2Path) {
    // Under /tmp rather than the build folder: the server's socket path must stay short.
    std::string pattern = (fs::temp_directory_path() / "tmx1-pipewire-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr)
        throw std::runtime_error("cannot make a folder for the PipeWire session");
    folder_ = pattern;
    fs::create_directories(folder_ / "run");
    fs::permissions(folder_ / "run", fs::perms::owner_all, fs::perm_options::replace);
    fs::create_directories(folder_ / "config" / "pipewire" / "pipewire.conf.d");
    std::ofstream(folder_ / "config" / "pipewire" / "pipewire.conf.d" / "test-output.conf")
        << kServerSettings;

    try {
        startServerAndSessionManager();
    } catch (...) {
        shutDown();
        throw;
    }
}

void PipeWireSession::startServerAndSessionManager() {
    const pid_t server = spawn({"pipewire"}, folder_ / "server.log");
    groups_.push_back(server);
    int status = 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (!fs::exists(folder_ / "run" / "pipewire-0")) {
        if (ended(server, status)) {
            groups_[0] = -1;
            throw Unavailable("pipewire stopped at once: " + serverLog());
        }
        if (std::chrono::steady_clock::now() > deadline)
            throw Unavailable("pipewire made no socket: " + serverLog());
        std::this_thread::sleep_for(kPollInterval);
    }
    // WirePlumber wants a session bus; the bus ends with it.
    groups_.push_back(spawn({"dbus-run-session", "--", "wireplumber"}, folder_ / "wireplumber.log"));
    if (!waitFor({"pw-metadata", "0", "default.audio.sink"}, {"\"test_output\""}))
        throw std::runtime_error("WirePlumber made no default output: " +
                                 contents(folder_ / "wireplumber.log"));
}

PipeWireSession::~PipeWireSession() { shutDown(); }

void PipeWireSession::shutDown() {
    for (std::size_t i = groups_.size(); i-- > 0;)
        stop(i, SIGTERM, std::chrono::seconds(10));
    std::error_code ignored;
    fs::remove_all(folder_, ignored);
}

std::size_t PipeWireSession::start(const std::vector<std::string>& command) {
    groups_.push_back(spawn(command, folder_ / ("started-" + std::to_string(groups_.size()) + ".log")));
    return groups_.size() - 1;
}

int PipeWireSession::stop(std::size_t started, int signal, std::chrono::seconds patience) {
    const pid_t group = groups_.at(started);
    if (group <= 0)
        return -1;
    groups_[started] = -1;
    kill(-group, signal);
    int status = 0;
    const auto deadline = std::chrono::steady_clock::now() + patience;
    bool gone = ended(group, status);
    while (!gone && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(kPollInterval);
        gone = ended(group, status);
    }
    // Whatever of the group is left (a bus daemon whose session ended, or all of it) goes now.
    kill(-group, SIGKILL);
    if (!gone) {
        waitpid(group, &status, 0);
        return -1;
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

PipeWireSession::Run PipeWireSession::run(const std::vector<std::string>& command) const {
    const fs::path log = folder_ / "run.log";
    const pid_t pid = spawn(command, log);
    int status = 0;
    waitpid(pid, &status, 0);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, contents(log)};
}

bool PipeWireSession::waitFor(const std::vector<std::string>& command, const std::vector<std::string>& texts,
                              std::chrono::seconds patience) const {
    const auto deadline = std::chrono::steady_clock::now() + patience;
    while (true) {
        const std::string output = run(command).output;
        if (std::all_of(texts.begin(), texts.end(), [&output](const std::string& text) {
                return output.find(text) != std::string::npos;
            }))
            return true;
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(kPollInterval);
    }
}

std::string PipeWireSession::serverLog() const { return contents(folder_ / "server.log"); }

// The caller's environment without what would lead a PipeWire program, the bus or a plug-in host
// elsewhere, and the session's own folders in its place.
std::vector<std::string> PipeWireSession::environment() const {
    static constexpr std::array<const char*, 12> kReplaced{
        "XDG_RUNTIME_DIR=",          "XDG_CONFIG_HOME=", "XDG_STATE_HOME=",      "XDG_DATA_HOME=",
        "PIPEWIRE_RUNTIME_DIR=",     "PIPEWIRE_REMOTE=", "PIPEWIRE_CONFIG_DIR=", "PIPEWIRE_CONFIG_NAME=",
        "DBUS_SESSION_BUS_ADDRESS=", "DISPLAY=",         "WAYLAND_DISPLAY=",     "LV2_PATH="};
    std::vector<std::string> variables;
    for (char** variable = environ; *variable != nullptr; ++variable) {
        const std::string text = *variable;
        if (std::none_of(kReplaced.begin(), kReplaced.end(),
                         [&text](const char* name) { return text.starts_with(name); }))
            variables.push_back(text);
    }
    variables.push_back("XDG_RUNTIME_DIR=" + (folder_ / "run").string());
    variables.push_back("XDG_CONFIG_HOME=" + (folder_ / "config").string());
    variables.push_back("XDG_STATE_HOME=" + (folder_ / "state").string());
    variables.push_back("XDG_DATA_HOME=" + (folder_ / "data").string());
    variables.push_back("LV2_PATH=" + lv2Path_);
    return variables;
}

// A child in a process group of its own (so that stop() reaches whatever it starts), its input empty,
// its output and errors into `log`.
pid_t PipeWireSession::spawn(const std::vector<std::string>& command, const fs::path& log) const {
    const std::vector<std::string> variables = environment();
    std::vector<char*> argv, envp;
    for (const std::string& word : command)
        argv.push_back(const_cast<char*>(word.c_str()));
    argv.push_back(nullptr);
    for (const std::string& variable : variables)
        envp.push_back(const_cast<char*>(variable.c_str()));
    envp.push_back(nullptr);
    const std::string logPath = log.string();

    const pid_t pid = fork();
    if (pid == 0) {
        setpgid(0, 0);
        const int in = open("/dev/null", O_RDONLY);
        const int out = open(logPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        dup2(in, STDIN_FILENO);
        dup2(out, STDOUT_FILENO);
        dup2(out, STDERR_FILENO);
        execvpe(argv[0], argv.data(), envp.data());
        _exit(127);
    }
    if (pid < 0)
        throw std::runtime_error("cannot start " + command.front());
    setpgid(pid, pid);
    return pid;
}

} // namespace lv2test
