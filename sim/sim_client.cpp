// Serial client for the simulator's line (see sim_client.h).
#include "sim/sim_client.h"

#include <chrono>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

int OpenSimClient(SimClient *client, const char *path) {
    client->fd = open(path, O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (client->fd < 0) return -1;
    struct termios tio{};
    if (tcgetattr(client->fd, &tio) != 0) {
        CloseSimClient(client);
        return -1;
    }
    cfmakeraw(&tio);
    tio.c_cflag |= CLOCAL | CREAD;
    cfsetispeed(&tio, B2400);
    cfsetospeed(&tio, B2400);
    if (tcsetattr(client->fd, TCSANOW, &tio) != 0) {
        CloseSimClient(client);
        return -1;
    }
    return 0;
}

void CloseSimClient(SimClient *client) {
    if (client->fd >= 0) close(client->fd);
    client->fd = -1;
}

int ExchangeSimClient(SimClient *client, uint8_t byte, uint8_t *reply, int expect) {
    tcflush(client->fd, TCIOFLUSH);
    if (write(client->fd, &byte, 1) != 1) return 0;
    using Clock = std::chrono::steady_clock;
    const Clock::time_point end = Clock::now() + std::chrono::milliseconds(client->timeout_ms);
    int got = 0;
    while (got < expect) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now()).count();
        if (left <= 0) break;
        struct pollfd p{client->fd, POLLIN, 0};
        if (poll(&p, 1, static_cast<int>(left)) <= 0) continue;
        const ssize_t n = read(client->fd, reply + got, static_cast<size_t>(expect - got));
        if (n > 0) got += static_cast<int>(n);
    }
    return got;
}

namespace {

int Command(SimClient *client, uint8_t byte, uint8_t expected_echo) {
    uint8_t echo = 0;
    if (ExchangeSimClient(client, byte, &echo, 1) != 1) return SIM_CLIENT_SILENT;
    return echo == expected_echo ? SIM_CLIENT_OK : SIM_CLIENT_BAD_ECHO;
}

}  // namespace

int SimClientReadID(SimClient *client, int *id) {
    uint8_t reply = 0;
    if (ExchangeSimClient(client, 0x06, &reply, 1) != 1) return SIM_CLIENT_SILENT;
    if (reply & 0xC0) return SIM_CLIENT_BAD_ECHO;
    *id = reply & 0x3F;
    return SIM_CLIENT_OK;
}

int SimClientSetAddress(SimClient *client, uint16_t address) {
    for (int i = 0; i < 4; ++i) {
        const uint8_t n = static_cast<uint8_t>((address >> (12 - 4 * i)) & 0xF);
        const int r = Command(client, static_cast<uint8_t>(0x82 | (n << 2)), static_cast<uint8_t>((i << 4) | n));
        if (r != SIM_CLIENT_OK) return r;
    }
    return SIM_CLIENT_OK;
}

int SimClientRead(SimClient *client, uint16_t address, int count, uint8_t *bytes) {
    const int r = SimClientSetAddress(client, address);
    if (r != SIM_CLIENT_OK) return r;
    uint8_t reply[17];
    const int want = count + 2;
    const int got = ExchangeSimClient(client, static_cast<uint8_t>(0xC2 | ((count & 0xF) << 2)), reply, want);
    if (got < 1) return SIM_CLIENT_SILENT;
    if (reply[0] != (0x30 | count)) return SIM_CLIENT_BAD_ECHO;
    if (got < want) return SIM_CLIENT_SILENT;
    uint8_t sum = 0;
    for (int k = 0; k < count; ++k) {
        bytes[k] = reply[1 + k];
        sum = static_cast<uint8_t>(sum + reply[1 + k]);
    }
    return sum == reply[1 + count] ? SIM_CLIENT_OK : SIM_CLIENT_BAD_CHECKSUM;
}

int SimClientWrite(SimClient *client, uint16_t address, const uint8_t *nibbles, int count) {
    int r = SimClientSetAddress(client, address);
    for (int i = 0; i < count && r == SIM_CLIENT_OK; ++i) {
        const uint8_t byte = static_cast<uint8_t>(0x42 | ((nibbles[i] & 0xF) << 2));
        r = Command(client, byte, static_cast<uint8_t>(byte >> 2));
    }
    return r;
}

int SimClientWriteBit(SimClient *client, uint16_t address, int bit, bool set) {
    int r = SimClientSetAddress(client, address);
    if (r == SIM_CLIENT_OK) r = SimClientSetAddress(client, address);
    if (r != SIM_CLIENT_OK) return r;
    const uint8_t byte = static_cast<uint8_t>((set ? 0x12 : 0x32) | ((bit & 3) << 2));
    return Command(client, byte, static_cast<uint8_t>(byte >> 2));
}
