// The panel's edits on their way to the host: a fixed ring that the editor thread fills and whoever
// hands the host its events empties (process on the audio thread, or flush), one of them at a time, as
// the interface promises. Nothing in it allocates, locks or calls the system, so the audio thread may
// empty it.
#pragma once

#include "clap/ClapInterface.h"

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>

namespace tmx1 {

struct ClapEdit {
    enum class Kind : std::uint8_t { value, gestureBegin, gestureEnd };
    Kind kind = Kind::value;
    clap::clap_id param = 0;
    double value = 0.0; // the plain value, for Kind::value
};

class ClapEditQueue {
  public:
    // Far more than a gesture of the user's makes between two of the host's blocks or flushes.
    static constexpr std::size_t kCapacity = 512;

    // Editor thread. False, with the edit dropped, while the queue is full: a host that neither
    // processes nor flushes loses the panel's edits rather than holding the editor up.
    bool push(const ClapEdit& edit);

    // The consuming thread: hands every queued edit, oldest first, to out as a parameter event; one the
    // host refuses stays queued, with everything after it, for the next call.
    void drainInto(const clap::clap_output_events& out);

  private:
    static bool send(const ClapEdit& edit, const clap::clap_output_events& out);

    // head: the next slot to read, written by the consumer; tail: the next slot to fill, written by the
    // producer. Both count up without bound; a slot is index % kCapacity.
    std::array<ClapEdit, kCapacity> slots{};
    std::atomic<std::size_t> head{0};
    std::atomic<std::size_t> tail{0};
};

} // namespace tmx1
