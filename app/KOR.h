// Resource numbers of the panels in "KOR.uir" and the ids of their controls. The numbers
// are the file's own; code reaches every panel and control through these names.
#pragma once

// Timer panel of the communication thread: timers only, loaded by that thread.
constexpr int TIMERP = 11;
constexpr int TIMERP_RESPONSE = 1;   // response time-out of the state machine
constexpr int TIMERP_DATAPOLL = 2;   // collects data bytes of a read block
constexpr int TIMERP_RECEPTION = 3;  // reception pause around the console's radio window
constexpr int TIMERP_LIVETICK = 4;   // counts the groups' live and poll timers down
