#include "clap/ClapEditQueue.h"

namespace tmx1 {

bool ClapEditQueue::push(const ClapEdit& edit) {
    const std::size_t at = tail.load(std::memory_order_relaxed);
    if (at - head.load(std::memory_order_acquire) >= kCapacity)
        return false;
    slots[at % kCapacity] = edit;
    tail.store(at + 1, std::memory_order_release);
    return true;
}

void ClapEditQueue::drainInto(const clap::clap_output_events& out) {
    std::size_t at = head.load(std::memory_order_relaxed);
    const std::size_t end = tail.load(std::memory_order_acquire);
    for (; at != end; ++at)
        if (!send(slots[at % kCapacity], out))
            break;
    head.store(at, std::memory_order_release);
}

bool ClapEditQueue::send(const ClapEdit& edit, const clap::clap_output_events& out) {
    if (edit.kind == ClapEdit::Kind::value) {
        clap::clap_event_param_value event{};
        event.header = {sizeof event, 0, clap::kCoreEventSpace, clap::kEventParamValue, 0};
        event.param_id = edit.param;
        event.note_id = -1;
        event.port_index = event.channel = event.key = -1;
        event.value = edit.value;
        return out.try_push(&out, &event.header);
    }
    const std::uint16_t type = edit.kind == ClapEdit::Kind::gestureBegin ? clap::kEventParamGestureBegin
                                                                         : clap::kEventParamGestureEnd;
    clap::clap_event_param_gesture event{};
    event.header = {sizeof event, 0, clap::kCoreEventSpace, type, 0};
    event.param_id = edit.param;
    return out.try_push(&out, &event.header);
}

} // namespace tmx1
