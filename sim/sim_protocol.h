// The console's side of the serial protocol: one command byte in, its answer out. It is
// a pure function of the line state and the memory, so that every byte sequence,
// including nonsense, can be tested without a port, and the simulator thread only has
// to add time (pacing, radio silence) and faults around it.
#pragma once
#include <cstdint>

#include "sim/sim_memory.h"

struct SimLinkState {
    uint16_t address;   // the console's address register
    uint16_t pending;   // address being assembled from its four nibbles
    int position;       // address nibbles received so far (0: none pending)
};

enum SimCommandKind {
    SIM_CMD_NONE,       // not a command: ignored
    SIM_CMD_ID,
    SIM_CMD_ADDRESS,
    SIM_CMD_READ,
    SIM_CMD_WRITE,
    SIM_CMD_SET_BIT,
    SIM_CMD_CLEAR_BIT,
};

constexpr int SIM_MAX_REPLY = 17;  // echo, 15 data bytes, checksum

SimCommandKind ClassifySimCommand(uint8_t byte);
// Acts on one command byte and puts its answer into reply; returns the answer's length,
// 0 when the console says nothing (a byte that is no command, a data command in the
// middle of an address, a read of 0 bytes). Writes mark the nibbles they touch.
int AnswerSimCommand(SimLinkState *link, SimMemory *mem, int variant, uint8_t byte,
                     uint8_t reply[SIM_MAX_REPLY]);
