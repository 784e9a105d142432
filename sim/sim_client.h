// A minimal serial client for the simulator's line, used by tests and for probing a
// running stationsim by hand: it frames commands and judges echoes and checksums, but
// knows nothing of what the memory means (that is the program's business).
#pragma once
#include <cstdint>

struct SimClient {
    int fd = -1;
    int timeout_ms = 500;   // wait for each expected answer
};

enum { SIM_CLIENT_OK = 0, SIM_CLIENT_SILENT = -1, SIM_CLIENT_BAD_ECHO = -2, SIM_CLIENT_BAD_CHECKSUM = -3 };

// Opens path (a link or a device) raw at 2400 baud; 0 on success, -1 on failure.
int OpenSimClient(SimClient *client, const char *path);
void CloseSimClient(SimClient *client);
// Discards whatever is waiting, sends byte and collects up to expect answer bytes;
// returns how many arrived before the time-out.
int ExchangeSimClient(SimClient *client, uint8_t byte, uint8_t *reply, int expect);
// Transactions as the program makes them. Each returns one of the SIM_CLIENT_ codes.
int SimClientReadID(SimClient *client, int *id);
int SimClientSetAddress(SimClient *client, uint16_t address);
int SimClientRead(SimClient *client, uint16_t address, int count, uint8_t *bytes);
// The address once, then one write command per nibble.
int SimClientWrite(SimClient *client, uint16_t address, const uint8_t *nibbles, int count);
int SimClientWriteBit(SimClient *client, uint16_t address, int bit, bool set);
