// Flags and counters of the communication thread. All are touched only on that thread,
// except flag_quit and flag_give_up_held_change, which the user-interface thread writes.
#pragma once
#include <atomic>
#include <cstdint>

extern std::atomic<int32_t> flag_quit;
// The user gives up the change that waits for the console's return.
extern std::atomic<int32_t> flag_give_up_held_change;
extern int32_t flag_polling_blocked;
extern int32_t flag_reception_pause;
extern int32_t flag_commands_waiting;
extern int32_t flag_data_due;
extern int32_t flag_first_refresh_loop;
extern int32_t flag_set_eeprom_trigger_request;
extern int32_t flag_new_history_file;
extern int32_t flag_KOR_state_machine_busy;
extern int32_t polling_step;
extern int32_t polling_resume_step;
extern int32_t reception_skip_count;
