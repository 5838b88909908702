// The CLAP binary interface as the plug-in and our test host use it: the entry, the plug-in factory,
// the plug-in and host records, processing with its events, and the extensions we implement or ask
// the host for. Written from the published 1.1 layouts and identifiers, and only what we use; the
// static asserts at the end pin the 64-bit layout down, because a host compiled against the
// interface's own headers reads these bytes at fixed offsets.
//
// Every record is a C struct of function pointers; on Windows x64 and on Linux x86-64 the interface's
// calling convention is the platform's only one.
#pragma once

#include <cstddef>
#include <cstdint>

namespace clap {

using clap_id = std::uint32_t;
inline constexpr clap_id kInvalidId = UINT32_MAX;

// The interface version a plug-in and a host declare; every 1.x is compatible with every other.
struct clap_version_t {
    std::uint32_t major;
    std::uint32_t minor;
    std::uint32_t revision;
};
inline constexpr clap_version_t kVersion{1, 1, 10};
constexpr bool isCompatible(clap_version_t version) { return version.major >= 1; }

// The size of the name and path fields in the info records.
inline constexpr std::size_t kNameSize = 256;
inline constexpr std::size_t kPathSize = 1024;

struct clap_host;
struct clap_plugin;

extern "C" {

// --- the host
struct clap_host {
    clap_version_t clap_version;
    void* host_data;
    const char* name;
    const char* vendor;
    const char* url;
    const char* version;
    const void* (*get_extension)(const clap_host* host, const char* extension_id);
    void (*request_restart)(const clap_host* host);
    void (*request_process)(const clap_host* host);
    void (*request_callback)(const clap_host* host);
};

// --- events
struct clap_event_header {
    std::uint32_t size; // of the whole event
    std::uint32_t time; // frame within the block
    std::uint16_t space_id;
    std::uint16_t type;
    std::uint32_t flags;
};
inline constexpr std::uint16_t kCoreEventSpace = 0;
inline constexpr std::uint16_t kEventParamValue = 5;
inline constexpr std::uint16_t kEventParamGestureBegin = 7;
inline constexpr std::uint16_t kEventParamGestureEnd = 8;
inline constexpr std::uint32_t kEventIsLive = 1u << 0;

struct clap_event_param_value {
    clap_event_header header;
    clap_id param_id;
    void* cookie;
    std::int32_t note_id; // -1 and the three below -1: for every note, as ours are
    std::int16_t port_index;
    std::int16_t channel;
    std::int16_t key;
    double value; // the plain value
};

struct clap_event_param_gesture {
    clap_event_header header;
    clap_id param_id;
};

struct clap_input_events {
    void* ctx;
    std::uint32_t (*size)(const clap_input_events* list);
    const clap_event_header* (*get)(const clap_input_events* list, std::uint32_t index);
};

struct clap_output_events {
    void* ctx;
    bool (*try_push)(const clap_output_events* list, const clap_event_header* event);
};

// --- processing
struct clap_audio_buffer {
    float** data32;
    double** data64;
    std::uint32_t channel_count;
    std::uint32_t latency;
    std::uint64_t constant_mask;
};

struct clap_event_transport; // never read: the effect does not follow the transport

struct clap_process {
    std::int64_t steady_time;
    std::uint32_t frames_count;
    const clap_event_transport* transport;
    const clap_audio_buffer* audio_inputs;
    clap_audio_buffer* audio_outputs;
    std::uint32_t audio_inputs_count;
    std::uint32_t audio_outputs_count;
    const clap_input_events* in_events;
    const clap_output_events* out_events;
};

using clap_process_status = std::int32_t;
inline constexpr clap_process_status kProcessError = 0;
inline constexpr clap_process_status kProcessContinue = 1;

// --- the plug-in
struct clap_plugin_descriptor {
    clap_version_t clap_version;
    const char* id;
    const char* name;
    const char* vendor;
    const char* url;
    const char* manual_url;
    const char* support_url;
    const char* version;
    const char* description;
    const char* const* features; // null-terminated
};

struct clap_plugin {
    const clap_plugin_descriptor* desc;
    void* plugin_data;
    bool (*init)(const clap_plugin* plugin);
    void (*destroy)(const clap_plugin* plugin);
    bool (*activate)(const clap_plugin* plugin, double sample_rate, std::uint32_t min_frames_count,
                     std::uint32_t max_frames_count);
    void (*deactivate)(const clap_plugin* plugin);
    bool (*start_processing)(const clap_plugin* plugin);
    void (*stop_processing)(const clap_plugin* plugin);
    void (*reset)(const clap_plugin* plugin);
    clap_process_status (*process)(const clap_plugin* plugin, const clap_process* process);
    const void* (*get_extension)(const clap_plugin* plugin, const char* id);
    void (*on_main_thread)(const clap_plugin* plugin);
};

// --- the library's entry and its plug-in factory
struct clap_plugin_entry {
    clap_version_t clap_version;
    bool (*init)(const char* plugin_path);
    void (*deinit)();
    const void* (*get_factory)(const char* factory_id);
};

inline constexpr const char* kPluginFactoryId = "clap.plugin-factory";

struct clap_plugin_factory {
    std::uint32_t (*get_plugin_count)(const clap_plugin_factory* factory);
    const clap_plugin_descriptor* (*get_plugin_descriptor)(const clap_plugin_factory* factory,
                                                           std::uint32_t index);
    const clap_plugin* (*create_plugin)(const clap_plugin_factory* factory, const clap_host* host,
                                        const char* plugin_id);
};

// --- extension: audio ports
inline constexpr const char* kExtAudioPorts = "clap.audio-ports";
inline constexpr const char* kPortStereo = "stereo";
inline constexpr std::uint32_t kAudioPortIsMain = 1u << 0;

struct clap_audio_port_info {
    clap_id id;
    char name[kNameSize];
    std::uint32_t flags;
    std::uint32_t channel_count;
    const char* port_type;
    clap_id in_place_pair; // kInvalidId when the port cannot share its buffer
};

struct clap_plugin_audio_ports {
    std::uint32_t (*count)(const clap_plugin* plugin, bool is_input);
    bool (*get)(const clap_plugin* plugin, std::uint32_t index, bool is_input, clap_audio_port_info* info);
};

// --- extension: parameters
inline constexpr const char* kExtParams = "clap.params";
inline constexpr std::uint32_t kParamIsStepped = 1u << 0;
inline constexpr std::uint32_t kParamIsAutomatable = 1u << 5;
inline constexpr std::uint32_t kParamIsEnum = 1u << 16;

struct clap_param_info {
    clap_id id;
    std::uint32_t flags;
    void* cookie;
    char name[kNameSize];
    char module[kPathSize];
    double min_value;
    double max_value;
    double default_value;
};

struct clap_plugin_params {
    std::uint32_t (*count)(const clap_plugin* plugin);
    bool (*get_info)(const clap_plugin* plugin, std::uint32_t param_index, clap_param_info* param_info);
    bool (*get_value)(const clap_plugin* plugin, clap_id param_id, double* out_value);
    bool (*value_to_text)(const clap_plugin* plugin, clap_id param_id, double value, char* out_buffer,
                          std::uint32_t out_buffer_capacity);
    bool (*text_to_value)(const clap_plugin* plugin, clap_id param_id, const char* param_value_text,
                          double* out_value);
    void (*flush)(const clap_plugin* plugin, const clap_input_events* in, const clap_output_events* out);
};

struct clap_host_params {
    void (*rescan)(const clap_host* host, std::uint32_t flags);
    void (*clear)(const clap_host* host, clap_id param_id, std::uint32_t flags);
    void (*request_flush)(const clap_host* host);
};

// --- extension: latency
inline constexpr const char* kExtLatency = "clap.latency";

struct clap_plugin_latency {
    std::uint32_t (*get)(const clap_plugin* plugin);
};

struct clap_host_latency {
    void (*changed)(const clap_host* host); // only while the plug-in is being activated
};

// --- extension: state
inline constexpr const char* kExtState = "clap.state";

struct clap_istream {
    void* ctx;
    // Bytes read; 0 at the end, -1 on an error.
    std::int64_t (*read)(const clap_istream* stream, void* buffer, std::uint64_t size);
};

struct clap_ostream {
    void* ctx;
    // Bytes written (maybe fewer than asked); -1 on an error.
    std::int64_t (*write)(const clap_ostream* stream, const void* buffer, std::uint64_t size);
};

struct clap_plugin_state {
    bool (*save)(const clap_plugin* plugin, const clap_ostream* stream);
    bool (*load)(const clap_plugin* plugin, const clap_istream* stream);
};

// --- extension: the host's thread check
inline constexpr const char* kExtThreadCheck = "clap.thread-check";

struct clap_host_thread_check {
    bool (*is_main_thread)(const clap_host* host);
    bool (*is_audio_thread)(const clap_host* host);
};

// --- extension: the plug-in's window (embedded only)
inline constexpr const char* kExtGui = "clap.gui";
inline constexpr const char* kWindowApiX11 = "x11";
inline constexpr const char* kWindowApiWin32 = "win32";

// The host's window: an X11 window id or an HWND, as api names.
struct clap_window {
    const char* api;
    union {
        void* cocoa;
        unsigned long x11;
        void* win32;
        void* ptr;
    };
};

struct clap_gui_resize_hints {
    bool can_resize_horizontally;
    bool can_resize_vertically;
    bool preserve_aspect_ratio;
    std::uint32_t aspect_ratio_width;
    std::uint32_t aspect_ratio_height;
};

// Sizes in physical pixels on X11 and Win32.
struct clap_plugin_gui {
    bool (*is_api_supported)(const clap_plugin* plugin, const char* api, bool is_floating);
    bool (*get_preferred_api)(const clap_plugin* plugin, const char** api, bool* is_floating);
    bool (*create)(const clap_plugin* plugin, const char* api, bool is_floating);
    void (*destroy)(const clap_plugin* plugin);
    bool (*set_scale)(const clap_plugin* plugin, double scale);
    bool (*get_size)(const clap_plugin* plugin, std::uint32_t* width, std::uint32_t* height);
    bool (*can_resize)(const clap_plugin* plugin);
    bool (*get_resize_hints)(const clap_plugin* plugin, clap_gui_resize_hints* hints);
    bool (*adjust_size)(const clap_plugin* plugin, std::uint32_t* width, std::uint32_t* height);
    bool (*set_size)(const clap_plugin* plugin, std::uint32_t width, std::uint32_t height);
    bool (*set_parent)(const clap_plugin* plugin, const clap_window* window);
    bool (*set_transient)(const clap_plugin* plugin, const clap_window* window);
    void (*suggest_title)(const clap_plugin* plugin, const char* title);
    bool (*show)(const clap_plugin* plugin);
    bool (*hide)(const clap_plugin* plugin);
};

// Every member may be called from any thread.
struct clap_host_gui {
    void (*resize_hints_changed)(const clap_host* host);
    bool (*request_resize)(const clap_host* host, std::uint32_t width, std::uint32_t height);
    bool (*request_show)(const clap_host* host);
    bool (*request_hide)(const clap_host* host);
    void (*closed)(const clap_host* host, bool was_destroyed);
};

// --- extension: the host's timers, on its main thread
inline constexpr const char* kExtTimerSupport = "clap.timer-support";

struct clap_plugin_timer_support {
    void (*on_timer)(const clap_plugin* plugin, clap_id timer_id);
};

struct clap_host_timer_support {
    bool (*register_timer)(const clap_host* host, std::uint32_t period_ms, clap_id* timer_id);
    bool (*unregister_timer)(const clap_host* host, clap_id timer_id);
};

} // extern "C"

static_assert(sizeof(void*) == 8, "this layout is the 64-bit one");
static_assert(sizeof(clap_version_t) == 12);
static_assert(sizeof(clap_host) == 88 && offsetof(clap_host, host_data) == 16 &&
              offsetof(clap_host, get_extension) == 56);
static_assert(sizeof(clap_event_header) == 16 && offsetof(clap_event_header, type) == 10);
static_assert(sizeof(clap_event_param_value) == 56 && offsetof(clap_event_param_value, cookie) == 24 &&
              offsetof(clap_event_param_value, note_id) == 32 &&
              offsetof(clap_event_param_value, value) == 48);
static_assert(sizeof(clap_event_param_gesture) == 20);
static_assert(sizeof(clap_audio_buffer) == 32 && offsetof(clap_audio_buffer, constant_mask) == 24);
static_assert(sizeof(clap_process) == 64 && offsetof(clap_process, audio_inputs_count) == 40 &&
              offsetof(clap_process, in_events) == 48);
static_assert(sizeof(clap_plugin_descriptor) == 88 && offsetof(clap_plugin_descriptor, features) == 80);
static_assert(sizeof(clap_plugin) == 96 && offsetof(clap_plugin, process) == 72 &&
              offsetof(clap_plugin, on_main_thread) == 88);
static_assert(sizeof(clap_plugin_entry) == 40 && offsetof(clap_plugin_entry, get_factory) == 32);
static_assert(sizeof(clap_audio_port_info) == 288 && offsetof(clap_audio_port_info, port_type) == 272 &&
              offsetof(clap_audio_port_info, in_place_pair) == 280);
static_assert(sizeof(clap_window) == 16 && offsetof(clap_window, x11) == 8);
static_assert(sizeof(clap_gui_resize_hints) == 12);
static_assert(sizeof(clap_plugin_gui) == 15 * 8 && offsetof(clap_plugin_gui, set_parent) == 80);
static_assert(sizeof(clap_host_gui) == 5 * 8);
static_assert(sizeof(clap_param_info) == 1320 && offsetof(clap_param_info, name) == 16 &&
              offsetof(clap_param_info, min_value) == 1296);

} // namespace clap
