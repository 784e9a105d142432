// The communication thread's timer panel in "KOR.uir": timers only, loaded by that
// thread, so its timers tick on it. Kept apart from the window ids (windows/KOR.h) so that
// the link and the communication thread need nothing of the windows above them.
#pragma once

constexpr int TIMERP = 11;
constexpr int TIMERP_RESPONSE = 1;   // response time-out of the state machine
constexpr int TIMERP_DATAPOLL = 2;   // collects the data bytes of a read block
constexpr int TIMERP_RECEPTION = 3;  // reception pause around the console's radio window
constexpr int TIMERP_LIVETICK = 4;   // counts the groups' live and poll timers down
