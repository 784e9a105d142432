// The request descriptor and the blocking requests through which every reader and writer
// moves nibbles to and from the console. All of it runs on the communication thread.
#pragma once
#include <cstdint>

struct KORDescriptor {
    uint16_t address;           // nibble address of the next transfer
    uint16_t count;             // bytes to read, 1..15
    uint16_t nibbles_to_write;  // counted down by a write
    int32_t bit_value;          // bit write: 0 clears, other sets
    uint8_t id_byte;            // identification byte as received
    uint8_t data[81];
    uint16_t index;             // next element of data to fill or send
};

extern KORDescriptor KOR_descriptor;

// Request codes into the state machine.
enum { IN_SEND_ADDRESS = 1, IN_GET_ID = 2, IN_READ = 3, IN_WRITE_NIBBLE = 4,
       IN_CLEAR_BIT = 5, IN_SET_BIT = 6 };
// Result codes out of the state machine.
enum { OUT_TIMEOUT = 1, OUT_BAD_ECHO = 3, OUT_BAD_CHECKSUM = 4, OUT_ADDRESS_DONE = 7,
       OUT_DATA_READ = 8, OUT_NIBBLE_WRITTEN = 9, OUT_BIT_CLEARED = 10, OUT_BIT_SET = 11,
       OUT_ID_READ = 12 };

extern int32_t KOR_message_in_queue;
extern int32_t KOR_message_out_queue;

int GetNextMessageInQueue();
void FlushMessageInQueue();
int PutMessageIntoInQueue(int code);
int GetNextMessageOutQueue();
void FlushMessageOutQueue();
int PutMessageIntoOutQueue(int code);
int UserWaitMessage(int expected);

// 0 success, -1 failure, -2 another request under way.
int GetIDFromKOR();
int ReadDataFromKOR();
int WriteDataToKOR();
int WriteBitToKOR();
