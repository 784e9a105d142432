// Console side of the serial protocol (see sim_protocol.h).
#include "sim/sim_protocol.h"

SimCommandKind ClassifySimCommand(uint8_t byte) {
    if (byte == 0x06) return SIM_CMD_ID;
    switch (byte & 0xC3) {
    case 0x82: return SIM_CMD_ADDRESS;
    case 0xC2: return SIM_CMD_READ;
    case 0x42: return SIM_CMD_WRITE;
    default: break;
    }
    if ((byte & 0xF3) == 0x12) return SIM_CMD_SET_BIT;
    if ((byte & 0xF3) == 0x32) return SIM_CMD_CLEAR_BIT;
    return SIM_CMD_NONE;
}

namespace {

int AnswerAddress(SimLinkState *link, uint8_t n, uint8_t reply[]) {
    const int index = link->position;  // 0 for the most significant nibble
    link->pending = static_cast<uint16_t>((index == 0 ? 0 : link->pending) | (n << (12 - 4 * index)));
    reply[0] = static_cast<uint8_t>((index << 4) | n);
    if (index == 3) {
        link->address = link->pending;
        link->position = 0;
    } else {
        link->position = index + 1;
    }
    return 1;
}

int AnswerRead(const SimLinkState *link, const SimMemory *mem, int count, uint8_t reply[]) {
    reply[0] = static_cast<uint8_t>(0x30 | count);
    uint8_t sum = 0;
    for (int k = 0; k < count; ++k) {
        const uint16_t at = static_cast<uint16_t>(link->address + 2 * k);
        const uint16_t next = static_cast<uint16_t>(at + 1);
        const uint8_t byte = static_cast<uint8_t>(GetSimNibble(mem, at) | (GetSimNibble(mem, next) << 4));
        reply[1 + k] = byte;
        sum = static_cast<uint8_t>(sum + byte);
    }
    reply[1 + count] = sum;
    return count + 2;
}

}  // namespace

int AnswerSimCommand(SimLinkState *link, SimMemory *mem, int variant, uint8_t byte,
                     uint8_t reply[SIM_MAX_REPLY]) {
    const SimCommandKind kind = ClassifySimCommand(byte);
    const uint8_t arg = static_cast<uint8_t>((byte >> 2) & 0x0F);
    if (kind == SIM_CMD_ADDRESS) return AnswerAddress(link, arg, reply);
    // Anything but an address nibble ends an address being assembled; a data command
    // that arrives in the middle of one is not trusted with a half-built address.
    const bool broken_address = link->position != 0;
    link->position = 0;
    switch (kind) {
    case SIM_CMD_ID:
        reply[0] = static_cast<uint8_t>(variant & 0x3F);
        return 1;
    case SIM_CMD_READ:
        if (broken_address || arg == 0) return 0;
        return AnswerRead(link, mem, arg, reply);
    case SIM_CMD_WRITE:
        if (broken_address) return 0;
        PutSimNibble(mem, link->address, arg);
        MarkSimTouched(mem, link->address);
        link->address = static_cast<uint16_t>(link->address + 1);
        reply[0] = static_cast<uint8_t>(byte >> 2);
        return 1;
    case SIM_CMD_SET_BIT:
    case SIM_CMD_CLEAR_BIT:
        if (broken_address) return 0;
        SetSimBit(mem, link->address, arg & 3, kind == SIM_CMD_SET_BIT);
        MarkSimTouched(mem, link->address);
        reply[0] = static_cast<uint8_t>(byte >> 2);
        return 1;
    default:
        return 0;
    }
}
