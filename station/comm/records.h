// Records of the two queues between the user-interface thread and the communication
// thread. Each crosses the queue as raw bytes, so the layouts are fixed.
#pragma once
#include <cstddef>
#include <cstdint>

struct CommandRecord {
    int32_t code;
    int32_t read_back;
    int32_t value_changed;
    float value;
    float value2;
    int32_t param;
    int32_t param2;
    int32_t enable_changed;
    int32_t enabled;
    char file_name[260];
};
static_assert(sizeof(CommandRecord) == 296);

struct UIRecord {
    int32_t kind;
    char text[260];
    uint32_t payload[30];
};
static_assert(sizeof(UIRecord) == 384);
static_assert(offsetof(UIRecord, payload) == 264);

constexpr int TSQ_CAPACITY = 1000;
