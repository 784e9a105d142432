// Command handling on the communication thread: every change the user makes to the
// console, and every read the user interface asks for on demand, arrives as a command
// record; polling stops while commands are handled, each is answered with a UI record.
#pragma once
#include <cstdint>

#include "records/queue_records.h"

// Handles every waiting command record, then lets polling continue.
void ReadFromTSQ_to_CSM();
// One record. 0, or -1 when a time-stamp read gave up (no reply is sent then). A change
// whose writes a lost link or quitting cut off sends no confirmation.
int TSQ_to_CSM_Handler(const CommandRecord *cmd);
// After an identification: a change held over a lost link is carried out next when the
// console is the one it was meant for, and reported failed (UI_COMMAND_FAILED) when not;
// commands that waited in the queue meanwhile are taken up.
void ResumeCommands(uint8_t station_id);
// The thread ends: a held change is reported failed.
void DropHeldCommand();
// Drops the held change (which tells the user interface) when the user gave it up.
void GiveUpHeldChangeWhenAsked();
// Writes an alarm's switch after a change; always 0.
int WriteAlarmFlags(const int32_t *enable_changed, const int32_t *enabled, uint16_t enable_nibble,
                    uint8_t enable_bit, uint16_t second_nibble, uint8_t second_bit,
                    uint8_t notice_bit);
// The console's wind-speed unit as last read (settings numbering).
int32_t StationWindUnit();
